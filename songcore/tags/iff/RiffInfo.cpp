#include "songcore/tags/iff/RiffInfo.h"

#include <algorithm>

#include "songcore/util/ByteReader.h"
#include "songcore/util/ByteWriter.h"
#include "songcore/util/Text.h"

namespace songcore {

namespace {

// The field's value as the item's text: a track with its total ("7/12").
std::string FieldText(const SongValues& fields, SongField field) {
    return TotalOfNumber(field) ? fields.NumberOfTotal(field) : fields.Text(field);
}

void SetField(SongValues& fields, SongField field, const std::string& text) {
    if (TotalOfNumber(field)) {
        fields.SetNumberOfTotal(field, text);
    } else {
        fields.SetText(field, text);
    }
}

// Whether the item, read as the field, gives what fields holds.
bool Holds(const RiffInfoItem& item, const RiffInfoField& entry, const SongValues& fields) {
    SongValues read;
    SetField(read, entry.field, RiffInfo::Text(item));
    std::optional<SongField> total = TotalOfNumber(entry.field);
    return read.Same(entry.field, fields) && (!total || read.Same(*total, fields));
}

std::vector<uint8_t> Terminated(const std::string& text) {
    std::vector<uint8_t> bytes(text.begin(), text.end());
    bytes.push_back(0);
    return bytes;
}

}  // namespace

std::optional<RiffInfo> RiffInfo::Parse(std::span<const uint8_t> body) {
    ByteReader reader(body);
    if (reader.fourcc() != "INFO" || !reader.ok()) {
        return std::nullopt;
    }
    RiffInfo info;
    // Each item takes at least its 8 header bytes, so the walk ends.
    while (reader.remaining() >= 8) {
        RiffInfoItem item;
        item.id = reader.fourcc();
        uint32_t size = reader.u32le();
        if (!reader.has(size)) {
            break;
        }
        std::span<const uint8_t> value = reader.bytes(size);
        item.value.assign(value.begin(), value.end());
        info.items.push_back(std::move(item));
        if (size & 1) {
            reader.skip(1);
        }
    }
    return info;
}

std::vector<uint8_t> RiffInfo::Serialize() const {
    ByteWriter writer;
    writer.text("INFO");
    for (const RiffInfoItem& item : items) {
        writer.text(item.id);
        writer.u32le(static_cast<uint32_t>(item.value.size()));
        writer.bytes(item.value);
        if (item.value.size() & 1) {
            writer.u8(0);
        }
    }
    return writer.take();
}

const RiffInfoItem* RiffInfo::Find(const std::string& id) const {
    for (const RiffInfoItem& item : items) {
        if (item.id == id) {
            return &item;
        }
    }
    return nullptr;
}

std::string RiffInfo::Text(const RiffInfoItem& item) {
    std::string text(item.value.begin(), item.value.end());
    text = text.substr(0, text.find('\0'));
    return IsValidUtf8(text) ? text : Latin1ToUtf8(text);
}

SongValues RiffInfo::Fields() const {
    SongValues fields;
    for (const RiffInfoField& entry : kRiffInfoFields) {
        const RiffInfoItem* item = Find(entry.id);
        if (item && !fields.Has(entry.field)) {
            SetField(fields, entry.field, Text(*item));
        }
    }
    return fields;
}

void RiffInfo::Update(const SongValues& fields) {
    // Whether each entry's field had an item under any of its ids, before
    // the update: only a field without one gets a new item.
    std::array<bool, kRiffInfoFields.size()> hadItem{};
    for (size_t i = 0; i < kRiffInfoFields.size(); ++i) {
        hadItem[i] = std::any_of(kRiffInfoFields.begin(), kRiffInfoFields.end(),
                                 [&](const RiffInfoField& other) {
                                     return other.field == kRiffInfoFields[i].field &&
                                            Find(other.id) != nullptr;
                                 });
    }
    for (size_t i = 0; i < kRiffInfoFields.size(); ++i) {
        const RiffInfoField& entry = kRiffInfoFields[i];
        const bool firstId = i == 0 || kRiffInfoFields[i - 1].field != entry.field;
        std::string text = FieldText(fields, entry.field);
        auto first = std::find_if(items.begin(), items.end(),
                                  [&](const RiffInfoItem& item) { return item.id == entry.id; });
        if (first != items.end() && Holds(*first, entry, fields)) {
            continue;
        }
        if (text.empty()) {
            std::erase_if(items, [&](const RiffInfoItem& item) { return item.id == entry.id; });
        } else if (first != items.end()) {
            first->value = Terminated(text);
        } else if (firstId && !hadItem[i]) {
            items.push_back({entry.id, Terminated(text)});
        }
    }
}

}  // namespace songcore
