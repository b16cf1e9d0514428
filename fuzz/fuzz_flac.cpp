// The FLAC metadata block walker, the comment list of each comment block and
// the pictures of the PICTURE blocks over arbitrary bytes.
#include <cstdint>
#include <vector>

#include "songcore/tags/flac/FlacMetadata.h"
#include "songcore/tags/ogg/VorbisComments.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::span<const uint8_t> bytes(data, size);
    songcore::ReadExactFn read = songcore::SpanReader(bytes);
    auto layout = songcore::WalkFlacMetadata(read, size);
    if (!layout) {
        return 0;
    }
    if (layout->complete && layout->audioOffset > size) {
        __builtin_trap();
    }
    // Every picture read writes back to a body that reads the same (the
    // writer may fill in dimensions the block left unknown).
    for (const songcore::Picture& picture : songcore::ReadFlacPictureBlocks(read, *layout)) {
        auto again = songcore::ParseFlacPicture(songcore::SerializeFlacPicture(picture));
        if (picture.data.size() > songcore::kMaxPictureSize || !again ||
            again->data != picture.data || again->mime != picture.mime ||
            again->description != picture.description || again->type != picture.type) {
            __builtin_trap();
        }
    }
    std::vector<uint8_t> body;
    for (const songcore::FlacBlock& block : layout->blocks) {
        if (block.type == songcore::kFlacVorbisComment &&
            read(block.bodyOffset(), block.length, body)) {
            songcore::VorbisComments comments;
            songcore::VorbisComments::Parse(body, comments);
        }
    }
    return 0;
}
