// RealMedia tags: the content description chunk ("CONT"), and the file
// properties chunk ("PROP") kept for the stream properties.
#include <algorithm>
#include <cmath>

#include "songcore/songfile/ContentWriter.h"
#include "songcore/songfile/SongFileReader.h"
#include "songcore/tags/SongFileInfo.h"
#include "songcore/tags/StreamProperties.h"
#include "songcore/tags/rm/RmChunks.h"
#include "songcore/util/ByteReader.h"
#include "songcore/util/Codepage.h"
#include "songcore/util/Text.h"

using songcore::RmChunk;
using songcore::RmContent;
using songcore::RmLayout;

namespace {

// The texts of the content description and the fields they hold.
constexpr std::pair<std::string RmContent::*, songcore::SongField> kContentFields[] = {
    {&RmContent::title, songcore::SongField::Title},
    {&RmContent::author, songcore::SongField::Artist},
    {&RmContent::copyright, songcore::SongField::Copyright},
    {&RmContent::comment, songcore::SongField::Comment},
};

// Offsets in the format are 32-bit.
constexpr uint64_t kMaxFileSize = 0xFFFFFFFF;
// The longest content description there can be: four 16-bit lengths.
constexpr size_t kMaxContentBody = 8 + 4 * 0xFFFF;
constexpr size_t kPropChunkSize = RmChunk::kHeaderSize + RmLayout::kPropertiesSize;

std::optional<RmLayout> WalkFile(CSongFile& file, uint64_t& length) {
    length = file.GetLength();
    if (length == CSongFile::kBadLength) {
        return std::nullopt;
    }
    return RmLayout::Walk(songcore::SongFileReader(file), length);
}

void PutU32be(std::vector<uint8_t>& bytes, size_t at, uint32_t value) {
    for (int i = 3; i >= 0; --i) {
        bytes[at + i] = static_cast<uint8_t>(value);
        value >>= 8;
    }
}

uint32_t GetU32be(const std::vector<uint8_t>& bytes, size_t at) {
    songcore::ByteReader reader(bytes);
    reader.seek(at);
    return reader.u32be();
}

}  // namespace

int CSongFileInfo::GetRMInfo() {
    Init();
    rmProperties_.fill(0);
    uint64_t length = 0;
    std::optional<RmLayout> layout = WalkFile(*this, length);
    if (!layout) {
        return 0;
    }
    bool found = false;
    for (const RmChunk& chunk : layout->chunks) {
        if (chunk.version != 0) {
            continue;  // a layout we do not know
        }
        std::vector<uint8_t> body;
        if (chunk.Is("PROP")) {
            if (chunk.size < kPropChunkSize ||
                !ReadExact(chunk.offset + RmChunk::kHeaderSize, rmProperties_.size(), body)) {
                return 0;
            }
            std::copy(body.begin(), body.end(), rmProperties_.begin());
        } else if (chunk.Is("CONT")) {
            size_t bodySize = std::min<size_t>(chunk.size - RmChunk::kHeaderSize, kMaxContentBody);
            if (!ReadExact(chunk.offset + RmChunk::kHeaderSize, bodySize, body)) {
                return 0;
            }
            std::optional<RmContent> content = RmContent::Parse(body);
            if (!content) {
                return 0;
            }
            for (const auto& [text, field] : kContentFields) {
                SetText(field, songcore::DecodeLegacyText((*content).*text));
                legacyText_.set(static_cast<size_t>(field));
            }
            found = true;
        }
    }
    if (!found) {
        return 0;
    }
    tagKind_ = TAG_RM;
    return 1;
}

int CSongFileInfo::WriteRMInfo() {
    uint64_t length = 0;
    std::optional<RmLayout> layout = WalkFile(*this, length);
    if (length == kBadLength) {
        return 0;  // the reason is the stream's
    }
    if (!layout) {
        return Refuse("the file is not RealMedia, or one of its header chunks is cut short");
    }
    if (length > kMaxFileSize) {
        return Refuse("the file is larger than 4 GiB, beyond the offsets RealMedia can hold");
    }
    // ISO-8859-1 by the format's definition; what it cannot hold becomes "?".
    RmContent content;
    for (const auto& [text, field] : kContentFields) {
        content.*text = songcore::EncodeLegacyText(GetText(field));
    }
    std::vector<uint8_t> newContent;
    if (!content.Empty()) {
        std::optional<std::vector<uint8_t>> built = content.Build();
        if (!built) {
            return Refuse("a text is longer than a RealMedia description allows (65535 bytes)");
        }
        newContent = std::move(*built);
    }

    uint64_t oldContentSize = 0;
    uint32_t oldContentCount = 0;
    for (const RmChunk& chunk : layout->chunks) {
        // Without knowing a chunk's layout we cannot know what it points at.
        if (chunk.version != 0) {
            return Refuse("a header chunk has a layout version this writer does not know");
        }
        if (chunk.Is("CONT")) {
            oldContentSize += chunk.size;
            ++oldContentCount;
        }
    }
    int64_t delta = static_cast<int64_t>(newContent.size()) - static_cast<int64_t>(oldContentSize);
    if (static_cast<int64_t>(length) + delta > static_cast<int64_t>(kMaxFileSize)) {
        return Refuse("the new description would make the file larger than 4 GiB");
    }

    std::vector<uint8_t> fileHeader;
    if (!ReadExact(0, layout->fileHeader.size, fileHeader)) {
        return Refuse("the RealMedia file header is cut short");
    }
    uint32_t count = layout->headerCount - oldContentCount + (newContent.empty() ? 0 : 1);
    PutU32be(fileHeader, 14, count);

    // The file properties point at the data and the index, which move.
    std::vector<std::vector<uint8_t>> properties;
    std::optional<uint32_t> indexOffset;
    for (const RmChunk& chunk : layout->chunks) {
        if (!chunk.Is("PROP")) {
            continue;
        }
        std::vector<uint8_t>& bytes = properties.emplace_back();
        if (chunk.size < kPropChunkSize || !ReadExact(chunk.offset, chunk.size, bytes)) {
            return Refuse("the file properties chunk is too short or cut short");
        }
        for (size_t field : {RmLayout::kIndexOffsetAt, RmLayout::kDataOffsetAt}) {
            size_t at = RmChunk::kHeaderSize + field;
            uint32_t old = GetU32be(bytes, at);
            if (field == RmLayout::kIndexOffsetAt && !indexOffset) {
                indexOffset = old;
            }
            PutU32be(bytes, at, songcore::MoveRmOffset(old, layout->end, delta));
        }
    }
    std::optional<std::vector<songcore::RmPatch>> patches = songcore::CollectRmOffsetPatches(
        songcore::SongFileReader(*this), length, *layout, indexOffset.value_or(0), delta);
    if (!patches) {
        return Refuse(
            "the chain of data or index chunks is damaged: it loops, runs backwards or is cut "
            "short");
    }

    return ReplaceContents([&](songcore::ContentWriter& replace) {
        if (!replace.append(fileHeader)) {
            return false;
        }
        size_t nextProperties = 0;
        for (const RmChunk& chunk : layout->chunks) {
            bool ok = true;
            if (chunk.Is("PROP")) {
                ok = replace.append(properties[nextProperties++]);
            } else if (!chunk.Is("CONT")) {
                ok = CopyRange(replace, chunk.offset, chunk.size);
            }
            if (!ok) {
                return false;
            }
        }
        // The new description stands after the other header chunks, before
        // the media data.
        if (!replace.append(newContent)) {
            return false;
        }
        uint64_t pos = layout->end;
        for (const songcore::RmPatch& patch : *patches) {
            if (patch.offset < pos || !CopyRange(replace, pos, patch.offset - pos) ||
                !replace.append(patch.bytes)) {
                return false;
            }
            pos = patch.offset + patch.bytes.size();
        }
        return CopyRange(replace, pos, length - pos);
    });
}

void songcore::AddRMStreamProperties(CSongFileInfo& song, StreamProperties& out) {
    CSongFileInfo::RMPropertiesArea area = song.GetRMPropertiesArea();
    if (std::all_of(area.begin(), area.end(), [](uint8_t b) { return b == 0; })) {
        // The reader did not run on this song: find the properties ourselves.
        uint64_t length = 0;
        std::optional<RmLayout> layout = WalkFile(song, length);
        if (!layout) {
            return;
        }
        auto prop = std::find_if(layout->chunks.begin(), layout->chunks.end(),
                                 [](const RmChunk& c) { return c.Is("PROP") && c.version == 0; });
        std::vector<uint8_t> body;
        if (prop == layout->chunks.end() || prop->size < kPropChunkSize ||
            !song.ReadExact(prop->offset + RmChunk::kHeaderSize, area.size(), body)) {
            return;
        }
        std::copy(body.begin(), body.end(), area.begin());
    }
    ByteReader reader(area);
    uint32_t maxBitrate = reader.u32be();
    uint32_t averageBitrate = reader.u32be();
    reader.skip(12);  // packet sizes and count
    uint32_t duration = reader.u32be();
    reader.skip(12);  // preroll, index and data offsets
    uint16_t streams = reader.u16be();
    uint16_t flags = reader.u16be();
    out.add("length_seconds", static_cast<int64_t>(duration / 1000));
    out.add("bitrate_kbps", (int64_t{maxBitrate} + 999) / 1000);
    out.add("average_bitrate_kbps", (int64_t{averageBitrate} + 999) / 1000);
    out.add("streams", static_cast<int64_t>(streams));
    out.add("saving_allowed", (flags & 0x1) != 0);
    out.add("perfect_play", (flags & 0x2) != 0);
    out.add("recording_allowed", (flags & 0x8) != 0);
}
