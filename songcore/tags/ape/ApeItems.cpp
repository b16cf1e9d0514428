#include "songcore/tags/ape/ApeItems.h"

#include <algorithm>

#include "songcore/tags/SongItems.h"
#include "songcore/tags/ape/ApePicture.h"

namespace songcore {

namespace {

bool IsFieldKey(std::string_view key) {
    return std::any_of(kApeFields.begin(), kApeFields.end(), [key](const ApeFieldEntry& entry) {
        return SameKeyIgnoringCase(entry.key, key);
    });
}

// 2 to 255 printable ASCII characters, and none of the words that mark
// other tags, as the format defines its keys.
bool IsApeKey(std::string_view key) {
    if (key.size() < 2 || key.size() > 255) {
        return false;
    }
    for (std::string_view reserved : {"ID3", "TAG", "OggS", "MP+"}) {
        if (SameKeyIgnoringCase(key, reserved)) {
            return false;
        }
    }
    return std::all_of(key.begin(), key.end(), [](char c) { return c >= 0x20 && c <= 0x7E; });
}

std::vector<std::string> SplitAtNul(const std::vector<uint8_t>& value) {
    std::vector<std::string> values;
    std::string current;
    for (uint8_t byte : value) {
        if (byte == 0) {
            values.push_back(std::move(current));
            current.clear();
        } else {
            current.push_back(static_cast<char>(byte));
        }
    }
    values.push_back(std::move(current));
    return values;
}

}  // namespace

std::vector<TagItem> ApeOtherItems(const ApeTag& tag) {
    std::vector<TagItem> out;
    for (const ApeItem& item : tag.items) {
        if (IsFieldKey(item.key) || IsApePictureItem(item.key, item.flags)) {
            continue;
        }
        const uint32_t type = item.flags & ApeTag::kTypeMask;
        if (type == 0) {
            for (std::string& value : SplitAtNul(item.value)) {
                AddItemValue(out, item.key, std::move(value), true, SameKeyIgnoringCase);
            }
        } else {
            AddItemValue(out, item.key,
                         "[" + std::string(type == ApeTag::kTypeBinary ? "binary, " : "link, ") +
                             std::to_string(item.value.size()) + " bytes]",
                         false, SameKeyIgnoringCase);
        }
    }
    return out;
}

std::string ApplyApeItemEdits(ApeTag& tag, const TagItemEdits& edits) {
    for (const TagItemEdit& edit : edits) {
        if (!IsApeKey(edit.key)) {
            return "\"" + edit.key + "\" is not an APEv2 key (2 to 255 printable ASCII characters)";
        }
        if (IsFieldKey(edit.key) || SameKeyIgnoringCase(edit.key.substr(0, 9), "Cover Art")) {
            return "\"" + edit.key + "\" is kept by a field or the pictures, not as an item";
        }
    }
    for (const TagItemEdit& edit : edits) {
        auto same = [&edit](const ApeItem& item) {
            return SameKeyIgnoringCase(item.key, edit.key);
        };
        auto first = std::find_if(tag.items.begin(), tag.items.end(), same);
        const auto at = first - tag.items.begin();
        std::erase_if(tag.items, same);
        if (edit.values.empty()) {
            continue;
        }
        ApeItem item{edit.key, 0, {}};
        for (size_t i = 0; i < edit.values.size(); ++i) {
            if (i > 0) {
                item.value.push_back(0);
            }
            item.value.insert(item.value.end(), edit.values[i].begin(), edit.values[i].end());
        }
        tag.items.insert(tag.items.begin() + at, std::move(item));
    }
    return {};
}

}  // namespace songcore
