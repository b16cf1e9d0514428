#include "songcore/edit/FieldEdits.h"

#include <algorithm>
#include <charconv>
#include <optional>

#include "songcore/tags/FieldText.h"
#include "songcore/tags/SongFileInfo.h"
#include "songcore/util/Text.h"

namespace songcore {
namespace {

// Genres, separated by "; ", as the tags keep them: a genre of the table by
// its name as the table spells it (typed in any letter case) or by its
// number (148, or "--", is none); any other text as typed. Nothing for a number past
// the table.
std::optional<std::vector<std::string>> ParseGenres(const std::string& text) {
    std::vector<std::string> genres;
    for (const std::string& name : SplitValues(text)) {
        if (std::all_of(name.begin(), name.end(), [](char c) { return c >= '0' && c <= '9'; })) {
            if (name.size() > 3 || std::stoi(name) > GENRE_NONE) {
                return std::nullopt;
            }
            if (int id = std::stoi(name); id < GENRE_NONE) {
                genres.push_back(GetMP3Genre(id));
            }
            continue;
        }
        if (name == GetMP3Genre(GENRE_NONE)) {
            continue;  // the list's "--", which is none
        }
        uint16_t id = FindGenreIgnoringCase(name);
        genres.push_back(id < GENRE_NONE ? GetMP3Genre(id) : name);
    }
    return genres;
}

// An empty text clears the number; anything else must start with one.
std::optional<uint32_t> ParseNumber(const std::string& text) {
    std::string trimmed = Trim(text);
    if (trimmed.empty()) {
        return 0u;
    }
    if (trimmed[0] < '0' || trimmed[0] > '9') {
        return std::nullopt;
    }
    // A number no tag can hold is refused, not read as 0.
    uint32_t value = 0;
    if (std::from_chars(trimmed.data(), trimmed.data() + trimmed.size(), value).ec ==
        std::errc::result_out_of_range) {
        return std::nullopt;
    }
    return ParseTrackNumber(trimmed);
}

bool IsNumber(SongField field) {
    FieldKind kind = InfoOf(field).kind;
    return kind == FieldKind::Number || kind == FieldKind::Total;
}

}  // namespace

void PutFieldValue(FieldValues& values, SongField field, std::string text) {
    for (auto& [have, value] : values) {
        if (have == field) {
            value = std::move(text);
            return;
        }
    }
    values.emplace_back(field, std::move(text));
}

const std::string* FindFieldValue(const FieldValues& values, SongField field) {
    for (const auto& [have, value] : values) {
        if (have == field) {
            return &value;
        }
    }
    return nullptr;
}

FieldValues WithTotalsApart(const FieldValues& changes) {
    FieldValues apart;
    for (const auto& [field, text] : changes) {
        std::optional<SongField> total = TotalOfNumber(field);
        size_t slash = text.find('/');
        if (!total) {
            apart.emplace_back(field, text);
            continue;
        }
        std::string number = text.substr(0, slash);
        apart.emplace_back(field, number);
        if (FindFieldValue(changes, *total)) {
            continue;
        }
        // A total without its number is none: most tags cannot hold it.
        if (slash != std::string::npos) {
            apart.emplace_back(*total, text.substr(slash + 1));
        } else if (ParseTrackNumber(number) == 0) {
            apart.emplace_back(*total, "");
        }
    }
    return apart;
}

std::string FieldTextProblem(SongField field, const std::string& text) {
    if (field == SongField::Genre && !ParseGenres(text)) {
        return "no genre has the number in '" + text + "' (0 to 148)";
    }
    if (IsNumber(field)) {
        std::optional<SongField> total = TotalOfNumber(field);
        size_t slash = total ? text.find('/') : std::string::npos;
        bool number = ParseNumber(text.substr(0, slash)).has_value();
        if (number && slash != std::string::npos) {
            number = ParseNumber(text.substr(slash + 1)).has_value();
        }
        if (!number) {
            return std::string(InfoOf(field).label) + " needs a whole number, not '" + text + "'";
        }
    }
    return {};
}

bool SetFieldText(CSongFileInfo& info, SongField field, const std::string& text,
                  std::string& problem) {
    problem = FieldTextProblem(field, text);
    if (!problem.empty()) {
        return false;
    }
    if (field == SongField::Genre) {
        info.SetValues(field, *ParseGenres(text));
    } else if (IsNumber(field)) {
        info.SetValues(field, {std::to_string(*ParseNumber(text))});
    } else {
        info.SetText(field, text);
    }
    return true;
}

}  // namespace songcore
