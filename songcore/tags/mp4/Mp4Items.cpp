#include "songcore/tags/mp4/Mp4Items.h"

#include <algorithm>
#include <optional>

#include "songcore/tags/SongItems.h"
#include "songcore/tags/mp4/Mp4Atoms.h"
#include "songcore/tags/mp4/Mp4Cover.h"
#include "songcore/tags/mp4/Mp4Tag.h"
#include "songcore/util/ByteReader.h"

namespace songcore {

namespace {

constexpr std::string_view kFreeform = "----";
constexpr std::string_view kCopyrightSign = "\xC2\xA9";
// Signed and unsigned big-endian integers.
constexpr uint32_t kMp4DataSigned = 21;
constexpr uint32_t kMp4DataUnsigned = 22;

// The 0xA9 byte of an atom name as the character it stands for, and back.
std::string ShownName(std::string_view name) {
    std::string shown;
    for (char c : name) {
        if (static_cast<uint8_t>(c) == 0xA9) {
            shown += kCopyrightSign;
        } else {
            shown += c;
        }
    }
    return shown;
}

std::optional<std::string> AtomName(std::string_view shown) {
    std::string name;
    for (size_t i = 0; i < shown.size(); ++i) {
        if (shown.substr(i, 2) == kCopyrightSign) {
            name += '\xA9';
            ++i;
        } else if (static_cast<uint8_t>(shown[i]) >= 0x20 &&
                   static_cast<uint8_t>(shown[i]) < 0x7F) {
            name += shown[i];
        } else {
            return std::nullopt;
        }
    }
    return name.size() == 4 ? std::optional<std::string>(name) : std::nullopt;
}

// The text of a freeform item's "mean" or "name" atom (a version-and-flags
// word, then the text).
std::string FreeformPart(std::span<const uint8_t> raw, const std::vector<Mp4Atom>& children,
                         std::string_view type) {
    const Mp4Atom* atom = FindMp4Atom(children, type);
    if (atom == nullptr || atom->contentSize() < 4) {
        return {};
    }
    auto text = raw.subspan(atom->contentOffset() + 4, atom->contentSize() - 4);
    return std::string(text.begin(), text.end());
}

std::string KeyOf(const Mp4Item& item) {
    if (item.name != kFreeform) {
        return ShownName(item.name);
    }
    std::vector<Mp4Atom> children;
    std::span<const uint8_t> raw(item.raw);
    ListMp4Atoms(raw, std::min<size_t>(8, raw.size()), raw.size(), children);
    return std::string(kFreeform) + ":" + FreeformPart(raw, children, "mean") + ":" +
           FreeformPart(raw, children, "name");
}

// Atom names compare exactly; freeform keys in any letter case, as
// taggers differ in how they spell REPLAYGAIN_TRACK_GAIN.
bool SameKey(std::string_view a, std::string_view b) {
    return a.starts_with(kFreeform) ? SameKeyIgnoringCase(a, b) : a == b;
}

bool IsItem(const Mp4Item& item) {
    return item.name != kMp4CoverItem && !Mp4Tag::IsWrittenName(item.name);
}

std::string ValueOf(const Mp4Data& data, bool& editable) {
    if (data.type == kMp4DataUtf8) {
        return std::string(data.value.begin(), data.value.end());
    }
    editable = false;
    const size_t size = data.value.size();
    if ((data.type == kMp4DataSigned || data.type == kMp4DataUnsigned) && size >= 1 && size <= 8) {
        ByteReader reader(data.value);
        uint64_t number = 0;
        for (size_t i = 0; i < size; ++i) {
            number = number << 8 | reader.u8();
        }
        if (data.type == kMp4DataSigned && size < 8 && (number >> (size * 8 - 1)) != 0) {
            return std::to_string(static_cast<int64_t>(number) - (int64_t{1} << (size * 8)));
        }
        return data.type == kMp4DataSigned ? std::to_string(static_cast<int64_t>(number))
                                           : std::to_string(number);
    }
    return "[" + std::to_string(size) + " bytes]";
}

// A freeform item: its mean and name atoms, then a UTF-8 data atom a value.
Mp4Item MakeFreeform(std::string_view mean, std::string_view name,
                     const std::vector<std::string>& values) {
    ByteWriter body;
    for (auto [type, text] : {std::pair{"mean", mean}, std::pair{"name", name}}) {
        body.u32be(static_cast<uint32_t>(12 + text.size()));
        body.text(type);
        body.u32be(0);
        body.text(text);
    }
    for (const std::string& value : values) {
        body.u32be(static_cast<uint32_t>(16 + value.size()));
        body.text("data");
        body.u32be(kMp4DataUtf8);
        body.u32be(0);
        body.text(value);
    }
    std::vector<uint8_t> content = body.take();
    ByteWriter out;
    out.u32be(static_cast<uint32_t>(8 + content.size()));
    out.text(kFreeform);
    out.bytes(content);
    return Mp4Item{std::string(kFreeform), out.take(), {}};
}

Mp4Item MakeItem(const std::string& name, const std::vector<std::string>& values) {
    ByteWriter out;
    AppendMp4TextItem(out, name, values);
    return Mp4Item{name, out.take(), {}};
}

}  // namespace

std::vector<TagItem> Mp4OtherItems(const std::vector<Mp4Item>& items) {
    std::vector<TagItem> out;
    for (const Mp4Item& item : items) {
        if (!IsItem(item)) {
            continue;
        }
        const std::string key = KeyOf(item);
        if (item.data.empty()) {
            AddItemValue(out, key, "[" + std::to_string(item.raw.size()) + " bytes]", false,
                         SameKey);
        }
        for (const Mp4Data& data : item.data) {
            bool editable = true;
            std::string value = ValueOf(data, editable);
            AddItemValue(out, key, std::move(value), editable, SameKey);
        }
    }
    return out;
}

std::string ApplyMp4ItemEdits(std::vector<Mp4Item>& items, const TagItemEdits& edits) {
    // The new item of each edit (none for a removal), made before the list
    // is touched so that a refused key leaves it as it was.
    std::vector<std::optional<Mp4Item>> made;
    for (const TagItemEdit& edit : edits) {
        const bool freeform = edit.key.starts_with("----:");
        size_t colon = freeform ? edit.key.find(':', 5) : std::string::npos;
        std::optional<std::string> name = freeform ? std::nullopt : AtomName(edit.key);
        if (freeform ? colon == std::string::npos || colon == 5 || colon + 1 == edit.key.size()
                     : !name) {
            return "\"" + edit.key +
                   "\" is not an MP4 item key (a four-letter atom name, or ----:mean:name)";
        }
        if (name &&
            (*name == kMp4CoverItem || *name == kFreeform || Mp4Tag::IsWrittenName(*name))) {
            return "\"" + edit.key + "\" is kept by a field or the pictures, not as an item";
        }
        if (edit.values.empty()) {
            made.emplace_back();
        } else {
            made.push_back(freeform ? MakeFreeform(edit.key.substr(5, colon - 5),
                                                   edit.key.substr(colon + 1), edit.values)
                                    : MakeItem(*name, edit.values));
        }
    }
    for (size_t e = 0; e < edits.size(); ++e) {
        const TagItemEdit& edit = edits[e];
        auto same = [&edit](const Mp4Item& item) {
            return IsItem(item) && SameKey(KeyOf(item), edit.key);
        };
        auto first = std::find_if(items.begin(), items.end(), same);
        const auto at = first - items.begin();
        std::erase_if(items, same);
        if (made[e]) {
            items.insert(items.begin() + at, std::move(*made[e]));
        }
    }
    return {};
}

}  // namespace songcore
