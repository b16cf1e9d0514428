// The ADTS frame walk of raw AAC over arbitrary bytes taken as a whole file.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "songcore/tags/aac/AdtsStream.h"

using namespace songcore;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<uint8_t> file(data, data + size);
    std::optional<AdtsStream> stream = ScanAdts(SpanReader(file), 0, file.size());
    // The frames walked lie within the bytes given.
    if (stream && (stream->bytes > file.size() || stream->frames == 0 ||
                   stream->samples < stream->frames * 1024)) {
        std::abort();
    }
    return 0;
}
