#pragma once
// The values of the song fields, each in its kind's form (SongField.h): a
// text as one value, a list as its values in their order, a number (or a
// total) as its decimal digits. A field without a value holds none. The
// record keeps its fields so, and each format's reader derives the same form
// from its items, so that a writer can tell a changed field from an
// untouched one.
//
// The values of all fields lie in one list, field after field, so that a
// record costs one allocation however many fields it holds.

#include <array>
#include <bitset>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "songcore/tags/SongField.h"

namespace songcore {

class SongValues {
public:
    // Valid until the next change of any field.
    std::span<const std::string> Get(SongField field) const {
        const size_t at = static_cast<size_t>(field);
        return std::span<const std::string>(values_.data() + start_[at],
                                            start_[at + 1] - start_[at]);
    }
    // Stores values in the field's form: each trimmed (an exact field's
    // kept as given), empty ones dropped; the values of a text field joined
    // by "; " into one; a number by the leading digits of its first value,
    // none for 0.
    void Set(SongField field, std::vector<std::string> values) { Take(field, values); }
    // The same, moving the values out of strings the caller no longer needs
    // (none of them this record's own).
    void Take(SongField field, std::span<std::string> values);
    void Clear(SongField field) { Replace(field, {}); }
    void ClearAllBut(SongField kept);
    // Takes the values of the fields in `which` from other, a record made to
    // be dropped; those fields lose what they held here, the others keep it.
    void TakeFields(SongValues&& other, std::bitset<kSongFieldCount> which);
    // The fields that hold a value.
    std::bitset<kSongFieldCount> Held() const;
    bool Has(SongField field) const {
        const size_t at = static_cast<size_t>(field);
        return start_[at] != start_[at + 1];
    }

    // The values as one text, joined by "; ".
    std::string Text(SongField field) const;
    // Sets the field from such a text: a list field's text split at "; ",
    // any other kept whole.
    void SetText(SongField field, std::string_view text);
    uint32_t Number(SongField field) const;
    void SetNumber(SongField field, uint32_t number);

    // A number and its total in one text, as tags that keep them together
    // write them: "6/12", "6" without a total; "" without a number, as such
    // a text cannot hold a total alone.
    std::string NumberOfTotal(SongField number) const;
    // Sets a number and its total from such a text ("6/12", "6", "/12").
    void SetNumberOfTotal(SongField number, std::string_view text);

    // Whether other holds the same value. A list compares as its text, so
    // one value "A; B" and the two values A and B are the same.
    bool Same(SongField field, const SongValues& other) const;

private:
    // Sets a number (or total) field from one value; false when the value
    // is blank (the field is then cleared).
    bool SetNumberFrom(SongField field, std::string_view text);
    // Puts values, moved, in place of the field's.
    void Replace(SongField field, std::span<std::string> values);

    std::vector<std::string> values_;
    // Where each field's values begin in values_; the last entry is its end.
    std::array<uint32_t, kSongFieldCount + 1> start_{};
};

}  // namespace songcore
