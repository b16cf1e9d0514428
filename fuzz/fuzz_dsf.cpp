// The DSF header over arbitrary bytes, and the ID3v2 tag it points to.
#include <cstdint>
#include <vector>

#include "songcore/tags/dsf/DsfHeader.h"
#include "songcore/tags/id3/Id3v2Tag.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::span<const uint8_t> bytes(data, size);
    std::optional<songcore::DsfHeader> header =
        songcore::DsfHeader::Read(songcore::SpanReader(bytes), size);
    if (!header) {
        return 0;
    }
    if (header->audioEnd() > size) {
        __builtin_trap();
    }
    if (header->metadataOffset >= header->audioEnd() && header->metadataOffset < size) {
        songcore::Id3v2Tag::Parse(bytes.subspan(header->metadataOffset));
    }
    return 0;
}
