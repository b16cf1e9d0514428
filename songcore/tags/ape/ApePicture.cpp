#include "songcore/tags/ape/ApePicture.h"

#include <algorithm>
#include <array>

#include "songcore/util/Text.h"

namespace songcore {

namespace {

constexpr std::string_view kCoverArt = "Cover Art";

// The names other taggers give the roles, in role order.
constexpr std::array<std::string_view, kPictureTypeCount> kRoleKeys = {
    "Cover Art (Other)",
    "Cover Art (Icon)",
    "Cover Art (Other Icon)",
    "Cover Art (Front)",
    "Cover Art (Back)",
    "Cover Art (Leaflet)",
    "Cover Art (Media)",
    "Cover Art (Lead Artist)",
    "Cover Art (Artist)",
    "Cover Art (Conductor)",
    "Cover Art (Band)",
    "Cover Art (Composer)",
    "Cover Art (Lyricist)",
    "Cover Art (Recording Location)",
    "Cover Art (During Recording)",
    "Cover Art (During Performance)",
    "Cover Art (Video Capture)",
    "Cover Art (Fish)",
    "Cover Art (Illustration)",
    "Cover Art (Band Logotype)",
    "Cover Art (Publisher Logotype)",
};

uint8_t RoleOfKey(std::string_view key) {
    for (size_t type = 0; type < kRoleKeys.size(); ++type) {
        if (EqualsIgnoreCaseAscii(key, kRoleKeys[type])) {
            return static_cast<uint8_t>(type);
        }
    }
    return kPictureOther;
}

}  // namespace

bool IsApePictureItem(std::string_view key, uint32_t flags) {
    return (flags & ApeTag::kTypeMask) == ApeTag::kTypeBinary && key.size() >= kCoverArt.size() &&
           EqualsIgnoreCaseAscii(key.substr(0, kCoverArt.size()), kCoverArt);
}

std::string ApePictureKey(uint8_t type) {
    return type < kRoleKeys.size() ? std::string(kRoleKeys[type]) : std::string();
}

std::optional<Picture> ParseApePicture(const ApeItem& item) {
    if (!IsApePictureItem(item.key, item.flags)) {
        return std::nullopt;
    }
    auto nul = std::find(item.value.begin(), item.value.end(), uint8_t{0});
    if (nul == item.value.end()) {
        return std::nullopt;
    }
    size_t dataSize = static_cast<size_t>(item.value.end() - nul - 1);
    if (dataSize == 0 || dataSize > kMaxPictureSize) {
        return std::nullopt;
    }
    Picture picture;
    picture.type = RoleOfKey(item.key);
    picture.description = SanitizeUtf8(std::string(item.value.begin(), nul));
    picture.data.assign(nul + 1, item.value.end());
    picture.mime = SniffImageMime(picture.data);
    return picture;
}

std::string ReplaceApePictures(ApeTag& tag, const std::vector<Picture>& pictures) {
    std::vector<ApeItem> items;
    for (const Picture& picture : pictures) {
        std::string key = ApePictureKey(picture.type);
        if (key.empty()) {
            return "an APEv2 tag has no item for the picture role " + std::to_string(picture.type);
        }
        if (std::any_of(items.begin(), items.end(),
                        [&key](const ApeItem& item) { return item.key == key; })) {
            return "two pictures have the role " + std::string(PictureTypeName(picture.type)) +
                   "; an APEv2 tag holds one picture of each role";
        }
        if (picture.description.find('\0') != std::string::npos) {
            return "a picture's description holds a NUL character, which ends it in an APEv2 "
                   "tag";
        }
        ApeItem item{std::move(key), ApeTag::kTypeBinary, {}};
        item.value.reserve(picture.description.size() + 1 + picture.data.size());
        item.value.assign(picture.description.begin(), picture.description.end());
        item.value.push_back(0);
        item.value.insert(item.value.end(), picture.data.begin(), picture.data.end());
        items.push_back(std::move(item));
    }
    std::erase_if(tag.items,
                  [](const ApeItem& item) { return IsApePictureItem(item.key, item.flags); });
    for (ApeItem& item : items) {
        tag.items.push_back(std::move(item));
    }
    return {};
}

}  // namespace songcore
