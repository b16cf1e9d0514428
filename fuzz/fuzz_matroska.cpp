// The Matroska walk, Tags, Info, Tracks and attachment parsers over
// arbitrary bytes; the items of the tags, listed and edited; and the write
// plan, for tags and for a cover: whatever it agrees to must leave a file
// whose walk still reaches the Segment's end, with the new element there.
#include <algorithm>
#include <cstdint>
#include <vector>

#include "songcore/tags/mkv/MatroskaAudio.h"
#include "songcore/tags/mkv/MatroskaCover.h"
#include "songcore/tags/mkv/MatroskaFields.h"
#include "songcore/tags/mkv/MatroskaItems.h"
#include "songcore/tags/mkv/MatroskaLayout.h"
#include "songcore/tags/mkv/MatroskaWritePlan.h"

using songcore::EbmlElement;
using songcore::MatroskaLayout;
using songcore::MatroskaTags;

namespace {

std::span<const uint8_t> BodyOf(std::span<const uint8_t> file, const EbmlElement& element) {
    if (element.end() > file.size()) {
        __builtin_trap();  // the walk promised it lies within the file
    }
    return file.subspan(element.dataOffset(), element.size);
}

std::vector<uint8_t> Apply(std::span<const uint8_t> file,
                           const std::vector<songcore::MatroskaPatch>& patches) {
    std::vector<uint8_t> out;
    uint64_t at = 0;
    for (const songcore::MatroskaPatch& patch : patches) {
        if (patch.offset < at || patch.offset + patch.oldLength > file.size()) {
            __builtin_trap();  // patches overlap or run past the file
        }
        out.insert(out.end(), file.begin() + at, file.begin() + patch.offset);
        out.insert(out.end(), patch.bytes.begin(), patch.bytes.end());
        at = patch.offset + patch.oldLength;
    }
    out.insert(out.end(), file.begin() + at, file.end());
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::span<const uint8_t> file(data, size);
    std::optional<MatroskaLayout> quick =
        MatroskaLayout::Read(songcore::SpanReader(file), size, false);
    std::optional<MatroskaLayout> layout =
        MatroskaLayout::Read(songcore::SpanReader(file), size, true);
    if (!quick || !layout) {
        return 0;
    }
    songcore::MatroskaAudio audio;
    std::span<const uint8_t> attachments;
    for (const EbmlElement& child : layout->children) {
        std::span<const uint8_t> body = BodyOf(file, child);
        if (child.id == songcore::ebml::kInfo) {
            audio.ReadInfo(body);
        } else if (child.id == songcore::ebml::kTracks) {
            audio.ReadTracks(body);
        } else if (child.id == songcore::ebml::kAttachments) {
            attachments = body;
            for (const EbmlElement& attached : songcore::EbmlChildren(body)) {
                songcore::MatroskaCoverPicture(songcore::EbmlBody(body, 0, attached));
            }
        }
    }
    // A cover written over the attachments.
    songcore::Picture cover;
    cover.data = {0xFF, 0xD8, 0xFF, 0xE0, 0, 0x10, 'J', 'F', 'I', 'F', 0, 0xFF, 0xD9};
    std::string why;
    if (std::optional<std::vector<uint8_t>> children =
            songcore::MatroskaAttachmentsWithCovers(attachments, {cover}, why)) {
        songcore::MatroskaElementChange change{
            songcore::ebml::kAttachments, "attachments", children->empty(), [&](int extra) {
                songcore::ByteWriter out;
                songcore::AppendEbmlMaster(out, songcore::ebml::kAttachments, *children, false,
                                           extra);
                return out.take();
            }};
        std::vector<songcore::MatroskaPatch> patches;
        if (songcore::PlanMatroskaElementWrite(songcore::SpanReader(file), size, *layout, change,
                                               patches, why)) {
            std::vector<uint8_t> written = Apply(file, patches);
            std::optional<MatroskaLayout> after =
                MatroskaLayout::Read(songcore::SpanReader(written), written.size(), true);
            if (!after || !after->complete || !after->Find(songcore::ebml::kAttachments)) {
                __builtin_trap();
            }
        }
    }
    audio.CodecName();
    MatroskaTags tags;
    if (std::optional<EbmlElement> element = layout->Find(songcore::ebml::kTags)) {
        std::optional<MatroskaTags> parsed = MatroskaTags::Parse(BodyOf(file, *element));
        if (!parsed) {
            return 0;
        }
        tags = std::move(*parsed);
    }
    // The items edited and removed by the keys they are listed under, and
    // one added, which the listing then holds.
    songcore::TagItemEdits edits = {{"FUZZ_ITEM", {"x", "y"}}};
    for (const songcore::TagItem& item : songcore::MatroskaOtherItems(tags)) {
        if (edits.size() == 16) {
            break;  // a person's edit is a few keys
        }
        edits.push_back(
            {item.key, item.editable ? std::vector<std::string>{"v"} : std::vector<std::string>{}});
    }
    if (songcore::ApplyMatroskaItemEdits(tags, edits).empty()) {
        std::vector<songcore::TagItem> after = songcore::MatroskaOtherItems(tags);
        if (std::none_of(after.begin(), after.end(), [](const songcore::TagItem& item) {
                return songcore::SameKeyIgnoringCase(item.key, "FUZZ_ITEM");
            })) {
            __builtin_trap();  // an edit said done and is not there
        }
    }
    songcore::SongValues values;
    songcore::ReadMatroskaFields(tags, audio.title, values);
    values.SetText(songcore::SongField::Title, size % 2 ? "Fuzzed" : std::string(300, 't'));
    values.SetText(songcore::SongField::Artist, "A; B");
    songcore::WriteMatroskaFields(values, audio.title, tags);
    std::vector<songcore::MatroskaPatch> patches;
    std::string error;
    if (!songcore::PlanMatroskaTagsWrite(songcore::SpanReader(file), size, *layout, tags, patches,
                                         error)) {
        return 0;
    }
    std::vector<uint8_t> written = Apply(file, patches);
    std::optional<MatroskaLayout> after =
        MatroskaLayout::Read(songcore::SpanReader(written), written.size(), true);
    if (!after || !after->complete || !after->Find(songcore::ebml::kTags)) {
        __builtin_trap();  // a write the plan agreed to broke the file
    }
    if (!MatroskaTags::Parse(BodyOf(written, *after->Find(songcore::ebml::kTags)))) {
        __builtin_trap();
    }
    return 0;
}
