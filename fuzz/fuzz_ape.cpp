// Parses arbitrary bytes as an APEv2 tag, reads the fields, and rebuilds the
// tag the writer would write from it; the rebuilt tag must parse again, whole.
// The field reader's tag without pictures must give the same fields, and the
// pictures read must come back the same from the items the writer makes.
#include <cstdint>
#include <cstdlib>

#include "songcore/tags/ape/ApeItems.h"
#include "songcore/tags/ape/ApePicture.h"
#include "songcore/tags/ape/ApeTag.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::optional<songcore::ApeTag> tag = songcore::ApeTag::Parse({data, size});
    if (!tag) {
        return 0;
    }
    songcore::ApeOtherItems(*tag);
    songcore::ApeTag edited = *tag;
    songcore::ApplyApeItemEdits(edited, {{"REPLAYGAIN_TRACK_GAIN", {"-1 dB"}}, {"Other", {}}});
    edited.Serialize();
    songcore::ApeFieldValues values;
    auto fields = tag->ReadFields();
    std::optional<songcore::ApeTag> skimmed =
        songcore::ApeTag::ReadWithoutPictures(songcore::SpanReader({data, size}), size);
    if (!skimmed || skimmed->ReadFields() != fields) {
        std::abort();
    }
    std::vector<songcore::Picture> pictures;
    for (const songcore::ApeItem& item : tag->items) {
        if (auto picture = songcore::ParseApePicture(item)) {
            pictures.push_back(std::move(*picture));
        }
    }
    songcore::ApeTag withPictures = *tag;
    if (songcore::ReplaceApePictures(withPictures, pictures).empty()) {
        std::vector<songcore::Picture> again;
        for (const songcore::ApeItem& item : withPictures.items) {
            if (auto picture = songcore::ParseApePicture(item)) {
                again.push_back(std::move(*picture));
            }
        }
        if (again.size() != pictures.size()) {
            std::abort();
        }
        for (size_t i = 0; i < again.size(); ++i) {
            if (again[i].data != pictures[i].data || again[i].type != pictures[i].type) {
                std::abort();
            }
        }
    }
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
