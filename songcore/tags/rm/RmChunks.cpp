#include "songcore/tags/rm/RmChunks.h"

#include <algorithm>

#include "songcore/util/ByteReader.h"
#include "songcore/util/ByteWriter.h"
#include "songcore/util/Text.h"

namespace songcore {
namespace {

constexpr size_t kMaxText = 0xFFFF;
// DATA chunk: header, packet count, then the offset of the next DATA chunk.
constexpr size_t kDataHeaderSize = 18;
constexpr size_t kNextDataAt = 14;
// INDX chunk: header, entry count, stream, next INDX chunk; then entries of
// version, time, packet offset, packet number.
constexpr size_t kIndexHeaderSize = 20;
constexpr size_t kNextIndexAt = 16;
constexpr size_t kIndexEntrySize = 14;
constexpr size_t kEntryOffsetAt = 6;
// Chains longer than this are damage; following them would only cost time.
constexpr int kMaxChainLinks = 4096;
// An index this large would cover days of media; refuse to hold more.
constexpr uint32_t kMaxIndexChunkSize = 64u << 20;

std::optional<RmChunk> ReadChunkHeader(const RmReadFn& read, uint64_t offset) {
    std::vector<uint8_t> bytes;
    if (!read(offset, RmChunk::kHeaderSize, bytes)) {
        return std::nullopt;
    }
    ByteReader reader(bytes);
    RmChunk chunk;
    chunk.id = reader.fourcc();
    chunk.size = reader.u32be();
    chunk.version = reader.u16be();
    chunk.offset = offset;
    return chunk;
}

void PutU32be(std::vector<uint8_t>& bytes, size_t at, uint32_t value) {
    for (int i = 3; i >= 0; --i) {
        bytes[at + i] = static_cast<uint8_t>(value);
        value >>= 8;
    }
}

uint32_t GetU32be(std::span<const uint8_t> bytes, size_t at) {
    ByteReader reader(bytes);
    reader.seek(at);
    return reader.u32be();
}

}  // namespace

bool RmChunk::Is(std::string_view name) const {
    return EqualsIgnoreCaseAscii(id, name);
}

std::optional<RmLayout> RmLayout::Walk(const RmReadFn& read, uint64_t fileLength) {
    std::vector<uint8_t> bytes;
    if (!read(0, kFileHeaderSize, bytes)) {
        return std::nullopt;
    }
    RmLayout layout;
    ByteReader reader(bytes);
    layout.fileHeader.id = reader.fourcc();
    layout.fileHeader.size = reader.u32be();
    layout.fileHeader.version = reader.u16be();
    reader.skip(4);  // file version
    layout.headerCount = reader.u32be();
    // Object versions 0 and 1 of the file header share this layout.
    if (!layout.fileHeader.Is(".RMF") || layout.fileHeader.version > 1 ||
        layout.fileHeader.size < kFileHeaderSize || layout.fileHeader.size > fileLength) {
        return std::nullopt;
    }
    uint64_t pos = layout.fileHeader.size;
    // Every chunk walked is at least a header long, so the walk ends within
    // the file whatever the count says.
    for (uint32_t i = 0; i < layout.headerCount && pos < fileLength; ++i) {
        std::optional<RmChunk> chunk = ReadChunkHeader(read, pos);
        if (!chunk) {
            return std::nullopt;
        }
        bool header =
            chunk->version != 0 || chunk->Is("PROP") || chunk->Is("MDPR") || chunk->Is("CONT");
        if (!header) {
            layout.stop = chunk;
            break;
        }
        if (chunk->size < RmChunk::kHeaderSize || chunk->size > fileLength - pos) {
            return std::nullopt;
        }
        layout.chunks.push_back(*chunk);
        pos += chunk->size;
    }
    layout.end = pos;
    return layout;
}

std::optional<RmContent> RmContent::Parse(std::span<const uint8_t> body) {
    ByteReader reader(body);
    RmContent content;
    for (std::string* text :
         {&content.title, &content.author, &content.copyright, &content.comment}) {
        *text = reader.string(reader.u16be());
    }
    if (!reader.ok()) {
        return std::nullopt;
    }
    return content;
}

bool RmContent::Empty() const {
    return title.empty() && author.empty() && copyright.empty() && comment.empty();
}

std::optional<std::vector<uint8_t>> RmContent::Build() const {
    ByteWriter out;
    out.text("CONT");
    out.u32be(0);  // size, filled in below
    out.u16be(0);
    for (const std::string* text : {&title, &author, &copyright, &comment}) {
        if (text->size() > kMaxText) {
            return std::nullopt;
        }
        out.u16be(static_cast<uint16_t>(text->size()));
        out.text(*text);
    }
    out.putU32be(4, static_cast<uint32_t>(out.size()));
    return out.take();
}

uint32_t MoveRmOffset(uint32_t offset, uint64_t movedFrom, int64_t delta) {
    if (offset < movedFrom) {
        return offset;
    }
    return static_cast<uint32_t>(static_cast<int64_t>(offset) + delta);
}

std::optional<std::vector<RmPatch>> CollectRmOffsetPatches(const RmReadFn& read,
                                                           uint64_t fileLength,
                                                           const RmLayout& layout,
                                                           uint32_t indexOffset, int64_t delta) {
    std::vector<RmPatch> patches;
    const uint64_t movedFrom = layout.end;

    // DATA chunks name the next one by its offset.
    uint64_t at = layout.stop && layout.stop->Is("DATA") ? layout.stop->offset : 0;
    for (int link = 0; at != 0; ++link) {
        std::vector<uint8_t> bytes;
        if (link == kMaxChainLinks || !read(at, kDataHeaderSize, bytes)) {
            return std::nullopt;
        }
        std::optional<RmChunk> chunk = ReadChunkHeader(read, at);
        if (!chunk || !chunk->Is("DATA") || chunk->version != 0) {
            break;  // not a chain we know; there is nothing to correct
        }
        uint32_t next = GetU32be(bytes, kNextDataAt);
        if (next == 0 || next <= at) {
            break;
        }
        RmPatch patch{at + kNextDataAt, std::vector<uint8_t>(4)};
        PutU32be(patch.bytes, 0, MoveRmOffset(next, movedFrom, delta));
        patches.push_back(std::move(patch));
        at = next;
    }

    // INDX chunks hold the offsets of packets and of the next INDX chunk.
    at = indexOffset >= movedFrom ? indexOffset : 0;
    for (int link = 0; at != 0; ++link) {
        std::optional<RmChunk> chunk = ReadChunkHeader(read, at);
        if (link == kMaxChainLinks || !chunk) {
            return std::nullopt;
        }
        if (!chunk->Is("INDX") || chunk->version != 0) {
            break;
        }
        if (chunk->size < kIndexHeaderSize || chunk->size > fileLength - at ||
            chunk->size > kMaxIndexChunkSize) {
            return std::nullopt;
        }
        RmPatch patch{at, {}};
        if (!read(at, chunk->size, patch.bytes)) {
            return std::nullopt;
        }
        uint32_t entries = GetU32be(patch.bytes, RmChunk::kHeaderSize);
        uint32_t next = GetU32be(patch.bytes, kNextIndexAt);
        uint64_t room = (chunk->size - kIndexHeaderSize) / kIndexEntrySize;
        for (uint64_t i = 0; i < std::min<uint64_t>(entries, room); ++i) {
            size_t field = kIndexHeaderSize + i * kIndexEntrySize + kEntryOffsetAt;
            PutU32be(patch.bytes, field,
                     MoveRmOffset(GetU32be(patch.bytes, field), movedFrom, delta));
        }
        PutU32be(patch.bytes, kNextIndexAt, MoveRmOffset(next, movedFrom, delta));
        patches.push_back(std::move(patch));
        at = next > at ? next : 0;
    }

    std::sort(patches.begin(), patches.end(),
              [](const RmPatch& a, const RmPatch& b) { return a.offset < b.offset; });
    for (size_t i = 1; i < patches.size(); ++i) {
        if (patches[i - 1].offset + patches[i - 1].bytes.size() > patches[i].offset) {
            return std::nullopt;
        }
    }
    return patches;
}

}  // namespace songcore
