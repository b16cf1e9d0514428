// Parses arbitrary bytes as an ID3v2 tag, reads the fields, and rebuilds the
// tag the writer would write from it, padded or with a footer; the rebuilt
// tag must parse again into the same frames and padding. The field reader's
// tag without pictures must give the same fields, and every picture read
// must come back the same from the frame the writer makes of it.
#include <cstdint>
#include <cstdlib>

#include "songcore/tags/id3/Id3v2Downgrade.h"
#include "songcore/tags/id3/Id3v2Items.h"
#include "songcore/tags/id3/Id3v2Picture.h"
#include "songcore/tags/id3/Id3v2Tag.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::optional<songcore::Id3v2Tag> tag = songcore::Id3v2Tag::Parse({data, size});
    if (!tag) {
        return 0;
    }
    songcore::Id3v2FieldValues values = tag->ReadFields();
    // Its other items, an edit of them, and the tag as 2.3 for old players.
    songcore::Id3v2OtherItems(*tag);
    if (tag->major >= 3) {
        songcore::Id3v2Tag edited = *tag;
        songcore::ApplyId3v2ItemEdits(edited, {{"TXXX:A", {"b", "c"}}, {"POPM:x@y", {}}});
        edited.Serialize();
    }
    if (std::optional<songcore::Id3v2Tag> older = songcore::Id3v2As23(*tag)) {
        older->Serialize();
    }
    std::optional<songcore::Id3v2Tag> skimmed =
        songcore::Id3v2Tag::ReadWithoutPictures(songcore::SpanReader({data, size}), size);
    if (!skimmed || skimmed->ReadFields() != values) {
        std::abort();
    }
    uint8_t writtenMajor = tag->major == 4 ? 4 : 3;
    for (const songcore::Id3v2Frame& frame : tag->frames) {
        std::optional<std::vector<uint8_t>> content = tag->Content(frame);
        if (!content || !songcore::IsId3v2PictureFrame(frame.id, tag->major)) {
            continue;
        }
        std::optional<songcore::Picture> picture =
            songcore::ParseId3v2Picture(*content, tag->major);
        if (!picture) {
            continue;
        }
        songcore::Id3v2Frame made = songcore::MakeId3v2PictureFrame(*picture, writtenMajor);
        std::optional<songcore::Picture> again =
            songcore::ParseId3v2Picture(made.data, writtenMajor);
        if (!again || again->data != picture->data || again->type != picture->type) {
            std::abort();
        }
    }
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
