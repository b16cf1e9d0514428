#pragma once
// The metadata blocks at the start of a native FLAC file: where each lies,
// walked through a read function so that files and buffers work alike.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "songcore/tags/Picture.h"
#include "songcore/tags/ogg/OggPage.h"

namespace songcore {

constexpr uint8_t kFlacStreamInfo = 0;
constexpr uint8_t kFlacPadding = 1;
constexpr uint8_t kFlacVorbisComment = 4;
constexpr uint8_t kFlacPicture = 6;
constexpr size_t kFlacStreamInfoSize = 34;
constexpr uint32_t kFlacMaxBlockLength = 0xFFFFFF;
// More blocks than this are not a real file; the walk stops there.
constexpr size_t kMaxFlacBlocks = 4096;

struct FlacBlock {
    uint8_t type = 0;
    bool last = false;
    uint64_t offset = 0;  // of the 4-byte header
    uint32_t length = 0;  // of the body
    // A comment or picture block whose content runs on past the length in
    // its header (an encoder's fault): length is then the content's own.
    bool stretched = false;
    uint64_t bodyOffset() const { return offset + 4; }
};

struct FlacLayout {
    // blocks.front() is the stream information.
    std::vector<FlacBlock> blocks;
    // True when the walk reached the block marked last and every block lies
    // within the file; only then is audioOffset where the frames start.
    bool complete = false;
    uint64_t audioOffset = 0;
};

// Walks the blocks after "fLaC" (exact case). Nothing when the signature is
// wrong or the first block is not a stream information block of at least 34
// bytes. A walk that meets the end of the file, or a block running past it,
// stops there with complete false (that block is listed). A comment or
// picture block whose content only makes sense past its declared length is
// taken at the content's length when the walk then still ends right before
// a frame.
std::optional<FlacLayout> WalkFlacMetadata(const ReadExactFn& read, uint64_t fileLength);

// The pictures of the layout's PICTURE blocks, in block order. A block that
// is damaged or runs past the end of the file is left out.
std::vector<Picture> ReadFlacPictureBlocks(const ReadExactFn& read, const FlacLayout& layout);

void AppendFlacBlockHeader(std::vector<uint8_t>& out, uint8_t type, bool last, uint32_t length);

}  // namespace songcore
