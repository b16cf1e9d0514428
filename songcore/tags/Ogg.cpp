// Vorbis comments of Ogg Vorbis files, and the comment lists that the FLAC
// reader and writer share with them.
#include <algorithm>
#include <cstring>
#include <string_view>

#include "songcore/tags/OggPage.h"
#include "songcore/tags/OggVorbisHeaders.h"
#include "songcore/tags/SongFileInfo.h"
#include "songcore/tags/StreamProperties.h"
#include "songcore/tags/VorbisComments.h"
#include "songcore/util/ByteReader.h"
#include "songcore/tags/ContentWriter.h"
#include "songcore/tags/FieldText.h"
#include "songcore/util/Text.h"

using songcore::OggPage;
using songcore::OggVorbisHeaders;
using songcore::VorbisComments;

namespace {

constexpr const char* kDefaultOggVendor = "Xiph.Org libVorbis I 20020717";

// The order in which the writer stores the fields.
constexpr std::string_view kOggKeyOrder[] = {
    "TITLE",     "ARTIST",    "ALBUM",        "TRACKNUMBER", "DATE",     "COMMENT", "GENRE",
    "COPYRIGHT", "PERFORMER", "ORGANIZATION", "LICENSE",     "LOCATION", "CONTACT", "LYRICS"};

// The keys the Ogg and FLAC writers own; DESCRIPTION too, as the reader folds
// it into the comment that the writers store under COMMENT.
constexpr std::string_view kOwnedKeys[] = {"TITLE",     "ARTIST",       "ALBUM",      "TRACKNUMBER",
                                           "DATE",      "COMMENT",      "GENRE",      "COPYRIGHT",
                                           "PERFORMER", "ORGANIZATION", "LICENSE",    "LOCATION",
                                           "CONTACT",   "LYRICS",       "DESCRIPTION"};

songcore::ReadExactFn Reader(CSongFile& file) {
    return [&file](uint64_t offset, size_t count, std::vector<uint8_t>& out) {
        return file.ReadExact(offset, count, out);
    };
}

}  // namespace

int CSongFileInfo::ReadOggCommentItem(const uint8_t* data, size_t size) {
    VorbisComments comments;
    bool complete = VorbisComments::Parse(std::span<const uint8_t>(data, size), comments);
    vendor_ = comments.vendor;
    for (const std::string& item : comments.items) {
        size_t equals = item.find('=');
        if (equals == std::string::npos) {
            continue;
        }
        std::string key = songcore::ToUpperAscii(std::string_view(item).substr(0, equals));
        std::string value = item.substr(equals + 1);
        if (key == "TITLE") {
            title_ = value;
        } else if (key == "VERSION") {
            version_ = value;
        } else if (key == "ALBUM") {
            album_ = value;
        } else if (key == "TRACKNUMBER") {
            trackNum_ = songcore::ParseTrackNumber(value);
        } else if (key == "ARTIST") {
            artist_ = value;
        } else if (key == "PERFORMER") {
            performer_ = value;
        } else if (key == "COPYRIGHT") {
            copyright_ = value;
        } else if (key == "LICENSE") {
            license_ = value;
        } else if (key == "ORGANIZATION") {
            organization_ = value;
        } else if (key == "DESCRIPTION" || key == "COMMENT") {
            comment_ = value;
        } else if (key == "GENRE") {
            SetGenre(value.c_str());
        } else if (key == "DATE") {
            year_ = value;
        } else if (key == "LOCATION") {
            location_ = value;
        } else if (key == "CONTACT") {
            contact_ = value;
        } else if (key == "LYRICS") {
            lyrics_ = value;
        }
    }
    return complete ? 1 : 0;
}

VorbisComments CSongFileInfo::BuildVorbisComments(std::string vendor,
                                                  std::span<const std::string_view> keys,
                                                  const std::vector<std::string>& oldItems) const {
    const std::pair<std::string_view, std::string> fields[] = {
        {"TITLE", title_},
        {"ARTIST", artist_},
        {"ALBUM", album_},
        {"TRACKNUMBER", std::to_string(trackNum_)},
        {"DATE", year_},
        {"COMMENT", comment_},
        {"GENRE", GetGenreString()},
        {"COPYRIGHT", copyright_},
        {"PERFORMER", performer_},
        {"ORGANIZATION", organization_},
        {"LICENSE", license_},
        {"LOCATION", location_},
        {"CONTACT", contact_},
        {"LYRICS", lyrics_},
    };
    std::vector<std::string> items;
    for (std::string_view key : keys) {
        for (const auto& [name, value] : fields) {
            if (name == key && !value.empty()) {
                items.push_back(std::string(key) + "=" + value);
            }
        }
    }
    VorbisComments comments;
    comments.vendor = std::move(vendor);
    comments.items = songcore::MergeCommentItems(std::move(items), oldItems, kOwnedKeys);
    return comments;
}

unsigned long CSongFileInfo::CalcNewOggCommentItemTotalSize(
    unsigned long* count, const std::vector<std::string>& oldItems) {
    if (vendor_.empty()) {
        vendor_ = kDefaultOggVendor;
    }
    VorbisComments comments = BuildVorbisComments(vendor_, kOggKeyOrder, oldItems);
    if (count) {
        *count = static_cast<unsigned long>(comments.items.size());
    }
    return static_cast<unsigned long>(comments.SerializedSize() + 1);  // and the framing byte
}

int CSongFileInfo::GetOGGInfo() {
    Init();
    oggHeader_.fill(0);
    vorbisId_.fill(0);
    std::optional<OggVorbisHeaders> headers = songcore::ReadOggVorbisHeaders(Reader(*this), false);
    std::vector<uint8_t> firstHeader;
    if (!headers || !ReadExact(0, oggHeader_.size(), firstHeader)) {
        return 0;
    }
    std::copy(firstHeader.begin(), firstHeader.end(), oggHeader_.begin());
    std::copy_n(headers->identification.begin() + songcore::kVorbisCommonHeaderSize,
                vorbisId_.size(), vorbisId_.begin());
    const std::vector<uint8_t>& comment = headers->comment;
    if (!ReadOggCommentItem(comment.data() + songcore::kVorbisCommonHeaderSize,
                            comment.size() - songcore::kVorbisCommonHeaderSize)) {
        return 0;
    }
    tagKind_ = TAG_OGG;
    return 1;
}

bool CSongFileInfo::CopyOggPagesRenumbered(songcore::ContentWriter& out, uint64_t offset,
                                           uint64_t end, uint32_t serial, uint32_t delta) {
    if (delta == 0) {
        return CopyRange(out, offset, end - offset);
    }
    songcore::ReadExactFn read = Reader(*this);
    while (offset < end) {
        std::optional<OggPage> page = songcore::ReadOggPage(read, offset);
        if (!page) {
            // Not a page (damage, or junk after the stream): keep it as it is.
            return CopyRange(out, offset, end - offset);
        }
        uint64_t size = page->size();
        std::vector<uint8_t> bytes = page->Serialize();  // the checksum it should have
        bool intact = songcore::ByteReader(bytes.data() + 22, 4).u32le() == page->checksum;
        if (!intact || page->serial != serial) {
            // A damaged page keeps its wrong checksum, so that players still
            // skip it; pages of another stream are not ours to renumber.
            if (!CopyRange(out, offset, size)) {
                return false;
            }
        } else {
            page->sequence += delta;
            if (!out.append(page->Serialize())) {
                return false;
            }
        }
        offset += size;
        if (page->serial == serial && (page->flags & OggPage::kLast)) {
            return CopyRange(out, offset, end - offset);
        }
    }
    return true;
}

int CSongFileInfo::WriteOGGInfo() {
    std::string why;
    std::optional<OggVorbisHeaders> headers =
        songcore::ReadOggVorbisHeaders(Reader(*this), true, &why);
    if (!headers) {
        return Refuse(why);
    }
    const std::vector<uint8_t>& oldPacket = headers->comment;
    VorbisComments old;
    if (!VorbisComments::Parse(
            std::span<const uint8_t>(oldPacket).subspan(songcore::kVorbisCommonHeaderSize), old)) {
        return Refuse("the comment list of the Vorbis comment header is damaged");
    }
    unsigned long count = 0;
    uint64_t size = CalcNewOggCommentItemTotalSize(&count, old.items);
    VorbisComments comments = BuildVorbisComments(vendor_, kOggKeyOrder, old.items);
    if (!comments.Fits() ||
        size + songcore::kVorbisCommonHeaderSize > songcore::kMaxOggHeaderPacket) {
        return Refuse("the comments are larger than a Vorbis comment header can hold (128 MiB)");
    }
    std::vector<uint8_t> packet = songcore::BuildVorbisCommentPacket(comments);
    uint64_t length = GetLength();
    if (length == kBadLength) {
        return 0;
    }
    std::optional<OggPage> second = songcore::RewriteSecondPage(*headers, packet);
    return ReplaceContents([&](songcore::ContentWriter& out) {
        if (!CopyRange(out, 0, headers->first.size())) {
            return false;
        }
        if (second) {
            uint64_t after = headers->pageOffsets.front() + headers->pages.front().size();
            return out.append(second->Serialize()) && CopyRange(out, after, length - after);
        }
        std::vector<OggPage> pages = songcore::PaginateHeaders(*headers, packet);
        for (const OggPage& page : pages) {
            if (!out.append(page.Serialize())) {
                return false;
            }
        }
        uint32_t delta = static_cast<uint32_t>(pages.size() - headers->pages.size());
        return CopyOggPagesRenumbered(out, headers->nextOffset, length, headers->first.serial,
                                      delta);
    });
}

namespace {

// The granule position of the stream's last page, found near the end of the
// file, or nothing.
std::optional<uint64_t> LastGranule(CSongFile& file, uint32_t serial) {
    uint64_t length = file.GetLength();
    if (length == CSongFile::kBadLength) {
        return std::nullopt;
    }
    // A page is at most 27 + 255 + 255 * 255 bytes long.
    uint64_t window = std::min<uint64_t>(length, OggPage::kHeaderSize + 255 + 255 * 255);
    std::vector<uint8_t> tail;
    if (!file.ReadExact(length - window, static_cast<size_t>(window), tail)) {
        return std::nullopt;
    }
    for (size_t at = tail.size() >= OggPage::kHeaderSize ? tail.size() - OggPage::kHeaderSize + 1
                                                         : 0;
         at-- > 0;) {
        if (std::memcmp(tail.data() + at, "OggS", 4) != 0) {
            continue;
        }
        OggPage page;
        if (OggPage::ParseHeader(std::span<const uint8_t>(tail).subspan(at), page) &&
            page.serial == serial && page.granule != OggPage::kNoGranule) {
            return page.granule;
        }
    }
    return std::nullopt;
}

}  // namespace

void songcore::AddOggStreamProperties(CSongFileInfo& song, StreamProperties& out) {
    const CSongFileInfo::OggHeaderArea& header = song.GetOggHeaderArea();
    const CSongFileInfo::VorbisIdArea& id = song.GetVorbisIdArea();
    ByteReader pageReader(header.data(), header.size());
    ByteReader idReader(id.data(), id.size());
    std::string capture = pageReader.fourcc();
    pageReader.skip(10);
    uint32_t serial = pageReader.u32le();
    uint32_t version = idReader.u32le();
    uint8_t channels = idReader.u8();
    uint32_t sampleRate = idReader.u32le();
    idReader.skip(4);
    int32_t nominal = static_cast<int32_t>(idReader.u32le());
    if (!EqualsIgnoreCaseAscii(capture, "OggS") || sampleRate == 0) {
        return;  // nothing was read
    }
    out.add("serial", static_cast<int64_t>(static_cast<int32_t>(serial)));
    out.add("version", static_cast<int64_t>(version));
    out.add("channels", static_cast<int64_t>(channels));
    out.add("sample_rate", static_cast<int64_t>(sampleRate));
    // Encoders leave the nominal rate 0 or -1 when they do not set one.
    if (nominal > 0) {
        out.add("bitrate_kbps", static_cast<int64_t>(nominal / 1000));
    }
    if (!song.GetVendor().empty()) {
        out.add("vendor", song.GetVendor());
    }
    if (std::optional<uint64_t> granule = LastGranule(song, serial)) {
        out.add("length_seconds", static_cast<double>(*granule) / sampleRate);
    }
}
