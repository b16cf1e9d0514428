// The FLAC metadata block walker and the comment list of each comment block
// over arbitrary bytes.
#include <cstdint>
#include <vector>

#include "songcore/tags/FlacMetadata.h"
#include "songcore/tags/VorbisComments.h"

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
