// Parses arbitrary bytes as an APEv2 tag, reads the fields, and rebuilds the
// tag the writer would write from it; the rebuilt tag must parse again, whole.
#include <cstdint>
#include <cstdlib>

#include "songcore/tags/ApeTag.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::optional<songcore::ApeTag> tag = songcore::ApeTag::Parse({data, size});
    if (!tag) {
        return 0;
    }
    songcore::ApeFieldValues values;
    auto fields = tag->ReadFields();
    for (size_t i = 0; i < values.size(); ++i) {
        values[i] = fields[i].value_or("");
    }
    songcore::ApeTag::KeepMask keep{};
    keep[0] = size > 0 && (data[0] & 1);
    std::optional<std::vector<uint8_t>> rebuilt =
        songcore::ApeTag::Rebuild(&*tag, values, keep).Serialize();
    if (rebuilt) {
        std::optional<songcore::ApeTag> again = songcore::ApeTag::Parse(*rebuilt);
        if (!again || !again->complete) {
            std::abort();
        }
    }
    return 0;
}
