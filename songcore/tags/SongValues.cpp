#include "songcore/tags/SongValues.h"

#include <algorithm>

#include "songcore/tags/FieldText.h"
#include "songcore/util/Text.h"

namespace songcore {

void SongValues::Take(SongField field, std::span<std::string> values) {
    const FieldInfo& info = InfoOf(field);
    if (info.kind == FieldKind::Number || info.kind == FieldKind::Total) {
        // The first value that is not blank gives the number.
        for (const std::string& value : values) {
            if (SetNumberFrom(field, value)) {
                return;
            }
        }
        SetNumber(field, 0);
        return;
    }
    // Trimmed and compacted where they stand: the readers hand over their
    // own strings, so no value is copied.
    size_t kept = 0;
    for (std::string& value : values) {
        if (!info.exact) {
            std::string_view trimmed = TrimmedView(value);
            if (trimmed.size() != value.size()) {
                value.erase(static_cast<size_t>(trimmed.data() + trimmed.size() - value.data()));
                value.erase(0, static_cast<size_t>(trimmed.data() - value.data()));
            }
        }
        if (!value.empty()) {
            if (&values[kept] != &value) {
                values[kept] = std::move(value);
            }
            ++kept;
        }
    }
    values = values.first(kept);
    if (info.kind == FieldKind::Text && values.size() > 1) {
        std::string joined = JoinValues(values);
        Replace(field, std::span<std::string>(&joined, 1));
        return;
    }
    Replace(field, values);
}

void SongValues::Replace(SongField field, std::span<std::string> values) {
    const size_t at = static_cast<size_t>(field);
    const size_t begin = start_[at];
    const size_t held = start_[at + 1] - begin;
    const size_t now = values.size();
    const size_t common = std::min(held, now);
    auto place = values_.begin() + static_cast<ptrdiff_t>(begin);
    std::move(values.begin(), values.begin() + static_cast<ptrdiff_t>(common), place);
    if (now == held) {
        return;
    }
    if (now > held) {
        // Room for the fields a tag usually holds, at the first value.
        constexpr size_t kFirstRoom = 8;
        if (values_.capacity() == 0) {
            values_.reserve(std::max(kFirstRoom, now));
        }
        if (begin + held == values_.size()) {
            // The readers set the fields in their order, so a field's new
            // values mostly go at the end.
            for (size_t more = held; more < now; ++more) {
                values_.push_back(std::move(values[more]));
            }
        } else {
            values_.insert(values_.begin() + static_cast<ptrdiff_t>(begin + held),
                           std::make_move_iterator(values.begin() + static_cast<ptrdiff_t>(held)),
                           std::make_move_iterator(values.end()));
        }
    } else {
        values_.erase(place + static_cast<ptrdiff_t>(now), place + static_cast<ptrdiff_t>(held));
    }
    const uint32_t grown = static_cast<uint32_t>(now - held);
    for (size_t later = at + 1; later < start_.size(); ++later) {
        start_[later] += grown;
    }
}

void SongValues::ClearAllBut(SongField kept) {
    const size_t at = static_cast<size_t>(kept);
    values_.erase(values_.begin() + start_[at + 1], values_.end());
    values_.erase(values_.begin(), values_.begin() + start_[at]);
    const uint32_t held = start_[at + 1] - start_[at];
    std::fill(start_.begin(), start_.begin() + static_cast<ptrdiff_t>(at) + 1, 0);
    std::fill(start_.begin() + static_cast<ptrdiff_t>(at) + 1, start_.end(), held);
}

void SongValues::TakeFields(SongValues&& other, std::bitset<kSongFieldCount> which) {
    // One pass over both records builds the new list in field order.
    std::vector<std::string> merged;
    merged.reserve(values_.size() + other.values_.size());
    std::array<uint32_t, kSongFieldCount + 1> start{};
    for (size_t at = 0; at < kSongFieldCount; ++at) {
        SongValues& from = which.test(at) ? other : *this;
        start[at] = static_cast<uint32_t>(merged.size());
        for (uint32_t value = from.start_[at]; value < from.start_[at + 1]; ++value) {
            merged.push_back(std::move(from.values_[value]));
        }
    }
    start[kSongFieldCount] = static_cast<uint32_t>(merged.size());
    values_ = std::move(merged);
    start_ = start;
    other = SongValues();
}

std::bitset<kSongFieldCount> SongValues::Held() const {
    std::bitset<kSongFieldCount> held;
    for (size_t at = 0; at < kSongFieldCount; ++at) {
        held.set(at, start_[at] != start_[at + 1]);
    }
    return held;
}

std::string SongValues::Text(SongField field) const {
    return JoinValues(Get(field));
}

void SongValues::SetText(SongField field, std::string_view text) {
    if (InfoOf(field).kind == FieldKind::List) {
        Set(field, SplitValues(text));
    } else {
        std::string value(text);
        Take(field, std::span<std::string>(&value, 1));
    }
}

uint32_t SongValues::Number(SongField field) const {
    std::span<const std::string> values = Get(field);
    return values.empty() ? 0 : ParseTrackNumber(values.front());
}

void SongValues::SetNumber(SongField field, uint32_t number) {
    if (number == 0) {
        Clear(field);
        return;
    }
    std::string digits = std::to_string(number);
    Replace(field, std::span<std::string>(&digits, 1));
}

std::string SongValues::NumberOfTotal(SongField number) const {
    uint32_t value = Number(number);
    uint32_t total = Number(*TotalOfNumber(number));
    if (value == 0) {
        return {};
    }
    return total != 0 ? std::to_string(value) + "/" + std::to_string(total) : std::to_string(value);
}

bool SongValues::SetNumberFrom(SongField field, std::string_view text) {
    std::string_view value = InfoOf(field).exact ? text : TrimmedView(text);
    SetNumber(field, value.empty() ? 0 : ParseTrackNumber(value));
    return !value.empty();
}

void SongValues::SetNumberOfTotal(SongField number, std::string_view text) {
    size_t slash = text.find('/');
    SetNumberFrom(number, text.substr(0, slash));
    SetNumberFrom(*TotalOfNumber(number),
                  slash == std::string_view::npos ? std::string_view() : text.substr(slash + 1));
}

bool SongValues::Same(SongField field, const SongValues& other) const {
    if (InfoOf(field).kind == FieldKind::List) {
        return Text(field) == other.Text(field);
    }
    return std::ranges::equal(Get(field), other.Get(field));
}

}  // namespace songcore
