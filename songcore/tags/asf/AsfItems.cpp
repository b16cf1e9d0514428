#include "songcore/tags/asf/AsfItems.h"

#include <algorithm>

#include "songcore/tags/SongItems.h"
#include "songcore/tags/asf/AsfTagFields.h"

namespace songcore {

namespace {

bool IsItem(const AsfDescriptor& descriptor) {
    return FindAsfDescriptor(descriptor.name) == nullptr && !IsAsfPicture(descriptor);
}

}  // namespace

std::vector<TagItem> AsfOtherItems(const std::vector<AsfDescriptor>& descriptors) {
    std::vector<TagItem> out;
    for (const AsfDescriptor& descriptor : descriptors) {
        if (!IsItem(descriptor)) {
            continue;
        }
        const bool text = descriptor.type == AsfDescriptor::kText;
        std::optional<std::string> value =
            descriptor.type == AsfDescriptor::kBytes ? std::nullopt : descriptor.AsText();
        AddItemValue(out, descriptor.name,
                     value ? *value : "[" + std::to_string(descriptor.value.size()) + " bytes]",
                     text && value.has_value(), SameKeyIgnoringCase);
    }
    return out;
}

std::string ApplyAsfItemEdits(std::vector<AsfDescriptor>& descriptors, const TagItemEdits& edits) {
    for (const TagItemEdit& edit : edits) {
        if (FindAsfDescriptor(edit.key) != nullptr ||
            SameKeyIgnoringCase(edit.key, kAsfPictureName)) {
            return "\"" + edit.key + "\" is kept by a field or the pictures, not as an item";
        }
    }
    for (const TagItemEdit& edit : edits) {
        auto same = [&edit](const AsfDescriptor& descriptor) {
            return SameKeyIgnoringCase(descriptor.name, edit.key);
        };
        auto first = std::find_if(descriptors.begin(), descriptors.end(), same);
        const auto at = first - descriptors.begin();
        std::erase_if(descriptors, same);
        std::vector<AsfDescriptor> added;
        for (const std::string& value : edit.values) {
            added.push_back(AsfDescriptor::Text(edit.key, value));
        }
        descriptors.insert(descriptors.begin() + at, added.begin(), added.end());
    }
    return {};
}

}  // namespace songcore
