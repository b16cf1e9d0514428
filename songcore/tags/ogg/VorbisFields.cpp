// The song information fields as Vorbis comments: one table, read by
// ReadOggCommentItem and written by BuildVorbisComments, for Ogg and FLAC.
#include <algorithm>
#include <array>
#include <numeric>
#include <optional>
#include <span>
#include <string_view>

#include "songcore/tags/FieldText.h"
#include "songcore/tags/SongFileInfo.h"
#include "songcore/tags/SongItems.h"
#include "songcore/tags/ogg/VorbisComments.h"
#include "songcore/util/Codepage.h"
#include "songcore/util/Text.h"

using songcore::SongField;

struct CSongFileInfo::VorbisField {
    // The key written, then a second key read into the same field
    // (DESCRIPTION into the comment) or nothing; an edit of the field
    // replaces the items of both.
    std::array<std::string_view, 2> names;
    SongField field;
    // The version is shown but never edited, so its items are left as they
    // are, like those of any key outside the table.
    bool written = true;

    std::string_view key() const { return names[0]; }
    std::span<const std::string_view> keys() const {
        return std::span<const std::string_view>(names.data(), names[1].empty() ? 1 : 2);
    }

    static const std::array<VorbisField, 19> kTable;
    static const VorbisField* Find(std::string_view key);
    // The place in the table of the field a key of any letter case belongs
    // to; asked of every item a reader meets.
    static std::optional<size_t> IndexOf(std::string_view key);
};

// TRACKNUMBER may hold the total as well ("6/12"), as other programs write
// it; a TRACKTOTAL item is the usual form, and wins.
const std::array<CSongFileInfo::VorbisField, 19> CSongFileInfo::VorbisField::kTable = {{
    {{"TITLE"}, SongField::Title},
    {{"VERSION"}, SongField::Version, false},
    {{"ALBUM"}, SongField::Album},
    {{"TRACKNUMBER"}, SongField::Track},
    {{"TRACKTOTAL", "TOTALTRACKS"}, SongField::TrackTotal},
    {{"DISCNUMBER"}, SongField::Disc},
    {{"DISCTOTAL", "TOTALDISCS"}, SongField::DiscTotal},
    {{"ARTIST"}, SongField::Artist},
    {{"ALBUMARTIST"}, SongField::AlbumArtist},
    {{"PERFORMER"}, SongField::Performer},
    {{"COPYRIGHT"}, SongField::Copyright},
    {{"LICENSE"}, SongField::License},
    {{"ORGANIZATION"}, SongField::Organization},
    {{"COMMENT", "DESCRIPTION"}, SongField::Comment},
    {{"GENRE"}, SongField::Genre},
    {{"DATE"}, SongField::Year},
    {{"LOCATION"}, SongField::Location},
    {{"CONTACT"}, SongField::Contact},
    {{"LYRICS"}, SongField::Lyrics},
}};

const CSongFileInfo::VorbisField* CSongFileInfo::VorbisField::Find(std::string_view key) {
    for (const VorbisField& field : kTable) {
        if (field.key() == key) {
            return &field;
        }
    }
    return nullptr;
}

std::optional<size_t> CSongFileInfo::VorbisField::IndexOf(std::string_view key) {
    // The keys grouped by length: a key is compared with at most four.
    struct Entry {
        std::string_view key;
        size_t index;
    };
    constexpr size_t kLongestKey = 15;
    static const std::array<std::vector<Entry>, kLongestKey + 1> byLength = [] {
        std::array<std::vector<Entry>, kLongestKey + 1> all;
        for (size_t at = 0; at < kTable.size(); ++at) {
            for (std::string_view one : kTable[at].keys()) {
                all.at(one.size()).push_back({one, at});
            }
        }
        return all;
    }();
    if (key.size() > kLongestKey) {
        return std::nullopt;
    }
    for (const Entry& entry : byLength[key.size()]) {
        if (songcore::EqualsIgnoreCaseAscii(key, entry.key)) {
            return entry.index;
        }
    }
    return std::nullopt;
}

namespace {

// Whether the items of a number hold its total too ("6/12").
bool HoldsTotal(const std::vector<std::string>& items, std::span<const std::string_view> keys) {
    for (const std::string& value : songcore::CommentValues(items, keys)) {
        if (value.find('/') != std::string::npos) {
            return true;
        }
    }
    return false;
}

// The field's value as the reader makes it of the items' values: several
// texts joined, a list in its order; a number from the last value, as later
// items overrule earlier ones.
void ApplyValues(songcore::SongValues& fields, SongField field, std::span<std::string> values) {
    const bool number = songcore::InfoOf(field).kind == songcore::FieldKind::Number;
    fields.Take(field, number ? values.last(1) : values);
}

}  // namespace

int CSongFileInfo::ReadOggCommentItem(const uint8_t* data, size_t size) {
    songcore::VorbisCommentViews comments;
    bool complete =
        songcore::VorbisCommentViews::Parse(std::span<const uint8_t>(data, size), comments,
                                            songcore::VorbisComments::Pictures::kLeaveOut);
    SetVendor(std::string(comments.vendor));
    ApplyVorbisItems(comments.items);
    return complete ? 1 : 0;
}

int CSongFileInfo::ReadOggCommentItem(const songcore::ReadExactFn& read, uint64_t size) {
    // A list without pictures is small: read at once, its items are looked
    // at where they lie. A larger one is read a window at a time, past its
    // pictures.
    constexpr uint64_t kWholeList = 64 * 1024;
    std::vector<uint8_t> whole;
    if (size <= kWholeList && read(0, static_cast<size_t>(size), whole)) {
        return ReadOggCommentItem(whole.data(), whole.size());
    }
    songcore::VorbisComments comments;
    bool complete = songcore::VorbisComments::Parse(read, size, comments, nullptr,
                                                    songcore::VorbisComments::Pictures::kLeaveOut);
    SetVendor(comments.vendor);
    ApplyVorbisItems(comments.items);
    return complete ? 1 : 0;
}

void CSongFileInfo::ApplyVorbisItems(const std::vector<std::string>& items) {
    std::vector<std::string_view> views(items.begin(), items.end());
    ApplyVorbisItems(views);
}

void CSongFileInfo::ApplyVorbisItems(std::span<const std::string_view> items) {
    // The values of each field together, in the items' order, in one list:
    // a first pass finds each item's field and counts the fields' values, a
    // second decodes each value into its place.
    constexpr size_t kFields = VorbisField::kTable.size();
    constexpr uint8_t kNoField = 0xFF;
    static_assert(kFields < kNoField);
    std::vector<uint8_t> fieldOf(items.size(), kNoField);
    std::array<size_t, kFields + 1> start{};
    for (size_t item = 0; item < items.size(); ++item) {
        std::optional<size_t> at =
            VorbisField::IndexOf(songcore::VorbisComments::KeyView(items[item]));
        if (at) {
            fieldOf[item] = static_cast<uint8_t>(*at);
            ++start[*at + 1];
        }
    }
    for (size_t at = 0; at < kFields; ++at) {
        start[at + 1] += start[at];
    }
    std::vector<std::string> all(start[kFields]);
    std::array<size_t, kFields> next;
    std::copy_n(start.begin(), kFields, next.begin());
    std::array<bool, kFields> legacyOf{};
    for (size_t item = 0; item < items.size(); ++item) {
        if (fieldOf[item] == kNoField) {
            continue;
        }
        const size_t at = fieldOf[item];
        std::string_view key = songcore::VorbisComments::KeyView(items[item]);
        // Decoded straight from the item: the value is copied once.
        bool legacy = false;
        all[next[at]++] = songcore::UnicodeTagText(items[item].substr(key.size() + 1), legacy);
        legacyOf[at] = legacyOf[at] || legacy;
    }
    // In the record's order of fields, so that each field's values go
    // after those already there instead of moving them.
    static const std::array<uint8_t, kFields> kInRecordOrder = [] {
        std::array<uint8_t, kFields> order;
        std::iota(order.begin(), order.end(), uint8_t(0));
        std::stable_sort(order.begin(), order.end(), [](uint8_t a, uint8_t b) {
            return VorbisField::kTable[a].field < VorbisField::kTable[b].field;
        });
        return order;
    }();
    for (size_t at : kInRecordOrder) {
        const VorbisField& field = VorbisField::kTable[at];
        std::span<std::string> values(all.data() + start[at], start[at + 1] - start[at]);
        if (values.empty()) {
            continue;
        }
        legacyText_.set(static_cast<size_t>(field.field), legacyOf[at]);
        std::optional<SongField> total = songcore::TotalOfNumber(field.field);
        if (total && !fields_.Has(*total)) {
            fields_.SetNumberOfTotal(field.field, values.back());
        }
        ApplyValues(fields_, field.field, values);
    }
}

bool CSongFileInfo::VorbisFieldChanged(const VorbisField& field, const CSongFileInfo& old,
                                       const std::vector<std::string>& oldItems) const {
    if (!fields_.Same(field.field, old.fields_)) {
        return true;
    }
    // A number that held its total as well is written anew when the total
    // changes, without it, so that the old total does not come back.
    std::optional<SongField> total = songcore::TotalOfNumber(field.field);
    return total && !fields_.Same(*total, old.fields_) && HoldsTotal(oldItems, field.keys());
}

songcore::VorbisComments CSongFileInfo::BuildVorbisComments(
    std::string vendor, std::span<const std::string_view> keys,
    const std::vector<std::string>& oldItems) const {
    // A field that still holds what the reader makes of the old items was not
    // edited: its items stay exactly as they are, spelling and order, even
    // where the field shows less than they hold ("5/12", a genre outside the
    // table).
    CSongFileInfo old;
    old.ApplyVorbisItems(oldItems);
    songcore::VorbisComments comments;
    comments.vendor = std::move(vendor);
    comments.items = oldItems;
    for (std::string_view key : keys) {
        const VorbisField* field = VorbisField::Find(key);
        if (!field || !field->written || !VorbisFieldChanged(*field, old, oldItems)) {
            continue;
        }
        songcore::ReplaceCommentValues(comments.items, field->keys(), field->key(),
                                       GetValues(field->field));
    }
    return comments;
}

namespace {

// The pictures have their own list, and the vendor is no item at all.
bool IsVorbisPictureKey(std::string_view key) {
    return key == "METADATA_BLOCK_PICTURE" || key == "COVERART" || key == "COVERARTMIME";
}

// A key is printable ASCII without '=', as the comment format defines it.
bool IsVorbisKey(std::string_view key) {
    return !key.empty() && std::all_of(key.begin(), key.end(),
                                       [](char c) { return c >= 0x20 && c <= 0x7D && c != '='; });
}

}  // namespace

bool CSongFileInfo::IsVorbisFieldKey(std::string_view key) {
    return VorbisField::IndexOf(key).has_value();
}

std::vector<songcore::TagItem> CSongFileInfo::VorbisOtherItems(
    const std::vector<std::string>& items) const {
    std::vector<songcore::TagItem> out;
    for (const std::string& item : items) {
        std::string key = songcore::VorbisComments::KeyOf(item);
        if (key.empty() || IsVorbisFieldKey(key) || IsVorbisPictureKey(key)) {
            continue;
        }
        songcore::AddItemValue(out, std::move(key), item.substr(item.find('=') + 1), true,
                               songcore::SameKeyExactly);
    }
    return out;
}

std::string CSongFileInfo::ApplyVorbisItemEdits(std::vector<std::string>& items) const {
    if (!pendingItems_) {
        return {};
    }
    for (const songcore::TagItemEdit& edit : *pendingItems_) {
        const std::string key = songcore::ToUpperAscii(edit.key);
        if (!IsVorbisKey(key)) {
            return "\"" + edit.key + "\" is not a comment key (printable ASCII without \"=\")";
        }
        if (IsVorbisFieldKey(key) || IsVorbisPictureKey(key)) {
            return "\"" + edit.key + "\" is kept by a field or the pictures, not as an item";
        }
        const std::string_view keys[] = {key};
        songcore::ReplaceCommentValues(items, keys, key, edit.values);
    }
    return {};
}
