// The Vorbis comment block of native FLAC files.
#include <algorithm>
#include <string_view>

#include "songcore/tags/FlacMetadata.h"
#include "songcore/tags/SongFileInfo.h"
#include "songcore/tags/StreamProperties.h"
#include "songcore/tags/VorbisComments.h"
#include "songcore/tags/ContentWriter.h"

using songcore::FlacBlock;
using songcore::FlacLayout;
using songcore::VorbisComments;

namespace {

constexpr const char* kDefaultFlacVendor = "reference libFLAC 1.1.0 20030126";

// The order in which the writer stores the fields.
constexpr std::string_view kFlacKeyOrder[] = {
    "TITLE",     "ARTIST",    "ALBUM",        "TRACKNUMBER", "GENRE",   "DATE",    "COMMENT",
    "COPYRIGHT", "PERFORMER", "ORGANIZATION", "LOCATION",    "LICENSE", "CONTACT", "LYRICS"};

std::optional<FlacLayout> Walk(CSongFile& file) {
    uint64_t length = file.GetLength();
    if (length == CSongFile::kBadLength) {
        return std::nullopt;
    }
    return songcore::WalkFlacMetadata(
        [&file](uint64_t offset, size_t count, std::vector<uint8_t>& out) {
            return file.ReadExact(offset, count, out);
        },
        length);
}

}  // namespace

unsigned long CSongFileInfo::CalcNewFlacCommentItemTotalSize(
    unsigned long* count, const std::vector<std::string>& oldItems) {
    if (vendor_.empty()) {
        vendor_ = kDefaultFlacVendor;
    }
    VorbisComments comments = BuildVorbisComments(vendor_, kFlacKeyOrder, oldItems);
    if (count) {
        *count = static_cast<unsigned long>(comments.items.size());
    }
    return static_cast<unsigned long>(comments.SerializedSize());
}

unsigned long CSongFileInfo::CalcOldFlacCommentItemTotalSize() {
    std::optional<FlacLayout> layout = Walk(*this);
    if (!layout) {
        return 0;
    }
    for (const FlacBlock& block : layout->blocks) {
        if (block.type == songcore::kFlacVorbisComment) {
            return block.length;
        }
    }
    return 0;
}

int CSongFileInfo::GetFlacInfo() {
    Init();
    flacStreamInfo_.fill(0);
    std::optional<FlacLayout> layout = Walk(*this);
    std::vector<uint8_t> bytes;
    if (!layout || !ReadExact(layout->blocks.front().bodyOffset(), flacStreamInfo_.size(), bytes)) {
        return 0;
    }
    std::copy(bytes.begin(), bytes.end(), flacStreamInfo_.begin());
    for (const FlacBlock& block : layout->blocks) {
        if (block.type != songcore::kFlacVorbisComment) {
            continue;
        }
        if (!ReadExact(block.bodyOffset(), block.length, bytes) ||
            !ReadOggCommentItem(bytes.data(), bytes.size())) {
            return 0;
        }
        break;  // the first comment block is the one that counts
    }
    tagKind_ = TAG_FLAC;
    return 1;
}

int CSongFileInfo::WriteFlacInfo() {
    std::optional<FlacLayout> layout = Walk(*this);
    uint64_t length = GetLength();
    if (length == kBadLength) {
        return 0;  // the reason is the stream's
    }
    if (!layout) {
        return Refuse(
            "the file is not a native FLAC file (it must start with \"fLaC\" and "
            "the stream information)");
    }
    // Without the block marked last there is no telling where the audio starts.
    if (!layout->complete) {
        return Refuse(
            "the FLAC metadata blocks are cut short: the last one is missing or "
            "runs past the end of the file");
    }
    // Items of every comment block survive, as they all collapse into one.
    std::vector<std::string> oldItems;
    std::vector<uint8_t> body;
    for (const FlacBlock& block : layout->blocks) {
        if (block.type != songcore::kFlacVorbisComment) {
            continue;
        }
        VorbisComments old;
        if (!ReadExact(block.bodyOffset(), block.length, body) ||
            !VorbisComments::Parse(body, old)) {
            return Refuse("a FLAC comment block is damaged");
        }
        oldItems.insert(oldItems.end(), old.items.begin(), old.items.end());
    }
    unsigned long count = 0;
    uint64_t size = CalcNewFlacCommentItemTotalSize(&count, oldItems);
    VorbisComments comments = BuildVorbisComments(vendor_, kFlacKeyOrder, oldItems);
    // The block length field has 24 bits.
    if (!comments.Fits() || size > songcore::kFlacMaxBlockLength) {
        return Refuse("the comments are larger than a FLAC metadata block can hold (16 MiB)");
    }
    std::vector<uint8_t> block;
    songcore::AppendFlacBlockHeader(block, songcore::kFlacVorbisComment, true,
                                    static_cast<uint32_t>(comments.SerializedSize()));
    comments.AppendTo(block);

    return ReplaceContents([&](songcore::ContentWriter& out) {
        if (!out.append("fLaC", 4)) {
            return false;
        }
        for (const FlacBlock& old : layout->blocks) {
            if (old.type == songcore::kFlacVorbisComment) {
                continue;
            }
            std::vector<uint8_t> header;
            songcore::AppendFlacBlockHeader(header, old.type, false, old.length);
            if (!out.append(header) || !CopyRange(out, old.bodyOffset(), old.length)) {
                return false;
            }
        }
        return out.append(block) &&
               CopyRange(out, layout->audioOffset, length - layout->audioOffset);
    });
}

void songcore::AddFlacStreamProperties(CSongFileInfo& song, StreamProperties& out) {
    const CSongFileInfo::FlacStreamInfoArea& info = song.GetFlacStreamInfoArea();
    uint32_t sampleRate = uint32_t{info[10]} << 12 | uint32_t{info[11]} << 4 | info[12] >> 4;
    if (sampleRate == 0) {
        return;  // nothing was read
    }
    int channels = ((info[12] >> 1) & 0x07) + 1;
    int bitsPerSample = ((info[12] & 0x01) << 4 | info[13] >> 4) + 1;
    uint64_t totalSamples = uint64_t{info[13] & 0x0Fu} << 32 | uint64_t{info[14]} << 24 |
                            uint64_t{info[15]} << 16 | uint64_t{info[16]} << 8 | info[17];
    out.add("channels", static_cast<int64_t>(channels));
    out.add("sample_rate", static_cast<int64_t>(sampleRate));
    out.add("bits_per_sample", static_cast<int64_t>(bitsPerSample));
    out.add("total_samples", static_cast<int64_t>(totalSamples));
    if (!song.GetVendor().empty()) {
        out.add("vendor", song.GetVendor());
    }
    if (totalSamples > 0) {
        out.add("length_seconds", static_cast<double>(totalSamples) / sampleRate);
    }
}
