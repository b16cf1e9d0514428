// Vorbis comments of Ogg Vorbis, Opus and FLAC streams.
#include <algorithm>
#include <cstring>
#include <numeric>
#include <string_view>
#include <variant>

#include "songcore/songfile/ContentWriter.h"
#include "songcore/songfile/SongFileReader.h"
#include "songcore/tags/FieldText.h"
#include "songcore/tags/MoveAlignment.h"
#include "songcore/tags/SongFileInfo.h"
#include "songcore/tags/StreamProperties.h"
#include "songcore/tags/ogg/OggHeaders.h"
#include "songcore/tags/ogg/OggPage.h"
#include "songcore/tags/ogg/OggTagHeaders.h"
#include "songcore/tags/ogg/VorbisComments.h"
#include "songcore/util/BlockSource.h"
#include "songcore/util/ByteReader.h"
#include "songcore/util/Text.h"

using songcore::OggHeaders;
using songcore::OggPage;
using songcore::VorbisComments;

namespace {

constexpr const char* kDefaultOggVendor = "Xiph.Org libVorbis I 20020717";

// Room left after a comment header that had room before and had to grow.
constexpr size_t kGrowthPadding = 1024;
// A header whose items shrink by more than this is written compactly: zero
// bytes that large would only waste space.
constexpr size_t kMaxFreedRoom = 64 * 1024;

// The order in which the writer adds fields that had no item.
constexpr std::string_view kOggKeyOrder[] = {
    "TITLE",      "ARTIST",       "ALBUMARTIST", "ALBUM",    "TRACKNUMBER", "TRACKTOTAL",
    "DISCNUMBER", "DISCTOTAL",    "DATE",        "COMMENT",  "GENRE",       "COPYRIGHT",
    "PERFORMER",  "ORGANIZATION", "LICENSE",     "LOCATION", "CONTACT",     "LYRICS"};

// The second page for a comment packet that takes zero bytes after its list,
// padded so that the page grows by a whole number of blocks, the largest
// that one page can take: the `moved` bytes after it then move in a copy
// that takes a half to two thirds of the time. page is the unpadded one.
OggPage AlignSecondPage(const OggHeaders& headers, const std::vector<uint8_t>& packet, OggPage page,
                        uint64_t moved) {
    const uint64_t oldSize = headers.pages.front().size();
    if (page.size() <= oldSize) {
        return page;
    }
    const uint64_t shift = page.size() - oldSize;
    for (uint64_t block = songcore::kAlignedMoveBlock; block >= songcore::kSmallestAlignedMoveBlock;
         block /= 2) {
        const uint64_t target = shift + songcore::PaddingForAlignedMove(shift, moved, 0, block);
        if (target == shift) {
            return page;  // aligned already, or too little to move
        }
        // Each 255 bytes of padding also take a lacing value, so the padding
        // is found by stepping back from the gap until the page fits it.
        std::vector<uint8_t> longer = packet;
        uint64_t padding = target - shift;
        for (int step = 0; step < 4 && padding > 0; ++step) {
            longer.resize(packet.size() + padding, 0);
            std::optional<OggPage> candidate = songcore::RewriteSecondPage(headers, longer);
            if (!candidate) {
                break;  // more than one page holds
            }
            const uint64_t grown = candidate->size() - oldSize;
            if (grown == target) {
                return *candidate;
            }
            // A step over a lacing boundary can skip the target by one.
            padding = grown > target ? padding - std::min(padding, grown - target) : padding + 1;
        }
    }
    return page;
}

}  // namespace

unsigned long CSongFileInfo::CalcNewOggCommentItemTotalSize(
    unsigned long* count, const std::vector<std::string>& oldItems) {
    // Opus and FLAC encoders name themselves; a Vorbis library name would
    // only mislead there, so their vendor stays as the file had it.
    bool vorbis = oggCodec_ == songcore::OggCodec::kVorbis;
    if (GetVendor().empty() && vorbis) {
        SetVendor(kDefaultOggVendor);
    }
    VorbisComments comments = BuildVorbisComments(GetVendor(), kOggKeyOrder, oldItems);
    if (count) {
        *count = static_cast<unsigned long>(comments.items.size());
    }
    return static_cast<unsigned long>(comments.SerializedSize() + (vorbis ? 1 : 0));
}

int CSongFileInfo::GetOGGInfo() {
    Init();
    oggHeader_.fill(0);
    vorbisId_.fill(0);
    opusHead_.fill(0);
    oggCodec_ = songcore::OggCodec::kNone;
    // The buffered read of the start comes first: the walk's small reads
    // that fall there are then served from the buffer.
    std::vector<uint8_t> firstHeader;
    if (!ReadExact(0, oggHeader_.size(), firstHeader)) {
        return 0;
    }
    // Pictures in the comment list (megabytes of base64) are read past, not
    // read: only the writer and the picture reader take the whole packet.
    std::optional<songcore::OggTagHeaders> headers =
        songcore::ReadOggTagHeaders(songcore::SongFileReaderWithoutReadAhead(*this));
    if (!headers) {
        return 0;
    }
    const std::vector<uint8_t>& id = headers->first.body;
    switch (headers->codec) {
        case songcore::OggCodec::kVorbis:
            std::copy_n(id.begin() + songcore::kVorbisCommonHeaderSize, vorbisId_.size(),
                        vorbisId_.begin());
            break;
        case songcore::OggCodec::kOpus:
            std::copy_n(id.begin(), opusHead_.size(), opusHead_.begin());
            break;
        case songcore::OggCodec::kFlac:
            // The STREAMINFO block follows the mapping header and its own
            // block header.
            std::copy_n(id.begin() + 17, flacStreamInfo_.size(), flacStreamInfo_.begin());
            break;
        case songcore::OggCodec::kNone:
            return 0;
    }
    // In a multiplexed file the stream's first page comes after others'.
    if (headers->firstOffset != 0 &&
        !ReadExact(headers->firstOffset, oggHeader_.size(), firstHeader)) {
        return 0;
    }
    std::copy(firstHeader.begin(), firstHeader.end(), oggHeader_.begin());
    // The stream is known from here on, even when its comment list is damaged.
    oggCodec_ = headers->codec;
    if (!ReadOggCommentItem(headers->list, headers->listSize)) {
        // A page the walk stepped over was not where the pages around it
        // foretold (its bytes are checked as they are read): the packet is
        // walked again page by page.
        std::optional<OggHeaders> whole =
            songcore::ReadOggHeaders(songcore::SongFileReader(*this), false);
        std::optional<std::span<const uint8_t>> list =
            whole ? songcore::OggCommentList(whole->codec, whole->comment) : std::nullopt;
        if (!list || !ReadOggCommentItem(list->data(), list->size())) {
            return 0;
        }
    }
    tagKind_ = TAG_OGG;
    return 1;
}

bool CSongFileInfo::CopyOggPagesRenumbered(songcore::ContentWriter& out, uint64_t offset,
                                           uint64_t end, uint32_t serial, uint32_t delta) {
    if (delta == 0) {
        return CopyRange(out, offset, end - offset);
    }
    if (!out.restMoves()) {
        return false;
    }
    // The audio goes through in large pieces; in each, a page of the stream
    // gets its new number and the checksum that goes with it, worked out
    // from the old one without a pass over the page.
    constexpr size_t kPiece = 1 << 20;  // more than the largest page
    std::vector<uint8_t> piece;
    while (offset < end) {
        if (!ReadExact(offset, static_cast<size_t>(std::min<uint64_t>(kPiece, end - offset)),
                       piece)) {
            return false;
        }
        size_t at = 0;
        bool streamEnds = false;
        while (!streamEnds && piece.size() - at >= OggPage::kHeaderSize) {
            OggPage page;
            std::span<uint8_t> rest = std::span(piece).subspan(at);
            std::optional<size_t> segments = OggPage::ParseHeader(rest, page);
            if (!segments || rest.size() < OggPage::kHeaderSize + *segments) {
                break;
            }
            auto lacing = rest.subspan(OggPage::kHeaderSize, *segments);
            size_t size =
                std::accumulate(lacing.begin(), lacing.end(), OggPage::kHeaderSize + *segments);
            if (size > rest.size()) {
                break;
            }
            // Pages of another stream are not ours to renumber.
            if (page.serial == serial) {
                uint32_t sequence = page.sequence + delta;
                uint32_t checksum =
                    songcore::OggCrcRenumbered(page.checksum, page.sequence, sequence, size);
                for (size_t i = 0; i < 4; ++i) {
                    rest[18 + i] = static_cast<uint8_t>(sequence >> (8 * i));
                    rest[22 + i] = static_cast<uint8_t>(checksum >> (8 * i));
                }
                streamEnds = (page.flags & OggPage::kLast) != 0;
            }
            at += size;
        }
        if (at == 0) {
            // Not a whole page (damage, or junk after the stream): kept as
            // it is.
            return CopyRange(out, offset, end - offset);
        }
        if (!out.append(std::span(piece).first(at))) {
            return false;
        }
        offset += at;
        if (streamEnds) {
            return CopyRange(out, offset, end - offset);
        }
    }
    return true;
}

int CSongFileInfo::WriteOGGInfo() {
    const uint64_t length = GetLength();
    if (length == kBadLength) {
        return 0;
    }
    // The header pages are read a window at a time, not with a read or
    // three for each page; the window is the only copy kept.
    songcore::BlockSource blocks(songcore::SongFileReaderWithoutReadAhead(*this), length);
    std::string why;
    std::optional<OggHeaders> headers = songcore::ReadOggHeaders(blocks.reader(), true, &why);
    if (!headers) {
        return Refuse(why);
    }
    const songcore::OggCodec codec = headers->codec;
    oggCodec_ = codec;
    const std::vector<uint8_t>& oldPacket = headers->comment;
    std::optional<std::span<const uint8_t>> oldList = songcore::OggCommentList(codec, oldPacket);
    VorbisComments old;
    size_t oldListSize = 0;
    if (!oldList || !VorbisComments::Parse(*oldList, old, &oldListSize)) {
        return Refuse("the comment list of the comment header is damaged");
    }
    unsigned long count = 0;
    CalcNewOggCommentItemTotalSize(&count, old.items);  // settles the vendor
    VorbisComments comments = BuildVorbisComments(GetVendor(), kOggKeyOrder, old.items);
    if (std::string why = ApplyVorbisItemEdits(comments.items); !why.empty()) {
        return Refuse(std::move(why));
    }
    if (pendingPictures_) {
        std::erase_if(comments.items, songcore::IsPictureComment);
        for (const songcore::Picture& picture : *pendingPictures_) {
            comments.items.push_back(songcore::PictureComment(picture));
        }
    }
    uint64_t size = comments.SerializedSize() + (codec == songcore::OggCodec::kVorbis ? 1 : 0);
    if (!comments.Fits() ||
        size + songcore::OggCommentPrefixSize(codec) > songcore::kMaxOggHeaderPacket) {
        return Refuse("the comments are larger than an Ogg comment header can hold (128 MiB)");
    }
    std::vector<uint8_t> packet = songcore::BuildOggCommentPacket(codec, comments, oldPacket);
    if (packet.empty()) {
        return Refuse("the comments are larger than a FLAC comment block can hold (16 MiB)");
    }
    if (packet.size() > songcore::kMaxOggHeaderPacket) {
        return Refuse("the comments are larger than an Ogg comment header can hold (128 MiB)");
    }
    size_t oldUsed = songcore::OggCommentUsedSize(codec, oldPacket, oldListSize);
    const bool padded = songcore::OggCommentTakesPadding(codec, oldPacket, oldListSize);
    if (packet.size() == oldPacket.size() ||
        (padded && packet.size() < oldPacket.size() && oldUsed <= packet.size() + kMaxFreedRoom)) {
        // Zero bytes after the list keep the packet's length, so the header
        // pages keep their sizes and the audio stays where it is.
        packet.resize(oldPacket.size(), 0);
        std::optional<std::vector<songcore::RefilledPage>> pages =
            songcore::RefillCommentPages(*headers, packet);
        if (!pages) {
            return Refuse("the comment header pages could not be rebuilt");
        }
        // Each changed page is written at its own place; the pages between
        // them (other streams' among them) stay as they are.
        return ReplaceContents([&](songcore::ContentWriter& out) {
            uint64_t at = 0;
            for (const songcore::RefilledPage& refilled : *pages) {
                uint64_t offset = headers->pageOffsets[refilled.index];
                if (!CopyRange(out, at, offset - at) || !out.append(refilled.page.Serialize())) {
                    return false;
                }
                at = offset + refilled.page.size();
            }
            return CopyRange(out, at, length - at);
        });
    }
    if (padded && oldPacket.size() > oldUsed &&
        packet.size() + kGrowthPadding <= songcore::kMaxOggHeaderPacket) {
        packet.resize(packet.size() + kGrowthPadding, 0);
    }
    std::optional<OggPage> secondPage = songcore::RewriteSecondPage(*headers, packet);
    if (secondPage && padded) {
        const uint64_t after = headers->pageOffsets.front() + headers->pages.front().size();
        secondPage = AlignSecondPage(*headers, packet, std::move(*secondPage), length - after);
    }
    return ReplaceContents([&](songcore::ContentWriter& out) {
        // The first pages of every stream, and any page of another stream
        // before the second header page, stay as they are.
        const uint64_t second = headers->pageOffsets.front();
        if (!CopyRange(out, 0, second)) {
            return false;
        }
        if (secondPage) {
            uint64_t after = second + headers->pages.front().size();
            return out.append(secondPage->Serialize()) && CopyRange(out, after, length - after);
        }
        std::vector<OggPage> pages = songcore::PaginateHeaders(*headers, packet);
        for (const OggPage& page : pages) {
            if (!out.append(page.Serialize())) {
                return false;
            }
        }
        // Other streams' pages that were among the header pages follow them.
        for (const auto& [offset, size] : headers->foreignPages) {
            if (!CopyRange(out, offset, size)) {
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

namespace {

// Opus always decodes at 48 kHz, and its granule positions count at that rate.
constexpr double kOpusRate = 48000.0;

void AddVorbisProperties(CSongFileInfo& song, uint32_t serial, songcore::StreamProperties& out) {
    const CSongFileInfo::VorbisIdArea& id = song.GetVorbisIdArea();
    songcore::ByteReader idReader(id.data(), id.size());
    uint32_t version = idReader.u32le();
    uint8_t channels = idReader.u8();
    uint32_t sampleRate = idReader.u32le();
    idReader.skip(4);
    int32_t nominal = static_cast<int32_t>(idReader.u32le());
    if (sampleRate == 0) {
        return;  // nothing was read
    }
    out.add("codec", std::string("Vorbis"));
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

void AddOpusProperties(CSongFileInfo& song, uint32_t serial, songcore::StreamProperties& out) {
    const CSongFileInfo::OpusHeadArea& head = song.GetOpusHeadArea();
    songcore::ByteReader reader(head.data(), head.size());
    reader.skip(8);  // "OpusHead"
    uint8_t version = reader.u8();
    uint8_t channels = reader.u8();
    uint16_t preSkip = reader.u16le();
    uint32_t inputRate = reader.u32le();
    int16_t gain = static_cast<int16_t>(reader.u16le());
    out.add("codec", std::string("Opus"));
    out.add("serial", static_cast<int64_t>(static_cast<int32_t>(serial)));
    out.add("version", static_cast<int64_t>(version));
    out.add("channels", static_cast<int64_t>(channels));
    // The rate of the audio before it was encoded; 0 when the encoder did
    // not say.
    if (inputRate > 0) {
        out.add("sample_rate", static_cast<int64_t>(inputRate));
    }
    out.add("pre_skip", static_cast<int64_t>(preSkip));
    out.add("output_gain_db", static_cast<double>(gain) / 256.0);
    if (!song.GetVendor().empty()) {
        out.add("vendor", song.GetVendor());
    }
    std::optional<uint64_t> granule = LastGranule(song, serial);
    if (granule && *granule >= preSkip) {
        out.add("length_seconds", static_cast<double>(*granule - preSkip) / kOpusRate);
    }
}

void AddFlacProperties(CSongFileInfo& song, uint32_t serial, songcore::StreamProperties& out) {
    songcore::StreamProperties flac;
    songcore::AddFlacStreamProperties(song, flac);
    if (flac.empty()) {
        return;
    }
    out.add("codec", std::string("FLAC"));
    out.add("serial", static_cast<int64_t>(static_cast<int32_t>(serial)));
    for (const songcore::StreamProperty& item : flac.items()) {
        std::visit([&](const auto& value) { out.add(item.key, value); }, item.value);
    }
    // STREAMINFO may leave the total unknown; the granule positions count
    // samples too.
    const songcore::StreamProperty* rate = flac.find("sample_rate");
    if (!flac.find("length_seconds") && rate) {
        std::optional<uint64_t> granule = LastGranule(song, serial);
        int64_t sampleRate = std::get<int64_t>(rate->value);
        if (granule && sampleRate > 0) {
            out.add("length_seconds", static_cast<double>(*granule) / sampleRate);
        }
    }
}

}  // namespace

void songcore::AddOggStreamProperties(CSongFileInfo& song, StreamProperties& out) {
    const CSongFileInfo::OggHeaderArea& header = song.GetOggHeaderArea();
    ByteReader pageReader(header.data(), header.size());
    std::string capture = pageReader.fourcc();
    pageReader.skip(10);
    uint32_t serial = pageReader.u32le();
    if (!EqualsIgnoreCaseAscii(capture, "OggS")) {
        return;  // nothing was read
    }
    switch (song.GetOggCodec()) {
        case OggCodec::kVorbis:
            AddVorbisProperties(song, serial, out);
            break;
        case OggCodec::kOpus:
            AddOpusProperties(song, serial, out);
            break;
        case OggCodec::kFlac:
            AddFlacProperties(song, serial, out);
            break;
        case OggCodec::kNone:
            break;
    }
}
