// Pictures of ASF files: WM/Picture attributes of the extended content
// description and of the metadata objects (the writer is RewriteASFHeader).
#include <algorithm>

#include "songcore/songfile/SongFileReader.h"
#include "songcore/tags/SongFileInfo.h"
#include "songcore/tags/asf/AsfHeader.h"
#include "songcore/tags/asf/AsfHeaderReader.h"
#include "songcore/tags/asf/AsfObjects.h"

namespace songcore {
namespace {

void AddPicture(const AsfDescriptor& descriptor, std::vector<Picture>& out) {
    if (!IsAsfPicture(descriptor) || descriptor.type != AsfDescriptor::kBytes) {
        return;
    }
    if (std::optional<Picture> picture = ParseAsfPicture(descriptor.value)) {
        out.push_back(std::move(*picture));
    }
}

void AddMetadataPictures(std::span<const uint8_t> extension, const AsfGuid& kind,
                         std::vector<Picture>& out) {
    for (auto [offset, size] : AsfHeader::ExtensionObjects(extension).value_or(
             std::vector<std::pair<size_t, size_t>>{})) {
        std::span<const uint8_t> object = extension.subspan(offset, size);
        if (!std::equal(kind.begin(), kind.end(), object.begin())) {
            continue;
        }
        if (auto metadata = AsfMetadata::Parse(object.subspan(AsfHeader::kObjectHeaderSize))) {
            for (const AsfMetadataRecord& record : metadata->records) {
                AddPicture(record.descriptor, out);
            }
        }
    }
}

}  // namespace

std::vector<Picture> ReadAsfPictures(std::span<const uint8_t> header) {
    std::vector<Picture> pictures;
    std::optional<AsfHeader> layout = AsfHeader::Parse(header);
    if (!layout) {
        return pictures;
    }
    for (const AsfHeader::Object& object : layout->objects) {
        if (object.guid != asfguid::kExtendedContentDescription) {
            continue;
        }
        if (auto extended = AsfExtendedContentDescription::Parse(object.Body(header))) {
            for (const AsfDescriptor& descriptor : extended->descriptors) {
                AddPicture(descriptor, pictures);
            }
        }
    }
    for (const AsfGuid& kind : {asfguid::kMetadata, asfguid::kMetadataLibrary}) {
        for (const AsfHeader::Object& object : layout->objects) {
            if (object.guid == asfguid::kHeaderExtension) {
                AddMetadataPictures(header.subspan(object.offset, object.size), kind, pictures);
            }
        }
    }
    return pictures;
}

}  // namespace songcore

int CSongFileInfo::ReadASFPictures(std::vector<songcore::Picture>& out) {
    out.clear();
    std::optional<std::vector<uint8_t>> header =
        songcore::ReadAsfHeader(songcore::SongFileReader(*this));
    if (!header) {
        return 0;
    }
    out = songcore::ReadAsfPictures(*header);
    return 1;
}
