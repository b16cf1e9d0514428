#pragma once
// The values of the song fields, each in its kind's form (SongField.h): a
// text as one value, a list as its values in their order, a number (or a
// total) as its decimal digits. A field without a value holds none. The
// record keeps its fields so, and each format's reader derives the same form
// from its items, so that a writer can tell a changed field from an
// untouched one.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "songcore/tags/SongField.h"

namespace songcore {

class SongValues {
public:
    const std::vector<std::string>& Get(SongField field) const {
        return values_[static_cast<size_t>(field)];
    }
    // Stores values in the field's form: each trimmed (an exact field's
    // kept as given), empty ones dropped; the values of a text field joined
    // by "; " into one; a number by the leading digits of its first value,
    // none for 0.
    void Set(SongField field, std::vector<std::string> values);
    void Clear(SongField field) { values_[static_cast<size_t>(field)].clear(); }
    bool Has(SongField field) const { return !Get(field).empty(); }

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

    std::array<std::vector<std::string>, kSongFieldCount> values_;
};

}  // namespace songcore
