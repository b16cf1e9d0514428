#include "songcore/tags/flac/FlacMetadata.h"

#include <algorithm>
#include <cstring>

#include "songcore/tags/ogg/VorbisComments.h"

namespace songcore {
namespace {

// The length of the comment list at offset when it does not fit the length
// its block declares but does fit the file; nothing otherwise.
std::optional<uint32_t> StretchedCommentLength(const ReadExactFn& read, uint64_t offset,
                                               uint32_t declared, uint64_t fileLength) {
    std::vector<uint8_t> body;
    // Only whether the list is whole matters here: its items are not copied.
    VorbisCommentViews views;
    if (offset + declared <= fileLength && read(offset, declared, body) &&
        VorbisCommentViews::Parse(body, views)) {
        return std::nullopt;  // a sound block
    }
    VorbisComments comments;
    uint64_t room =
        std::min<uint64_t>(fileLength - std::min(offset, fileLength), kFlacMaxBlockLength);
    size_t used = 0;
    if (room <= declared || !read(offset, static_cast<size_t>(room), body) ||
        !VorbisComments::Parse(body, comments, &used)) {
        return std::nullopt;
    }
    return static_cast<uint32_t>(used);
}

// The length of the picture at offset by its own fields (type, MIME type,
// description, size, depth, colours, data), when that is longer than the
// length its block declares (an encoder's fault) and fits the file.
std::optional<uint64_t> StretchedPictureLength(const ReadExactFn& read, uint64_t offset,
                                               uint32_t declared, uint64_t fileLength) {
    std::vector<uint8_t> bytes;
    uint64_t at = offset + 4;  // past the picture type
    // The MIME type, the description, then (past four sizes) the data.
    for (uint64_t skipAfter : {uint64_t{0}, uint64_t{0}, uint64_t{16}}) {
        at += skipAfter;
        if (at + 4 > fileLength || !read(at, 4, bytes)) {
            return std::nullopt;
        }
        at += 4 + (uint64_t{bytes[0]} << 24 | uint64_t{bytes[1]} << 16 | uint64_t{bytes[2]} << 8 |
                   bytes[3]);
    }
    uint64_t length = at - offset;
    if (length <= declared || at > fileLength) {
        return std::nullopt;
    }
    return length;
}

// Frames begin with the 14-bit sync code 0x3FFE and a reserved zero bit.
bool FrameStartsAt(const ReadExactFn& read, uint64_t offset) {
    std::vector<uint8_t> bytes;
    return read(offset, 2, bytes) && bytes[0] == 0xFF && (bytes[1] & 0xFE) == 0xF8;
}

std::optional<FlacLayout> Walk(const ReadExactFn& read, uint64_t fileLength, bool stretch) {
    std::vector<uint8_t> bytes;
    if (!read(0, 4, bytes) || std::memcmp(bytes.data(), "fLaC", 4) != 0) {
        return std::nullopt;
    }
    FlacLayout layout;
    // Encoders write a handful of blocks; room for them is made once.
    layout.blocks.reserve(8);
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
        if (stretch && block.type == kFlacVorbisComment) {
            if (std::optional<uint32_t> length =
                    StretchedCommentLength(read, block.bodyOffset(), block.length, fileLength)) {
                block.length = *length;
                block.stretched = true;
            }
        }
        if (stretch && block.type == kFlacPicture) {
            std::optional<uint64_t> length =
                StretchedPictureLength(read, block.bodyOffset(), block.length, fileLength);
            if (length && *length <= UINT32_MAX) {
                block.length = static_cast<uint32_t>(*length);
                block.stretched = true;
            }
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

}  // namespace

std::optional<FlacLayout> WalkFlacMetadata(const ReadExactFn& read, uint64_t fileLength) {
    std::optional<FlacLayout> layout = Walk(read, fileLength, true);
    bool stretched = layout && std::any_of(layout->blocks.begin(), layout->blocks.end(),
                                           [](const FlacBlock& block) { return block.stretched; });
    // A stretched reading is trusted only when it leads exactly to the frames;
    // anything else is damage, shown as the headers have it.
    if (stretched && !(layout->complete && FrameStartsAt(read, layout->audioOffset))) {
        return Walk(read, fileLength, false);
    }
    return layout;
}

std::vector<Picture> ReadFlacPictureBlocks(const ReadExactFn& read, const FlacLayout& layout) {
    std::vector<Picture> pictures;
    std::vector<uint8_t> body;
    for (const FlacBlock& block : layout.blocks) {
        if (block.type != kFlacPicture || !read(block.bodyOffset(), block.length, body)) {
            continue;
        }
        if (std::optional<Picture> picture = ParseFlacPicture(body)) {
            pictures.push_back(std::move(*picture));
        }
    }
    return pictures;
}

void AppendFlacBlockHeader(std::vector<uint8_t>& out, uint8_t type, bool last, uint32_t length) {
    out.push_back(static_cast<uint8_t>((type & 0x7F) | (last ? 0x80 : 0)));
    out.push_back(static_cast<uint8_t>(length >> 16));
    out.push_back(static_cast<uint8_t>(length >> 8));
    out.push_back(static_cast<uint8_t>(length));
}

}  // namespace songcore
