#include "songcore/tags/id3/Id3v2Items.h"

#include <algorithm>
#include <optional>

#include "songcore/tags/FieldText.h"
#include "songcore/tags/SongItems.h"
#include "songcore/util/ByteWriter.h"
#include "songcore/util/Text.h"

namespace songcore {

namespace {

// The owner or description that names a frame among others of its id.
enum class Naming { None, Described, Owned };

Naming NamingOf(std::string_view id) {
    if (id == "TXXX" || id == "WXXX" || id == "COMM" || id == "USLT") {
        return Naming::Described;
    }
    if (id == "UFID" || id == "POPM" || id == "PRIV") {
        return Naming::Owned;
    }
    return Naming::None;
}

bool IsTextId(std::string_view id) {
    return id.size() == 4 && id[0] == 'T' && id != "TXXX";
}
bool IsUrlId(std::string_view id) {
    return id.size() == 4 && id[0] == 'W' && id != "WXXX";
}

bool IsFrameId(std::string_view id) {
    return id.size() == 4 && std::all_of(id.begin(), id.end(), [](char c) {
               return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
           });
}

std::string Bracketed(const std::string& what, size_t size) {
    return "[" + what + std::to_string(size) + " bytes]";
}

// A decoded frame: its key and values, or nothing for a frame that cannot
// be read as its kind.
struct FrameItem {
    std::string key;
    std::vector<std::string> values;
    bool editable = true;
};

// The string ended by a NUL at the start of content (ISO-8859-1), and the
// rest after it.
std::pair<std::string, std::span<const uint8_t>> Latin1Head(std::span<const uint8_t> content) {
    auto end = std::find(content.begin(), content.end(), uint8_t{0});
    std::string head = Latin1ToUtf8(std::string(content.begin(), end));
    size_t used = static_cast<size_t>(end - content.begin());
    return {std::move(head), content.subspan(std::min(used + 1, content.size()))};
}

bool IsPrintableAscii(std::span<const uint8_t> bytes) {
    return std::all_of(bytes.begin(), bytes.end(), [](uint8_t b) { return b >= 0x20 && b < 0x7F; });
}

std::optional<FrameItem> Decode(const Id3v2Tag& tag, const Id3v2Frame& frame) {
    std::optional<std::vector<uint8_t>> content = tag.Content(frame);
    if (!content) {
        return FrameItem{
            frame.id, {Bracketed("compressed or encrypted, ", frame.data.size())}, false};
    }
    std::span<const uint8_t> bytes(*content);
    if (IsTextId(frame.id)) {
        std::optional<std::vector<std::string>> values = DecodeId3v2Values(bytes);
        return values ? std::optional<FrameItem>({frame.id, std::move(*values)}) : std::nullopt;
    }
    if (IsUrlId(frame.id)) {
        return FrameItem{frame.id, {Latin1Head(bytes).first}};
    }
    if (NamingOf(frame.id) == Naming::Described) {
        if (bytes.empty()) {
            return std::nullopt;
        }
        const uint8_t encoding = bytes[0];
        const size_t head = frame.id == "COMM" || frame.id == "USLT" ? 4 : 1;
        if (bytes.size() < head) {
            return std::nullopt;
        }
        auto description = DecodeId3v2String(encoding, bytes.subspan(head));
        if (!description) {
            return std::nullopt;
        }
        std::span<const uint8_t> rest = bytes.subspan(head + description->second);
        FrameItem item{frame.id + ":" + description->first, {}};
        if (frame.id == "WXXX") {
            item.values.push_back(Latin1Head(rest).first);
        } else {
            std::vector<uint8_t> values{encoding};
            values.insert(values.end(), rest.begin(), rest.end());
            std::optional<std::vector<std::string>> decoded = DecodeId3v2Values(values);
            if (!decoded) {
                return std::nullopt;
            }
            item.values = frame.id == "TXXX" ? std::move(*decoded)
                                             : std::vector<std::string>{JoinValues(*decoded)};
        }
        return item;
    }
    if (NamingOf(frame.id) == Naming::Owned) {
        auto [owner, rest] = Latin1Head(bytes);
        FrameItem item{frame.id + ":" + owner, {}, false};
        if (frame.id == "UFID" && IsPrintableAscii(rest)) {
            item.values.emplace_back(rest.begin(), rest.end());
            item.editable = true;
        } else if (frame.id == "POPM" && !rest.empty()) {
            item.values.push_back("rating " + std::to_string(rest[0]) + " of 255");
        } else {
            item.values.push_back(Bracketed("", rest.size()));
        }
        return item;
    }
    return FrameItem{frame.id, {Bracketed("", bytes.size())}, false};
}

// The frames that are items: not a picture, not the frame a field is read
// from, nor another frame of a text field's id (which the writer drops).
std::vector<bool> ItemFrames(const Id3v2Tag& tag) {
    std::vector<bool> items(tag.frames.size(), true);
    for (const std::optional<size_t>& index : tag.FieldFrames()) {
        if (index) {
            items[*index] = false;
        }
    }
    for (size_t i = 0; i < tag.frames.size(); ++i) {
        const std::string& id = tag.frames[i].id;
        if (id == "APIC" || id == "PIC" || IsId3v2FieldTextId(id)) {
            items[i] = false;
        }
    }
    return items;
}

// Ids compare exactly; descriptions and owners in any letter case, as
// taggers differ in how they spell REPLAYGAIN_TRACK_GAIN.
bool SameKey(std::string_view a, std::string_view b) {
    // A 2.2 tag's ids have three letters.
    auto name = [](std::string_view key) { return key.size() > 4 ? key.substr(4) : ""; };
    return a.substr(0, 4) == b.substr(0, 4) && SameKeyIgnoringCase(name(a), name(b));
}

std::string Refusal(const std::string& key, const char* why) {
    return "\"" + key + "\" " + why;
}

// Why the edit cannot be made; empty when it can.
std::string EditProblem(const TagItemEdit& edit) {
    const std::string id = edit.key.substr(0, 4);
    const bool named = edit.key.size() > 4;
    if (!IsFrameId(id) || (named && edit.key[4] != ':')) {
        return Refusal(edit.key,
                       "is not an ID3v2 frame key (a frame id such as TBPM, or "
                       "TXXX:description)");
    }
    if (id == "APIC" || IsId3v2FieldTextId(id)) {
        return Refusal(edit.key, "is kept by a field or the pictures, not as an item");
    }
    const Naming naming = NamingOf(id);
    if (naming != Naming::None && !named) {
        return Refusal(edit.key, "needs its description or owner after a colon (TXXX:NAME)");
    }
    // Without a description these are the comment, the lyrics and the URL.
    if ((id == "COMM" || id == "USLT" || id == "WXXX") && edit.key.size() == 5) {
        return Refusal(edit.key, "is kept by a field, not as an item");
    }
    if (naming == Naming::None && named) {
        return Refusal(edit.key, "takes no description");
    }
    if (edit.values.empty()) {
        return {};
    }
    if (!IsTextId(id) && !IsUrlId(id) && naming != Naming::Described && id != "UFID") {
        return Refusal(edit.key, "can only be removed, not written as text");
    }
    if (id == "UFID" &&
        (edit.values.size() != 1 || edit.values[0].size() > 64 ||
         !IsPrintableAscii(std::span<const uint8_t>(
             reinterpret_cast<const uint8_t*>(edit.values[0].data()), edit.values[0].size())))) {
        return Refusal(edit.key, "holds one identifier of at most 64 ASCII characters");
    }
    return {};
}

Id3v2Frame MakeFrame(const TagItemEdit& edit, uint8_t major) {
    const std::string id = edit.key.substr(0, 4);
    const std::string name = edit.key.size() > 5 ? edit.key.substr(5) : std::string();
    // 2.3 has no list in a text frame: its values stay one text there.
    std::vector<std::string> values =
        major >= 4 ? edit.values : std::vector<std::string>{JoinValues(edit.values)};
    std::string allText = name;
    for (const std::string& value : values) {
        allText += value;
    }
    ByteWriter out;
    if (IsUrlId(id)) {
        out.text(Id3v2UrlToLatin1(values.front()));
    } else if (id == "UFID") {
        out.text(Utf8ToLatin1(name));
        out.u8(0);
        out.text(edit.values.front());
    } else if (id == "WXXX") {
        const uint8_t encoding = ChooseId3v2Encoding(name, major);
        out.u8(encoding);
        out.bytes(EncodeId3v2String(encoding, name, true));
        out.text(Id3v2UrlToLatin1(values.front()));
    } else {
        const uint8_t encoding = ChooseId3v2Encoding(allText, major);
        out.u8(encoding);
        if (id == "COMM" || id == "USLT") {
            out.text("eng");
            values = {JoinValues(edit.values)};
        }
        if (NamingOf(id) == Naming::Described) {
            out.bytes(EncodeId3v2String(encoding, name, true));
        }
        for (size_t i = 0; i < values.size(); ++i) {
            out.bytes(EncodeId3v2String(encoding, values[i], i + 1 < values.size()));
        }
    }
    return Id3v2Frame{id, 0, out.take()};
}

}  // namespace

std::vector<TagItem> Id3v2OtherItems(const Id3v2Tag& tag) {
    std::vector<TagItem> out;
    const std::vector<bool> items = ItemFrames(tag);
    for (size_t i = 0; i < tag.frames.size(); ++i) {
        if (!items[i]) {
            continue;
        }
        std::optional<FrameItem> item = Decode(tag, tag.frames[i]);
        if (!item) {
            item = FrameItem{
                tag.frames[i].id, {Bracketed("damaged, ", tag.frames[i].data.size())}, false};
        }
        for (std::string& value : item->values) {
            AddItemValue(out, item->key, std::move(value), item->editable, SameKey);
        }
        if (item->values.empty()) {
            AddItemValue(out, item->key, "", item->editable, SameKey);
        }
    }
    return out;
}

std::string ApplyId3v2ItemEdits(Id3v2Tag& tag, const TagItemEdits& edits) {
    for (const TagItemEdit& edit : edits) {
        if (std::string why = EditProblem(edit); !why.empty()) {
            return why;
        }
    }
    for (const TagItemEdit& edit : edits) {
        const std::vector<bool> items = ItemFrames(tag);
        std::optional<size_t> first;
        std::vector<Id3v2Frame> kept;
        for (size_t i = 0; i < tag.frames.size(); ++i) {
            std::optional<FrameItem> item =
                items[i] ? Decode(tag, tag.frames[i]) : std::optional<FrameItem>();
            const std::string key = item ? item->key : tag.frames[i].id;
            if (items[i] && SameKey(key, edit.key)) {
                first = first ? first : std::optional<size_t>(kept.size());
                continue;
            }
            kept.push_back(std::move(tag.frames[i]));
        }
        if (!edit.values.empty()) {
            kept.insert(kept.begin() + static_cast<long>(first.value_or(kept.size())),
                        MakeFrame(edit, tag.major));
        }
        tag.frames = std::move(kept);
    }
    return {};
}

}  // namespace songcore
