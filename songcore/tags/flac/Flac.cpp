// The Vorbis comment block of native FLAC files.
#include <algorithm>
#include <array>
#include <string_view>

#include "songcore/songfile/ContentWriter.h"
#include "songcore/songfile/SongFileReader.h"
#include "songcore/tags/MoveAlignment.h"
#include "songcore/tags/SongFileInfo.h"
#include "songcore/tags/StreamProperties.h"
#include "songcore/tags/flac/FlacMetadata.h"
#include "songcore/tags/ogg/VorbisComments.h"

using songcore::FlacBlock;
using songcore::FlacLayout;
using songcore::VorbisComments;

namespace {

constexpr const char* kDefaultFlacVendor = "reference libFLAC 1.1.0 20030126";

// The order in which the writer adds fields that had no item.
constexpr std::string_view kFlacKeyOrder[] = {
    "TITLE",      "ARTIST",       "ALBUMARTIST", "ALBUM",   "TRACKNUMBER", "TRACKTOTAL",
    "DISCNUMBER", "DISCTOTAL",    "GENRE",       "DATE",    "COMMENT",     "COPYRIGHT",
    "PERFORMER",  "ORGANIZATION", "LOCATION",    "LICENSE", "CONTACT",     "LYRICS"};

// Padding added after a comment block that outgrew its room, when the file
// had padding: the next small edit then fits in place again.
constexpr uint32_t kGrowthPadding = 1024;
// Comments that shrink by more than this are rewritten compactly instead of
// leaving the room as padding.
constexpr uint32_t kMaxFreedRoom = 64 * 1024;

// One metadata block of the new file: a block of the old file, the new
// comments, a new picture, or padding.
struct PlannedBlock {
    enum Source { kFile, kComment, kPicture, kZeros };
    Source source = kFile;
    uint8_t type = 0;
    uint64_t offset = 0;  // of the body, for kFile
    uint32_t length = 0;  // of the body
    size_t picture = 0;   // which new picture, for kPicture
};

// What the writer puts in: the comment block's body length and, when the
// pictures are replaced, the new picture bodies' lengths (the old PICTURE
// blocks then go).
struct NewBlocks {
    uint32_t commentLength = 0;
    std::optional<std::vector<uint32_t>> pictureLengths;

    bool Drops(const FlacBlock& block) const {
        return pictureLengths && block.type == songcore::kFlacPicture;
    }
    // The comment block, then the pictures.
    std::vector<PlannedBlock> Blocks() const {
        std::vector<PlannedBlock> blocks = {
            {PlannedBlock::kComment, songcore::kFlacVorbisComment, 0, commentLength}};
        for (size_t i = 0; pictureLengths && i < pictureLengths->size(); ++i) {
            blocks.push_back(
                {PlannedBlock::kPicture, songcore::kFlacPicture, 0, (*pictureLengths)[i], i});
        }
        return blocks;
    }
};

int64_t Space(const std::vector<PlannedBlock>& blocks) {
    int64_t space = 0;
    for (const PlannedBlock& block : blocks) {
        space += 4 + int64_t{block.length};
    }
    return space;
}

// The blocks laid out so that the frames keep their offset: the new comments
// (and pictures) take the place of the old ones, and the padding gives or
// takes the difference (a padding block that is used up goes; blocks that
// shrink without padding leave a new one). Nothing when the difference
// cannot be absorbed so, or when there is more than one comment block.
std::optional<std::vector<PlannedBlock>> PlanInPlace(const FlacLayout& layout,
                                                     const NewBlocks& added) {
    std::vector<PlannedBlock> plan;
    std::optional<size_t> comment, padding;
    // The space the replaced blocks had, headers included.
    int64_t oldSpace = 0;
    for (const FlacBlock& block : layout.blocks) {
        if (added.Drops(block)) {
            oldSpace += 4 + int64_t{block.length};
            continue;
        }
        if (block.type == songcore::kFlacVorbisComment) {
            if (comment) {
                return std::nullopt;
            }
            comment = plan.size();
            oldSpace += 4 + int64_t{block.length};
        } else if (block.type == songcore::kFlacPadding && !padding) {
            padding = plan.size();
        }
        plan.push_back({PlannedBlock::kFile, block.type, block.bodyOffset(), block.length});
    }
    std::vector<PlannedBlock> blocks = added.Blocks();
    int64_t growth = Space(blocks) - oldSpace;
    auto count = static_cast<ptrdiff_t>(blocks.size());
    if (comment) {
        plan.erase(plan.begin() + static_cast<ptrdiff_t>(*comment));
        plan.insert(plan.begin() + static_cast<ptrdiff_t>(*comment), blocks.begin(), blocks.end());
        if (padding && *padding > *comment) {
            *padding += blocks.size() - 1;
        }
    } else if (padding) {
        plan.insert(plan.begin() + static_cast<ptrdiff_t>(*padding), blocks.begin(), blocks.end());
        comment = *padding;
        *padding += blocks.size();
    } else {
        return std::nullopt;
    }
    if (growth == 0) {
        return plan;
    }
    if (-growth > int64_t{kMaxFreedRoom}) {
        return std::nullopt;
    }
    if (padding) {
        int64_t room = int64_t{plan[*padding].length} - growth;
        if (room == -4) {  // exactly the whole padding block
            plan.erase(plan.begin() + static_cast<ptrdiff_t>(*padding));
            return plan;
        }
        if (room < 0 || room > int64_t{songcore::kFlacMaxBlockLength}) {
            return std::nullopt;
        }
        plan[*padding] = {PlannedBlock::kZeros, songcore::kFlacPadding, 0,
                          static_cast<uint32_t>(room)};
        return plan;
    }
    if (growth > -4) {
        return std::nullopt;  // no room for even an empty padding block
    }
    plan.insert(
        plan.begin() + static_cast<ptrdiff_t>(*comment) + count,
        {PlannedBlock::kZeros, songcore::kFlacPadding, 0, static_cast<uint32_t>(-growth - 4)});
    return plan;
}

// The blocks of a rewritten file: the other blocks in their order, then the
// comments and the new pictures, then a little padding when the file had
// padding, and as much as makes the audio move by whole blocks
// (MoveAlignment.h).
std::vector<PlannedBlock> PlanRewrite(const FlacLayout& layout, const NewBlocks& added,
                                      uint64_t fileLength) {
    std::vector<PlannedBlock> plan;
    bool hadPadding = false;
    for (const FlacBlock& block : layout.blocks) {
        if (block.type == songcore::kFlacPadding) {
            hadPadding = true;
        } else if (block.type != songcore::kFlacVorbisComment && !added.Drops(block)) {
            plan.push_back({PlannedBlock::kFile, block.type, block.bodyOffset(), block.length});
        }
    }
    std::vector<PlannedBlock> blocks = added.Blocks();
    plan.insert(plan.end(), blocks.begin(), blocks.end());
    if (hadPadding) {
        plan.push_back({PlannedBlock::kZeros, songcore::kFlacPadding, 0, kGrowthPadding});
    }
    uint64_t audioOffset = 4;  // "fLaC"
    for (const PlannedBlock& block : plan) {
        audioOffset += 4 + block.length;
    }
    // Without a padding block, one of its own is added, header and all.
    constexpr uint64_t kBlockHeader = 4;
    uint64_t extra = songcore::PaddingForAlignedMove(audioOffset - layout.audioOffset,
                                                     fileLength - layout.audioOffset,
                                                     hadPadding ? 0 : kBlockHeader);
    if (extra > 0 && !hadPadding) {
        plan.push_back({PlannedBlock::kZeros, songcore::kFlacPadding, 0, 0});
        extra -= kBlockHeader;
    }
    plan.back().length += static_cast<uint32_t>(extra);
    return plan;
}

bool AppendZeros(songcore::ContentWriter& out, uint32_t count) {
    static const std::array<uint8_t, 4096> kZeros{};
    while (count > 0) {
        uint32_t part = std::min<uint32_t>(count, kZeros.size());
        if (!out.append(kZeros.data(), part)) {
            return false;
        }
        count -= part;
    }
    return true;
}

std::optional<FlacLayout> Walk(CSongFile& file) {
    uint64_t length = file.GetLength();
    if (length == CSongFile::kBadLength) {
        return std::nullopt;
    }
    return songcore::WalkFlacMetadata(songcore::SongFileReader(file), length);
}

}  // namespace

unsigned long CSongFileInfo::CalcNewFlacCommentItemTotalSize(
    unsigned long* count, const std::vector<std::string>& oldItems) {
    if (GetVendor().empty()) {
        SetVendor(kDefaultFlacVendor);
    }
    VorbisComments comments = BuildVorbisComments(GetVendor(), kFlacKeyOrder, oldItems);
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
    CalcNewFlacCommentItemTotalSize(&count, oldItems);  // settles the vendor
    VorbisComments comments = BuildVorbisComments(GetVendor(), kFlacKeyOrder, oldItems);
    if (std::string why = ApplyVorbisItemEdits(comments.items); !why.empty()) {
        return Refuse(std::move(why));
    }
    const uint64_t size = comments.SerializedSize();
    // The block length field has 24 bits.
    if (!comments.Fits() || size > songcore::kFlacMaxBlockLength) {
        return Refuse("the comments are larger than a FLAC metadata block can hold (16 MiB)");
    }
    std::vector<uint8_t> comment;
    comments.AppendTo(comment);
    NewBlocks added{static_cast<uint32_t>(comment.size()), std::nullopt};
    std::vector<std::vector<uint8_t>> pictures;
    if (pendingPictures_) {
        added.pictureLengths.emplace();
        for (const songcore::Picture& picture : *pendingPictures_) {
            pictures.push_back(songcore::SerializeFlacPicture(picture));
            if (pictures.back().size() > songcore::kFlacMaxBlockLength) {
                return Refuse("a picture is larger than a FLAC metadata block can hold (16 MiB)");
            }
            added.pictureLengths->push_back(static_cast<uint32_t>(pictures.back().size()));
        }
    }
    std::vector<PlannedBlock> plan;
    if (std::optional<std::vector<PlannedBlock>> inPlace = PlanInPlace(*layout, added)) {
        plan = std::move(*inPlace);
    } else {
        plan = PlanRewrite(*layout, added, length);
    }

    return ReplaceContents([&](songcore::ContentWriter& out) {
        if (!out.append("fLaC", 4)) {
            return false;
        }
        for (size_t i = 0; i < plan.size(); ++i) {
            const PlannedBlock& block = plan[i];
            std::vector<uint8_t> header;
            songcore::AppendFlacBlockHeader(header, block.type, i + 1 == plan.size(), block.length);
            if (!out.append(header)) {
                return false;
            }
            bool written = false;
            switch (block.source) {
                case PlannedBlock::kFile:
                    written = CopyRange(out, block.offset, block.length);
                    break;
                case PlannedBlock::kComment:
                    written = out.append(comment);
                    break;
                case PlannedBlock::kPicture:
                    written = out.append(pictures[block.picture]);
                    break;
                case PlannedBlock::kZeros:
                    written = AppendZeros(out, block.length);
                    break;
            }
            if (!written) {
                return false;
            }
        }
        return CopyRange(out, layout->audioOffset, length - layout->audioOffset);
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
