#include "songcore/tags/id3/Id3v2Tag.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string_view>

#include "songcore/tags/FieldText.h"
#include "songcore/tags/id3/Id3v2Picture.h"
#include "songcore/util/BlockSource.h"
#include "songcore/util/ByteReader.h"
#include "songcore/util/ByteWriter.h"
#include "songcore/util/Codepage.h"
#include "songcore/util/Hex.h"
#include "songcore/util/Text.h"

namespace songcore {
namespace {

// Header flags.
constexpr uint8_t kUnsynchronised = 0x80;
constexpr uint8_t kExtendedHeader = 0x40;  // whole-tag compression in 2.2
constexpr uint8_t kFooter = 0x10;          // 2.4
constexpr size_t kFooterSize = 10;
constexpr size_t kFrameHeaderSize = 10;  // 2.3 and 2.4
// Frame flags, 2.3.
constexpr uint16_t kV3Compressed = 0x0080;
constexpr uint16_t kV3Encrypted = 0x0040;
constexpr uint16_t kV3Grouped = 0x0020;
// Frame flags, 2.4.
constexpr uint16_t kV4Grouped = 0x0040;
constexpr uint16_t kV4Compressed = 0x0008;
constexpr uint16_t kV4Encrypted = 0x0004;
constexpr uint16_t kV4Unsynchronised = 0x0002;
constexpr uint16_t kV4DataLength = 0x0001;

enum class Body { Text, Comment, Url };

// Views rather than C strings: the reader compares every frame's ID with
// these, and a view compares without measuring the string first.
struct FieldIds {
    std::string_view v2;
    std::string_view v3;
    std::string_view v4;
    Body body;
    SongField field;
    std::optional<SongField> total = std::nullopt;
};

// The frame table, by Id3v2Field: the 2.2 ID, the 2.3 ID and the 2.4 ID of
// each field's frame. The year has its own frame in 2.4; the reader also
// accepts the other version's frame.
constexpr FieldIds kFieldIds[kId3v2FieldCount] = {
    {"TT2", "TIT2", "TIT2", Body::Text, SongField::Title},
    {"TP1", "TPE1", "TPE1", Body::Text, SongField::Artist},
    {"TP2", "TPE2", "TPE2", Body::Text, SongField::AlbumArtist},
    {"TAL", "TALB", "TALB", Body::Text, SongField::Album},
    {"TRK", "TRCK", "TRCK", Body::Text, SongField::Track, SongField::TrackTotal},
    {"TYE", "TYER", "TDRC", Body::Text, SongField::Year},
    {"COM", "COMM", "COMM", Body::Comment, SongField::Comment},
    {"TCO", "TCON", "TCON", Body::Text, SongField::Genre},
    {"TEN", "TENC", "TENC", Body::Text, SongField::EncodedBy},
    {"TCR", "TCOP", "TCOP", Body::Text, SongField::Copyright},
    {"WXX", "WXXX", "WXXX", Body::Url, SongField::Url},
    {"TCM", "TCOM", "TCOM", Body::Text, SongField::Composer},
    {"TOA", "TOPE", "TOPE", Body::Text, SongField::OrigArtist},
    {"ULT", "USLT", "USLT", Body::Comment, SongField::Lyrics},
    {"TPA", "TPOS", "TPOS", Body::Text, SongField::Disc, SongField::DiscTotal},
};
constexpr size_t kYear = static_cast<size_t>(Id3v2Field::Year);

// 2.2 frames that 2.3 has with the same body under a four-letter ID. PIC
// differs in its body and is converted on its own; the rest (CRM, LNK and
// unknown IDs) has no 2.3 form.
constexpr std::pair<std::string_view, std::string_view> kV22ToV23[] = {
    {"BUF", "RBUF"}, {"CNT", "PCNT"}, {"COM", "COMM"}, {"CRA", "AENC"}, {"EQU", "EQUA"},
    {"ETC", "ETCO"}, {"GEO", "GEOB"}, {"IPL", "IPLS"}, {"MCI", "MCDI"}, {"MLL", "MLLT"},
    {"POP", "POPM"}, {"REV", "RVRB"}, {"RVA", "RVAD"}, {"SLT", "SYLT"}, {"STC", "SYTC"},
    {"TAL", "TALB"}, {"TBP", "TBPM"}, {"TCM", "TCOM"}, {"TCO", "TCON"}, {"TCP", "TCMP"},
    {"TCR", "TCOP"}, {"TDA", "TDAT"}, {"TDY", "TDLY"}, {"TEN", "TENC"}, {"TFT", "TFLT"},
    {"TIM", "TIME"}, {"TKE", "TKEY"}, {"TLA", "TLAN"}, {"TLE", "TLEN"}, {"TMT", "TMED"},
    {"TOA", "TOPE"}, {"TOF", "TOFN"}, {"TOL", "TOLY"}, {"TOR", "TORY"}, {"TOT", "TOAL"},
    {"TP1", "TPE1"}, {"TP2", "TPE2"}, {"TP3", "TPE3"}, {"TP4", "TPE4"}, {"TPA", "TPOS"},
    {"TPB", "TPUB"}, {"TRC", "TSRC"}, {"TRD", "TRDA"}, {"TRK", "TRCK"}, {"TS2", "TSO2"},
    {"TSA", "TSOA"}, {"TSC", "TSOC"}, {"TSI", "TSIZ"}, {"TSP", "TSOP"}, {"TSS", "TSSE"},
    {"TST", "TSOT"}, {"TT1", "TIT1"}, {"TT2", "TIT2"}, {"TT3", "TIT3"}, {"TXT", "TEXT"},
    {"TXX", "TXXX"}, {"TYE", "TYER"}, {"UFI", "UFID"}, {"ULT", "USLT"}, {"WAF", "WOAF"},
    {"WAR", "WOAR"}, {"WAS", "WOAS"}, {"WCM", "WCOM"}, {"WCP", "WCOP"}, {"WPB", "WPUB"},
    {"WXX", "WXXX"},
};

bool IsFrameIdChar(uint8_t c) {
    return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

bool IsFrameIdAt(std::span<const uint8_t> body, size_t pos, size_t idLength) {
    if (pos + idLength > body.size()) {
        return false;
    }
    return std::all_of(body.begin() + pos, body.begin() + pos + idLength, IsFrameIdChar);
}

// Whether a frame may end at pos: the tag ends, padding starts, or another
// frame follows.
bool PlausibleFrameEnd(std::span<const uint8_t> body, size_t pos) {
    return pos == body.size() || (pos < body.size() && body[pos] == 0) || IsFrameIdAt(body, pos, 4);
}

uint32_t Synchsafe(uint32_t raw) {
    return (raw >> 3 & 0x0FE00000) | (raw >> 2 & 0x001FC000) | (raw >> 1 & 0x00003F80) |
           (raw & 0x7F);
}

// 2.4 frame sizes are synchsafe, but some writers stored plain numbers; the
// size whose frame ends where something valid follows wins. plausibleEnd
// tells whether a frame may end at a position of the region.
template <typename PlausibleEnd>
uint32_t V24FrameSize(uint64_t regionSize, uint64_t dataPos, uint32_t raw,
                      const PlausibleEnd& plausibleEnd) {
    if (raw & 0x80808080u) {
        return raw;
    }
    uint32_t synchsafe = Synchsafe(raw);
    if (synchsafe == raw || plausibleEnd(dataPos + synchsafe)) {
        return synchsafe;
    }
    return dataPos + uint64_t{raw} <= regionSize && plausibleEnd(dataPos + raw) ? raw : synchsafe;
}

uint32_t V24FrameSize(std::span<const uint8_t> body, size_t dataPos, uint32_t raw) {
    return V24FrameSize(body.size(), dataPos, raw, [body](uint64_t pos) {
        return pos <= body.size() && PlausibleFrameEnd(body, static_cast<size_t>(pos));
    });
}

// The 8-bit text before the first NUL, seen in place.
std::string_view UpToNul(std::span<const uint8_t> bytes) {
    auto end = std::find(bytes.begin(), bytes.end(), uint8_t{0});
    return std::string_view(reinterpret_cast<const char*>(bytes.data()),
                            static_cast<size_t>(end - bytes.begin()));
}

std::optional<std::string> DecodeString(uint8_t encoding, std::span<const uint8_t> bytes) {
    switch (encoding) {
        case 0:
            return DecodeLegacyText(UpToNul(bytes));
        case 1:
            return Utf16BomToUtf8(bytes);
        case 2:
            return Utf16BeToUtf8(bytes);
        case 3:
            return SanitizeUtf8(UpToNul(bytes));
        default:
            return std::nullopt;
    }
}

// Length of the string at the start of bytes, without its terminator, and
// the length with it (the whole span when there is no terminator).
std::pair<size_t, size_t> TerminatedLength(uint8_t encoding, std::span<const uint8_t> bytes) {
    if (encoding == 1 || encoding == 2) {
        for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
            if (bytes[i] == 0 && bytes[i + 1] == 0) {
                return {i, i + 2};
            }
        }
        return {bytes.size(), bytes.size()};
    }
    auto end = std::find(bytes.begin(), bytes.end(), uint8_t{0});
    size_t length = static_cast<size_t>(end - bytes.begin());
    return {length, end == bytes.end() ? length : length + 1};
}

// A URL is ISO-8859-1 by definition, whatever code page the texts are in.
std::optional<std::string> UrlFromLatin1(std::span<const uint8_t> bytes) {
    return Latin1ToUtf8(UpToNul(bytes));
}

struct Described {
    std::string description;
    std::string text;
};

// COMM and USLT: encoding, language, description, text. WXXX: encoding,
// description, URL in ISO-8859-1. The description decoded and the value's
// bytes; nothing when the frame is too short or its encoding unknown (the
// value is then unreadable too).
struct DescribedHead {
    uint8_t encoding = 0;
    std::string description;
    std::span<const uint8_t> value;
};
std::optional<DescribedHead> DecodeDescribedHead(std::span<const uint8_t> content, Body body) {
    size_t head = body == Body::Comment ? 4 : 1;
    if (content.size() < head) {
        return std::nullopt;
    }
    uint8_t encoding = content[0];
    std::span<const uint8_t> rest = content.subspan(head);
    auto [length, withTerminator] = TerminatedLength(encoding, rest);
    std::optional<std::string> description = DecodeString(encoding, rest.first(length));
    if (!description) {
        return std::nullopt;
    }
    return DescribedHead{encoding, std::move(*description), rest.subspan(withTerminator)};
}

std::optional<Described> DecodeDescribed(std::span<const uint8_t> content, Body body) {
    std::optional<DescribedHead> head = DecodeDescribedHead(content, body);
    if (!head) {
        return std::nullopt;
    }
    std::optional<std::string> text =
        body == Body::Url ? UrlFromLatin1(head->value) : DecodeString(head->encoding, head->value);
    if (!text) {
        return std::nullopt;
    }
    return Described{std::move(head->description), std::move(*text)};
}

// The encoding a text is written in: ISO-8859-1 when it can hold the text.
uint8_t ChooseEncoding(const std::string& text, uint8_t major) {
    if (FitsLegacyFrame(text)) {
        return 0;
    }
    return major >= 4 ? 3 : 1;
}

void PutEncoded(ByteWriter& out, uint8_t encoding, const std::string& text, bool terminate) {
    switch (encoding) {
        case 0:
            out.text(EncodeLegacyText(text));
            if (terminate) {
                out.u8(0);
            }
            break;
        case 1:
            out.u8(0xFF);
            out.u8(0xFE);
            out.bytes(Utf8ToUtf16Le(text));
            if (terminate) {
                out.zeros(2);
            }
            break;
        default:
            out.text(SanitizeUtf8(text));
            if (terminate) {
                out.u8(0);
            }
            break;
    }
}

// A URL is ISO-8859-1 by definition; characters it cannot hold are written
// percent-encoded so the link still works.
std::string UrlToLatin1(const std::string& url) {
    std::string out;
    size_t pos = 0;
    while (pos < url.size()) {
        uint8_t lead = static_cast<uint8_t>(url[pos]);
        size_t length = lead < 0x80         ? 1
                        : (lead >> 5) == 6  ? 2
                        : (lead >> 4) == 14 ? 3
                        : (lead >> 3) == 30 ? 4
                                            : 1;
        std::string character = url.substr(pos, length);
        pos += length;
        if (FitsLatin1(character)) {
            out += Utf8ToLatin1(character);
            continue;
        }
        for (char c : character) {
            out += '%';
            AppendHexByte(out, static_cast<uint8_t>(c));
        }
    }
    return out;
}

Id3v2Frame MakeFieldFrame(size_t field, const std::string& value, uint8_t major) {
    const FieldIds& ids = kFieldIds[field];
    Id3v2Frame frame;
    frame.id = std::string(major >= 4 ? ids.v4 : ids.v3);
    ByteWriter out;
    if (ids.body == Body::Url) {
        out.u8(0);
        out.u8(0);  // empty description
        out.text(UrlToLatin1(value));
    } else if (ids.body == Body::Comment) {
        uint8_t encoding = ChooseEncoding(value, major);
        out.u8(encoding);
        out.text("eng");
        PutEncoded(out, encoding, "", true);
        PutEncoded(out, encoding, value, false);
    } else {
        uint8_t encoding = ChooseEncoding(value, major);
        out.u8(encoding);
        // Only 2.4 defines a list of values in a text frame; 2.3 readers
        // would show the NULs, so there the text stays whole.
        std::vector<std::string> pieces = major >= 4 && InfoOf(ids.field).kind == FieldKind::List
                                              ? SplitValues(value)
                                              : std::vector<std::string>{value};
        for (size_t i = 0; i < pieces.size(); ++i) {
            PutEncoded(out, encoding, pieces[i], i + 1 < pieces.size());
        }
    }
    frame.data = out.take();
    return frame;
}

// A 2.2 picture names its image format in three letters; 2.3 wants a MIME type.
std::vector<uint8_t> ConvertPicture(const std::vector<uint8_t>& data) {
    if (data.size() < 4) {
        return {};
    }
    std::string mime = Id3v2ImageFormatMime(std::string(data.begin() + 1, data.begin() + 4));
    ByteWriter out;
    out.u8(data[0]);
    out.text(mime);
    out.u8(0);
    out.bytes(std::span<const uint8_t>(data).subspan(4));
    return out.take();
}

std::optional<Id3v2Frame> UpgradeV22Frame(const Id3v2Frame& frame) {
    if (frame.id == "PIC") {
        std::vector<uint8_t> data = ConvertPicture(frame.data);
        if (data.empty()) {
            return std::nullopt;
        }
        return Id3v2Frame{"APIC", 0, std::move(data)};
    }
    for (const auto& [from, to] : kV22ToV23) {
        if (frame.id == from) {
            return Id3v2Frame{std::string(to), 0, frame.data};
        }
    }
    return std::nullopt;
}

// The row of the table whose frame ID id is, in a tag of version major; no
// ID stands in two rows. The IDs are compared as numbers: the reader asks
// this of every frame.
std::optional<size_t> FieldRowOf(std::string_view id, uint8_t major) {
    auto code = [](std::string_view text) {
        uint32_t value = 0;
        for (char c : text) {
            value = value << 8 | static_cast<uint8_t>(c);
        }
        return value;
    };
    struct Codes {
        std::array<uint32_t, kId3v2FieldCount> v2, v3, v4;
    };
    static const Codes codes = [&] {
        Codes all{};
        for (size_t field = 0; field < kId3v2FieldCount; ++field) {
            all.v2[field] = code(kFieldIds[field].v2);
            all.v3[field] = code(kFieldIds[field].v3);
            all.v4[field] = code(kFieldIds[field].v4);
        }
        return all;
    }();
    if (id.size() != (major == 2 ? 3u : 4u)) {
        return std::nullopt;
    }
    const uint32_t wanted = code(id);
    for (size_t field = 0; field < kId3v2FieldCount; ++field) {
        // The year may stand in either version's frame.
        if (major == 2 ? codes.v2[field] == wanted
                       : codes.v3[field] == wanted || codes.v4[field] == wanted) {
            return field;
        }
    }
    return std::nullopt;
}

}  // namespace

SongField Id3v2FrameField(Id3v2Field row) {
    return kFieldIds[static_cast<size_t>(row)].field;
}

std::optional<SongField> Id3v2FrameTotal(Id3v2Field row) {
    return kFieldIds[static_cast<size_t>(row)].total;
}

bool IsId3v2FieldTextId(std::string_view id) {
    return std::any_of(std::begin(kFieldIds), std::end(kFieldIds), [id](const FieldIds& ids) {
        return ids.body == Body::Text && (id == ids.v3 || id == ids.v4);
    });
}

std::string Id3v2UrlToLatin1(const std::string& url) {
    return UrlToLatin1(url);
}

std::optional<std::pair<std::string, size_t>> DecodeId3v2String(uint8_t encoding,
                                                                std::span<const uint8_t> bytes) {
    auto [length, withTerminator] = TerminatedLength(encoding, bytes);
    std::optional<std::string> text = DecodeString(encoding, bytes.first(length));
    if (!text) {
        return std::nullopt;
    }
    return std::pair{std::move(*text), withTerminator};
}

uint8_t ChooseId3v2Encoding(const std::string& text, uint8_t major) {
    return ChooseEncoding(text, major);
}

std::vector<uint8_t> EncodeId3v2String(uint8_t encoding, const std::string& text, bool terminate) {
    ByteWriter out;
    PutEncoded(out, encoding, text, terminate);
    return out.take();
}

std::vector<uint8_t> Id3v2Desynchronise(std::span<const uint8_t> bytes) {
    std::vector<uint8_t> out;
    out.reserve(bytes.size());
    for (size_t i = 0; i < bytes.size(); ++i) {
        out.push_back(bytes[i]);
        if (bytes[i] == 0xFF && i + 1 < bytes.size() && bytes[i + 1] == 0) {
            ++i;
        }
    }
    return out;
}

std::optional<std::string> DecodeId3v2Text(std::span<const uint8_t> content) {
    if (content.empty()) {
        return std::string();
    }
    return DecodeString(content[0], content.subspan(1));
}

std::optional<std::vector<std::string>> DecodeId3v2Values(std::span<const uint8_t> content) {
    std::vector<std::string> values;
    if (content.empty()) {
        return values;
    }
    uint8_t encoding = content[0];
    std::span<const uint8_t> rest = content.subspan(1);
    // Every turn takes at least one byte, so the walk ends.
    while (!rest.empty()) {
        auto [length, withTerminator] = TerminatedLength(encoding, rest);
        std::optional<std::string> value = DecodeString(encoding, rest.first(length));
        if (!value) {
            return std::nullopt;
        }
        if (!value->empty()) {
            values.push_back(std::move(*value));
        }
        rest = rest.subspan(std::max<size_t>(withTerminator, 1));
    }
    return values;
}

std::optional<Id3v2Tag> Id3v2Tag::Parse(std::span<const uint8_t> bytes) {
    if (bytes.size() < kHeaderSize || (bytes[0] & 0xDF) != 'I' || (bytes[1] & 0xDF) != 'D' ||
        bytes[2] != '3') {
        return std::nullopt;
    }
    ByteReader header(bytes.first(kHeaderSize));
    header.skip(3);
    Id3v2Tag tag;
    tag.major = header.u8();
    header.u8();  // revision
    uint8_t flags = header.u8();
    uint32_t size = header.synchsafe32();
    if (!header.ok()) {
        return std::nullopt;
    }
    if (tag.major < 2 || tag.major > 4 || (tag.major == 2 && (flags & kExtendedHeader))) {
        return tag;  // an unknown layout, or a compressed 2.2 tag nobody defined
    }
    tag.footer = tag.major == 4 && (flags & kFooter);
    std::span<const uint8_t> region =
        bytes.subspan(kHeaderSize, std::min<size_t>(size, bytes.size() - kHeaderSize));
    std::vector<uint8_t> desynchronised;
    if (tag.major < 4 && (flags & kUnsynchronised)) {
        desynchronised = Id3v2Desynchronise(region);
        region = desynchronised;
    }

    size_t pos = 0;
    if (tag.major >= 3 && (flags & kExtendedHeader)) {
        ByteReader extended(region);
        uint32_t extendedSize = tag.major == 3 ? extended.u32be() : extended.synchsafe32();
        if (!extended.ok()) {
            return tag;
        }
        // 2.3 counts the size field out, 2.4 counts it in.
        uint64_t skip = tag.major == 3 ? uint64_t{extendedSize} + 4 : extendedSize;
        if (skip > region.size()) {
            return tag;
        }
        pos = static_cast<size_t>(skip);
    }

    const size_t idLength = tag.major == 2 ? 3 : 4;
    const size_t frameHeader = tag.major == 2 ? 6 : 10;
    // Every frame takes at least a header, so the walk is bounded.
    while (pos + frameHeader <= region.size()) {
        if (!IsFrameIdAt(region, pos, idLength)) {
            break;  // padding, or bytes that are no frame
        }
        ByteReader reader(region.subspan(pos, frameHeader));
        Id3v2Frame frame;
        frame.id = reader.string(idLength);
        uint32_t frameSize = 0;
        if (tag.major == 2) {
            frameSize = reader.u24be();
        } else {
            uint32_t raw = reader.u32be();
            frameSize = tag.major == 3 ? raw : V24FrameSize(region, pos + frameHeader, raw);
            frame.flags = reader.u16be();
        }
        size_t dataPos = pos + frameHeader;
        if (frameSize > region.size() - dataPos) {
            break;  // runs past the tag: keep what was read before
        }
        if (tag.major == 4 && (flags & kUnsynchronised)) {
            // The header flag means every frame is unsynchronised; saying so
            // in the frame keeps it valid wherever it is carried.
            frame.flags |= kV4Unsynchronised;
        }
        frame.data.assign(region.begin() + dataPos, region.begin() + dataPos + frameSize);
        if (frameSize > 0) {
            tag.frames.push_back(std::move(frame));
        }
        pos = dataPos + frameSize;
    }
    if (pos < region.size() && region[pos] == 0) {
        tag.padding = region.size() - pos;
    }
    return tag;
}

std::optional<Id3v2Tag> Id3v2Tag::ReadWithoutPictures(ReadExactFn read, uint64_t length) {
    BlockSource source(std::move(read), length);
    std::vector<uint8_t> header = source.copy(0, kHeaderSize);
    if (header.empty()) {
        return std::nullopt;
    }
    ByteReader reader(header);
    reader.skip(3);
    uint8_t major = reader.u8();
    reader.u8();  // revision
    uint8_t flags = reader.u8();
    uint32_t size = reader.synchsafe32();
    uint64_t end = std::min<uint64_t>(kHeaderSize + uint64_t{size}, length);
    bool framesInPlace = reader.ok() && major >= 2 && major <= 4 &&
                         !(major < 4 && (flags & kUnsynchronised)) &&
                         !(major == 2 && (flags & kExtendedHeader));
    if (!framesInPlace) {
        // Frames of an unsynchronised tag lie where only decoding the whole
        // tag finds them; such tags are rare and read whole.
        std::span<const uint8_t> whole = source.get(0, static_cast<size_t>(end));
        return whole.empty() ? Parse(header) : Parse(whole);
    }

    uint64_t pos = kHeaderSize;
    if (major >= 3 && (flags & kExtendedHeader)) {
        ByteReader extended(source.get(pos, 4));
        uint32_t extendedSize = major == 3 ? extended.u32be() : extended.synchsafe32();
        uint64_t skip = major == 3 ? uint64_t{extendedSize} + 4 : extendedSize;
        if (!extended.ok() || skip > end - pos) {
            return Parse(header);
        }
        pos += skip;
    }
    // The frames that are kept, laid out as a tag of their own without the
    // extended header.
    ByteWriter out;
    out.bytes(std::span<const uint8_t>(header).first(5));
    out.u8(flags & ~kExtendedHeader);
    out.u32be(0);  // the size, once known

    const size_t idLength = major == 2 ? 3 : 4;
    const size_t frameHeader = major == 2 ? 6 : 10;
    auto plausibleEnd = [&](uint64_t at) {
        if (at == end) {
            return true;
        }
        std::span<const uint8_t> next = source.get(at, std::min<uint64_t>(4, end - at));
        return !next.empty() && (next[0] == 0 || (next.size() == 4 && IsFrameIdAt(next, 0, 4)));
    };
    // Every frame takes at least a header, so the walk is bounded.
    while (pos + frameHeader <= end) {
        // Held apart from the source's block, which the reads below replace.
        std::array<uint8_t, 10> headBytes{};
        std::span<const uint8_t> got = source.get(pos, frameHeader);
        if (got.size() != frameHeader || !IsFrameIdAt(got, 0, idLength)) {
            break;
        }
        std::copy(got.begin(), got.end(), headBytes.begin());
        std::span<const uint8_t> head = std::span<const uint8_t>(headBytes).first(frameHeader);
        ByteReader frame(head);
        std::string id = frame.string(idLength);
        uint64_t dataPos = pos + frameHeader;
        uint32_t frameSize = 0;
        if (major == 2) {
            frameSize = frame.u24be();
        } else {
            uint32_t raw = frame.u32be();
            frameSize = major == 3 ? raw : V24FrameSize(end, dataPos, raw, plausibleEnd);
        }
        if (frameSize > end - dataPos) {
            break;
        }
        pos = dataPos + frameSize;
        if (IsId3v2PictureFrame(id, major)) {
            continue;
        }
        std::span<const uint8_t> data = source.get(dataPos, frameSize);
        if (data.size() != frameSize) {
            break;
        }
        out.text(id);
        if (major == 2) {
            out.u24be(frameSize);
        } else {
            // A 2.4 size as the walk understood it, so that the walk over
            // the kept frames needs no guess.
            if (major == 4) {
                out.synchsafe32(frameSize);
            } else {
                out.u32be(frameSize);
            }
            out.bytes(head.subspan(8, 2));
        }
        out.bytes(data);
    }
    std::vector<uint8_t> kept = out.take();
    uint64_t keptSize = kept.size() - kHeaderSize;
    if (keptSize > kMaxTagSize) {
        return std::nullopt;
    }
    ByteWriter sizeField;
    sizeField.synchsafe32(static_cast<uint32_t>(keptSize));
    std::copy(sizeField.buffer().begin(), sizeField.buffer().end(), kept.begin() + 6);
    return Parse(kept);
}

std::optional<std::vector<uint8_t>> Id3v2Tag::Content(const Id3v2Frame& frame) const {
    std::vector<uint8_t> storage;
    std::optional<std::span<const uint8_t>> view = ContentView(frame, storage);
    if (!view) {
        return std::nullopt;
    }
    if (view->data() == storage.data() && view->size() == storage.size()) {
        return storage;
    }
    return std::vector<uint8_t>(view->begin(), view->end());
}

std::optional<std::span<const uint8_t>> Id3v2Tag::ContentView(const Id3v2Frame& frame,
                                                              std::vector<uint8_t>& storage) const {
    if (!HasContent(frame)) {
        return std::nullopt;
    }
    size_t skip = 0;
    bool unsynchronised = false;
    if (major == 3) {
        skip = (frame.flags & kV3Grouped) ? 1 : 0;
    } else if (major == 4) {
        skip = ((frame.flags & kV4Grouped) ? 1 : 0) + ((frame.flags & kV4DataLength) ? 4 : 0);
        unsynchronised = frame.flags & kV4Unsynchronised;
    }
    std::span<const uint8_t> data = std::span<const uint8_t>(frame.data).subspan(skip);
    if (unsynchronised) {
        storage = Id3v2Desynchronise(data);
        return std::span<const uint8_t>(storage);
    }
    return data;
}

bool Id3v2Tag::HasContent(const Id3v2Frame& frame) const {
    if (major == 3) {
        return !(frame.flags & (kV3Compressed | kV3Encrypted)) &&
               frame.data.size() >= ((frame.flags & kV3Grouped) ? 1u : 0u);
    }
    if (major == 4) {
        size_t skip =
            ((frame.flags & kV4Grouped) ? 1 : 0) + ((frame.flags & kV4DataLength) ? 4 : 0);
        return !(frame.flags & (kV4Compressed | kV4Encrypted)) && frame.data.size() >= skip;
    }
    return true;
}

std::array<std::optional<size_t>, kId3v2FieldCount> Id3v2Tag::FieldFrames() const {
    std::array<std::optional<size_t>, kId3v2FieldCount> found;
    // Whether the frame found for a described field has an empty
    // description.
    std::array<bool, kId3v2FieldCount> finalFound{};
    // The year's own frame for the version goes before the other's.
    std::optional<size_t> otherYear;
    std::string_view ownYear = major >= 4 ? kFieldIds[kYear].v4 : kFieldIds[kYear].v3;
    for (size_t index = 0; index < frames.size(); ++index) {
        const Id3v2Frame& frame = frames[index];
        if (std::optional<size_t> row = FieldRowOf(frame.id, major)) {
            const size_t field = *row;
            Body body = kFieldIds[field].body;
            if (body == Body::Text) {
                if (found[field] || !HasContent(frame)) {
                    continue;
                }
                if (field == kYear && major > 2 && frame.id != ownYear) {
                    otherYear = otherYear ? otherYear : std::optional<size_t>(index);
                } else {
                    found[field] = index;
                }
                continue;
            }
            // Only the description decides; the value is decoded by the
            // reader of the frame found.
            std::vector<uint8_t> storage;
            std::optional<std::span<const uint8_t>> content = ContentView(frame, storage);
            std::optional<DescribedHead> described =
                content ? DecodeDescribedHead(*content, body) : std::nullopt;
            if (!described) {
                continue;
            }
            // An earlier frame with an empty description is final; one with a
            // description holds only until such a frame turns up.
            if (!found[field] || (!finalFound[field] && described->description.empty())) {
                found[field] = index;
                finalFound[field] = described->description.empty();
            }
        }
    }
    if (!found[kYear]) {
        found[kYear] = otherYear;
    }
    return found;
}

Id3v2FieldValues Id3v2Tag::ReadFields(FrameIndexes* frameIndexes) const {
    Id3v2FieldValues values;
    FrameIndexes found = FieldFrames();
    if (frameIndexes) {
        *frameIndexes = found;
    }
    for (size_t field = 0; field < kId3v2FieldCount; ++field) {
        if (!found[field]) {
            continue;
        }
        std::vector<uint8_t> storage;
        std::optional<std::span<const uint8_t>> content =
            ContentView(frames[*found[field]], storage);
        if (!content) {
            continue;
        }
        Body body = kFieldIds[field].body;
        if (body == Body::Text) {
            values[field] =
                JoinValues(DecodeId3v2Values(*content).value_or(std::vector<std::string>{}));
        } else if (std::optional<Described> described = DecodeDescribed(*content, body)) {
            values[field] = std::move(described->text);
        }
    }
    return values;
}

Id3v2Tag Id3v2Tag::Rebuild(const Id3v2Tag* old, const Id3v2FieldValues& values,
                           const KeepMask& keep) {
    Id3v2Tag tag;
    tag.major = old && old->major == 4 ? 4 : 3;
    tag.footer = old && old->major == 4 && old->footer;
    std::array<std::optional<size_t>, kId3v2FieldCount> found;
    if (old) {
        found = old->FieldFrames();
    }
    for (size_t field = 0; field < kId3v2FieldCount; ++field) {
        if (keep[field] && found[field]) {
            const Id3v2Frame& frame = old->frames[*found[field]];
            std::optional<Id3v2Frame> kept =
                old->major == 2 ? UpgradeV22Frame(frame) : std::optional<Id3v2Frame>(frame);
            if (kept) {
                tag.frames.push_back(std::move(*kept));
                continue;
            }
        }
        if (!values[field].empty()) {
            tag.frames.push_back(MakeFieldFrame(field, values[field], tag.major));
        }
    }
    if (!old) {
        return tag;
    }
    // The frames the fields came from are replaced. A text field's frame may
    // stand only once in a tag, so stray copies of it go as well.
    std::vector<bool> replaced(old->frames.size(), false);
    for (size_t field = 0; field < kId3v2FieldCount; ++field) {
        if (!found[field]) {
            continue;
        }
        replaced[*found[field]] = true;
        if (kFieldIds[field].body == Body::Text) {
            const std::string& id = old->frames[*found[field]].id;
            for (size_t index = 0; index < old->frames.size(); ++index) {
                replaced[index] = replaced[index] || old->frames[index].id == id;
            }
        }
    }
    for (size_t index = 0; index < old->frames.size(); ++index) {
        if (replaced[index]) {
            continue;
        }
        const Id3v2Frame& frame = old->frames[index];
        if (old->major != 2) {
            tag.frames.push_back(frame);
        } else if (std::optional<Id3v2Frame> upgraded = UpgradeV22Frame(frame)) {
            tag.frames.push_back(std::move(*upgraded));
        }
    }
    return tag;
}

uint64_t Id3v2Tag::FramesSize() const {
    uint64_t size = 0;
    for (const Id3v2Frame& frame : frames) {
        size += kFrameHeaderSize + frame.data.size();
    }
    return size;
}

uint64_t Id3v2Tag::UnpaddedLength() const {
    return kHeaderSize + FramesSize() + (footer && major == 4 ? kFooterSize : 0);
}

std::optional<std::vector<uint8_t>> Id3v2Tag::Serialize(size_t padding) const {
    if (major != 3 && major != 4) {
        return std::nullopt;
    }
    bool withFooter = footer && major == 4;
    if (withFooter) {
        padding = 0;
    }
    uint64_t size = FramesSize() + padding;
    if (size > kMaxTagSize) {
        return std::nullopt;
    }
    ByteWriter out;
    out.reserve(static_cast<size_t>(size) + kHeaderSize + (withFooter ? kFooterSize : 0));
    auto putHeader = [&](std::string_view id) {
        out.text(id);
        out.u8(major);
        out.u8(0);
        out.u8(withFooter ? kFooter : 0);
        out.synchsafe32(static_cast<uint32_t>(size));
    };
    putHeader("ID3");
    for (const Id3v2Frame& frame : frames) {
        if (frame.id.size() != 4) {
            return std::nullopt;
        }
        out.text(frame.id);
        uint32_t frameSize = static_cast<uint32_t>(frame.data.size());
        if (major == 4) {
            out.synchsafe32(frameSize);
        } else {
            out.u32be(frameSize);
        }
        out.u16be(frame.flags);
        out.bytes(frame.data);
    }
    out.zeros(padding);
    if (withFooter) {
        putHeader("3DI");
    }
    return out.take();
}

}  // namespace songcore
