// The RealMedia chunk walker, content description and offset chains over
// arbitrary bytes taken as a whole file.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "songcore/tags/rm/RmChunks.h"
#include "songcore/util/ReadExact.h"

using namespace songcore;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<uint8_t> file(data, data + size);
    RmReadFn read = SpanReader(file);
    if (auto content = RmContent::Parse(file)) {
        if (auto built = content->Build()) {
            auto again = RmContent::Parse(std::span(*built).subspan(RmChunk::kHeaderSize));
            if (!again || again->comment != content->comment) {
                std::abort();
            }
        }
    }
    std::optional<RmLayout> layout = RmLayout::Walk(read, file.size());
    if (!layout) {
        return 0;
    }
    uint32_t indexOffset = 0;
    for (const RmChunk& chunk : layout->chunks) {
        if (chunk.offset + chunk.size > file.size()) {
            std::abort();
        }
        std::span<const uint8_t> body(file.data() + chunk.offset + RmChunk::kHeaderSize,
                                      chunk.size - RmChunk::kHeaderSize);
        if (chunk.Is("CONT")) {
            RmContent::Parse(body);
        } else if (chunk.Is("PROP") && body.size() >= RmLayout::kPropertiesSize) {
            const uint8_t* p = body.data() + RmLayout::kIndexOffsetAt;
            indexOffset = uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | p[3];
        }
    }
    for (int64_t delta : {-18, 0, 40}) {
        if (auto patches = CollectRmOffsetPatches(read, file.size(), *layout, indexOffset, delta)) {
            for (const RmPatch& patch : *patches) {
                if (patch.offset < layout->end || patch.offset + patch.bytes.size() > file.size()) {
                    std::abort();
                }
            }
        }
    }
    return 0;
}
