#include "songcore/tags/SongValues.h"

#include "songcore/tags/FieldText.h"
#include "songcore/util/Text.h"

namespace songcore {

void SongValues::Set(SongField field, std::vector<std::string> values) {
    const FieldInfo& info = InfoOf(field);
    std::vector<std::string> kept;
    for (std::string& value : values) {
        std::string text = info.exact ? std::move(value) : Trim(value);
        if (!text.empty()) {
            kept.push_back(std::move(text));
        }
    }
    switch (info.kind) {
        case FieldKind::Text:
            if (kept.size() > 1) {
                kept = {JoinValues(kept)};
            }
            break;
        case FieldKind::List:
            break;
        case FieldKind::Number:
        case FieldKind::Total: {
            uint32_t number = kept.empty() ? 0 : ParseTrackNumber(kept.front());
            kept.clear();
            if (number != 0) {
                kept.push_back(std::to_string(number));
            }
            break;
        }
    }
    values_[static_cast<size_t>(field)] = std::move(kept);
}

std::string SongValues::Text(SongField field) const {
    return JoinValues(Get(field));
}

void SongValues::SetText(SongField field, std::string_view text) {
    if (InfoOf(field).kind == FieldKind::List) {
        Set(field, SplitValues(text));
    } else {
        Set(field, {std::string(text)});
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

void SongValues::SetNumberOfTotal(SongField number, std::string_view text) {
    size_t slash = text.find('/');
    Set(number, {std::string(text.substr(0, slash))});
    Set(*TotalOfNumber(number),
        {slash == std::string_view::npos ? std::string() : std::string(text.substr(slash + 1))});
}

bool SongValues::Same(SongField field, const SongValues& other) const {
    if (InfoOf(field).kind == FieldKind::List) {
        return Text(field) == other.Text(field);
    }
    return Get(field) == other.Get(field);
}

}  // namespace songcore
