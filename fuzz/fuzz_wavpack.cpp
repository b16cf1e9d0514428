// The first WavPack block's header and sub-blocks over arbitrary bytes.
#include <cstdint>

#include "songcore/tags/wavpack/WavPackBlock.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::span<const uint8_t> bytes(data, size);
    std::optional<songcore::WavPackStream> stream = songcore::WavPackBlock::ParseFirst(bytes);
    if (stream &&
        (stream->channels == 0 || stream->bitsPerSample == 0 || stream->bitsPerSample > 32)) {
        __builtin_trap();
    }
    return 0;
}
