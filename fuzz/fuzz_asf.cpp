// The ASF header walker, object codecs and picture readers over arbitrary
// bytes: the input is an object count and the objects of a header; whatever
// parses is rebuilt and must parse again the same way, and the header read
// without its pictures must parse wherever the whole one does.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "songcore/tags/asf/AsfHeader.h"
#include "songcore/tags/asf/AsfHeaderReader.h"
#include "songcore/tags/asf/AsfObjects.h"
#include "songcore/util/ByteWriter.h"

using namespace songcore;

namespace {

void ParseEverything(std::span<const uint8_t> body) {
    if (auto content = AsfContentDescription::Parse(body)) {
        if (auto built = content->Build()) {
            auto again = AsfContentDescription::Parse(std::span(*built).subspan(24));
            if (!again || again->rating != content->rating) {
                std::abort();
            }
        }
    }
    if (auto extended = AsfExtendedContentDescription::Parse(body)) {
        for (const AsfDescriptor& descriptor : extended->descriptors) {
            descriptor.AsText();
        }
        if (auto built = extended->Build()) {
            auto again = AsfExtendedContentDescription::Parse(std::span(*built).subspan(24));
            if (!again || again->descriptors.size() != extended->descriptors.size()) {
                std::abort();
            }
        }
    }
    if (auto metadata = AsfMetadata::Parse(body)) {
        if (auto built = metadata->Build(asfguid::kMetadata)) {
            auto again = AsfMetadata::Parse(std::span(*built).subspan(24));
            if (!again || again->records.size() != metadata->records.size()) {
                std::abort();
            }
        }
    }
    if (auto picture = ParseAsfPicture(body)) {
        auto again = ParseAsfPicture(AsfPictureDescriptor(*picture).value);
        if (!again || again->data != picture->data || again->type != picture->type) {
            std::abort();
        }
    }
    ParseAsfCodecList(body);
    if (auto file = AsfFileProperties::Parse(body)) {
        file->LengthSeconds();
    }
    AsfAudioFormat::Parse(body);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) {
        return 0;
    }
    std::span<const uint8_t> input(data, size);
    ParseEverything(input);

    ByteWriter header;
    header.bytes(asfguid::kHeader);
    header.u64le(AsfHeader::kPreambleSize + size - 1);
    header.u32le(data[0]);
    header.u16le(0);
    header.bytes(input.subspan(1));
    std::vector<uint8_t> bytes = header.take();
    std::optional<AsfHeader> layout = AsfHeader::Parse(bytes);
    ReadAsfPictures(bytes);
    std::optional<std::vector<uint8_t>> lean =
        ReadAsfHeaderWithoutPictures(SpanReader(bytes), bytes.size());
    if (layout && (!lean || !AsfHeader::Parse(*lean))) {
        std::abort();
    }
    if (!layout) {
        return 0;
    }
    for (const AsfHeader::Object& object : layout->objects) {
        ParseEverything(object.Body(bytes));
        if (object.guid == asfguid::kHeaderExtension) {
            std::span<const uint8_t> extension =
                std::span(bytes).subspan(object.offset, object.size);
            for (auto [offset, size] : AsfHeader::ExtensionObjects(extension).value_or(
                     std::vector<std::pair<size_t, size_t>>{})) {
                ParseEverything(extension.subspan(offset + 24, size - 24));
            }
        }
    }
    AsfContentDescription content;
    content.title = "title";
    std::vector<uint8_t> newContent = *content.Build();
    std::vector<uint8_t> newExtended =
        *AsfExtendedContentDescription{{AsfDescriptor::Text("WM/GENRE", "Rock")}}.Build();
    auto rebuilt = layout->Rebuild(bytes, newExtended, newContent, 12345);
    if (layout->exact != rebuilt.has_value()) {
        std::abort();
    }
    if (rebuilt) {
        auto again = AsfHeader::Parse(*rebuilt);
        if (!again || !again->exact || again->objects.size() < 2) {
            std::abort();
        }
        // A padding object larger than the new descriptions takes up the
        // change, so the header keeps its size.
        for (const AsfHeader::Object& object : layout->objects) {
            if (object.guid == asfguid::kPadding) {
                if (object.size >= 24 + newContent.size() + newExtended.size() &&
                    rebuilt->size() != bytes.size()) {
                    std::abort();
                }
                break;
            }
        }
    }
    return 0;
}
