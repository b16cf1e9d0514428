#include "songcore/tags/FlacMetadata.h"

#include <cstring>

namespace songcore {

std::optional<FlacLayout> WalkFlacMetadata(const ReadExactFn& read, uint64_t fileLength) {
    std::vector<uint8_t> bytes;
    if (!read(0, 4, bytes) || std::memcmp(bytes.data(), "fLaC", 4) != 0) {
        return std::nullopt;
    }
    FlacLayout layout;
    uint64_t offset = 4;
    while (layout.blocks.size() < kMaxFlacBlocks) {
        if (!read(offset, 4, bytes)) {
            break;
        }
        FlacBlock block;
        block.type = bytes[0] & 0x7F;
        block.last = (bytes[0] & 0x80) != 0;
        block.offset = offset;
        block.length = uint32_t{bytes[1]} << 16 | uint32_t{bytes[2]} << 8 | bytes[3];
        if (layout.blocks.empty() &&
            (block.type != kFlacStreamInfo || block.length < kFlacStreamInfoSize)) {
            return std::nullopt;
        }
        layout.blocks.push_back(block);
        uint64_t end = block.bodyOffset() + block.length;
        if (end > fileLength) {
            break;
        }
        if (block.last) {
            layout.complete = true;
            layout.audioOffset = end;
            break;
        }
        offset = end;
    }
    if (layout.blocks.empty()) {
        return std::nullopt;
    }
    return layout;
}

void AppendFlacBlockHeader(std::vector<uint8_t>& out, uint8_t type, bool last, uint32_t length) {
    out.push_back(static_cast<uint8_t>((type & 0x7F) | (last ? 0x80 : 0)));
    out.push_back(static_cast<uint8_t>(length >> 16));
    out.push_back(static_cast<uint8_t>(length >> 8));
    out.push_back(static_cast<uint8_t>(length));
}

}  // namespace songcore
