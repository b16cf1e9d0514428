// Parses arbitrary bytes as an ID3v2 tag, reads the fields, and rebuilds the
// tag the writer would write from it; the rebuilt tag must parse again.
#include <cstdint>
#include <cstdlib>

#include "songcore/tags/Id3v2Tag.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::optional<songcore::Id3v2Tag> tag = songcore::Id3v2Tag::Parse({data, size});
    if (!tag) {
        return 0;
    }
    songcore::Id3v2FieldValues values = tag->ReadFields();
    songcore::Id3v2Tag::KeepMask keep{};
    for (size_t i = 0; i < keep.size(); ++i) {
        keep[i] = size > i && (data[size - 1 - i] & 1);
    }
    std::optional<std::vector<uint8_t>> rebuilt =
        songcore::Id3v2Tag::Rebuild(&*tag, values, keep).Serialize();
    if (rebuilt && !songcore::Id3v2Tag::Parse(*rebuilt)) {
        std::abort();
    }
    return 0;
}
