#pragma once
// The chunk layout of RealMedia files: the header chunks in front of the
// media data, the content description, and the absolute offsets that must
// follow when the media data moves. Reads go through a callback, so the walk
// is tested and fuzzed over byte buffers as well as run over files.

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace songcore {

// Reads exactly count bytes at offset; false when they are not all there.
using RmReadFn = std::function<bool(uint64_t offset, size_t count, std::vector<uint8_t>& out)>;

struct RmChunk {
    static constexpr size_t kHeaderSize = 10;  // id, size, object version
    std::string id;                            // four bytes
    uint32_t size = 0;                         // header included
    uint16_t version = 0;
    uint64_t offset = 0;
    bool Is(std::string_view name) const;  // letter case ignored
};

struct RmLayout {
    static constexpr size_t kFileHeaderSize = 18;
    static constexpr size_t kPropertiesSize = 40;  // PROP body
    // Within a PROP body.
    static constexpr size_t kIndexOffsetAt = 28;
    static constexpr size_t kDataOffsetAt = 32;

    RmChunk fileHeader;
    uint32_t headerCount = 0;     // chunks after the file header, as it says
    std::vector<RmChunk> chunks;  // the header chunks walked (PROP, MDPR, CONT, ...)
    // The chunk that ended the walk (normally DATA), when there was one.
    std::optional<RmChunk> stop;
    // Where the walked header chunks end: the media data starts here.
    uint64_t end = 0;

    // Walks the file header and the chunks after it, at most headerCount of
    // them, stopping at the first version-0 chunk that is not PROP, MDPR or
    // CONT. Chunks of other versions are stepped over by their size. Fails
    // when the file is not RealMedia or a header chunk is cut short.
    static std::optional<RmLayout> Walk(const RmReadFn& read, uint64_t fileLength);
};

// The content description, texts as ISO-8859-1 bytes.
struct RmContent {
    std::string title, author, copyright, comment;

    static std::optional<RmContent> Parse(std::span<const uint8_t> body);
    bool Empty() const;
    // The whole chunk; nothing when a text is longer than 65535 bytes.
    std::optional<std::vector<uint8_t>> Build() const;
};

// A replacement for bytes of the old file when its media data is copied.
struct RmPatch {
    uint64_t offset = 0;  // in the old file
    std::vector<uint8_t> bytes;
};

// The chunks behind the header that hold absolute file offsets (the chain of
// DATA chunks from the stop chunk, the chain of INDX chunks from
// indexOffset), rewritten for media data that moves from movedFrom onwards
// by delta bytes. Sorted by offset, never overlapping. Fails on a chain that
// loops, runs backwards or is cut short.
std::optional<std::vector<RmPatch>> CollectRmOffsetPatches(const RmReadFn& read,
                                                           uint64_t fileLength,
                                                           const RmLayout& layout,
                                                           uint32_t indexOffset, int64_t delta);

// An offset after the move: those from movedFrom onwards shift by delta.
uint32_t MoveRmOffset(uint32_t offset, uint64_t movedFrom, int64_t delta);

}  // namespace songcore
