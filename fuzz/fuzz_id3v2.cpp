// Parses arbitrary bytes as an ID3v2 tag, reads the fields, and rebuilds the
// tag the writer would write from it, padded or with a footer; the rebuilt
// tag must parse again into the same frames and padding.
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
    songcore::Id3v2Tag rebuilt = songcore::Id3v2Tag::Rebuild(&*tag, values, keep);
    size_t padding = data[0];
    rebuilt.footer = rebuilt.major == 4 && (data[size / 2] & 2);
    std::optional<std::vector<uint8_t>> bytes = rebuilt.Serialize(padding);
    if (!bytes) {
        return 0;
    }
    std::optional<songcore::Id3v2Tag> again = songcore::Id3v2Tag::Parse(*bytes);
    if (!again || again->frames.size() != rebuilt.frames.size() ||
        again->padding != (rebuilt.footer ? 0 : padding) || again->footer != rebuilt.footer) {
        std::abort();
    }
    return 0;
}
