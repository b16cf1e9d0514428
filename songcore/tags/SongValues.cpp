#include "songcore/tags/SongValues.h"

#include "songcore/tags/FieldText.h"
#include "songcore/util/Text.h"

namespace songcore {

namespace {

// One value, copied once (a braced list would copy it twice).
std::vector<std::string> OneValue(std::string_view text) {
    std::vector<std::string> values;
    values.emplace_back(text);
    return values;
}

}  // namespace

void SongValues::Set(SongField field, std::vector<std::string> values) {
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
    // own vectors, so no value is copied.
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
    values.resize(kept);
    if (info.kind == FieldKind::Text && values.size() > 1) {
        values = {JoinValues(values)};
    }
    values_[static_cast<size_t>(field)] = std::move(values);
}

std::string SongValues::Text(SongField field) const {
    return JoinValues(Get(field));
}

void SongValues::SetText(SongField field, std::string_view text) {
    if (InfoOf(field).kind == FieldKind::List) {
        Set(field, SplitValues(text));
    } else {
        Set(field, OneValue(text));
    }
}

uint32_t SongValues::Number(SongField field) const {
    const std::vector<std::string>& values = Get(field);
    return values.empty() ? 0 : ParseTrackNumber(values.front());
}

void SongValues::SetNumber(SongField field, uint32_t number) {
    values_[static_cast<size_t>(field)].clear();
    if (number != 0) {
        values_[static_cast<size_t>(field)].push_back(std::to_string(number));
    }
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
    return Get(field) == other.Get(field);
}

}  // namespace songcore
