#include "songcore/tags/FieldText.h"

#include <charconv>

#include "songcore/util/Text.h"

namespace songcore {

uint32_t ParseTrackNumber(std::string_view text) {
    size_t at = 0;
    while (at < text.size() && (text[at] == ' ' || (text[at] >= '\t' && text[at] <= '\r'))) {
        ++at;
    }
    if (at < text.size() && text[at] == '+') {
        ++at;
    }
    uint32_t value = 0;
    auto [end, error] = std::from_chars(text.data() + at, text.data() + text.size(), value);
    (void)end;
    return error == std::errc() ? value : 0;
}

std::string JoinValues(std::span<const std::string> values) {
    if (values.size() == 1) {
        return values.front();
    }
    std::string joined;
    for (const std::string& value : values) {
        if (!joined.empty() || &value != &values.front()) {
            joined += kValueSeparator;
        }
        joined += value;
    }
    return joined;
}

std::vector<std::string> SplitValues(std::string_view text) {
    std::vector<std::string> values;
    while (true) {
        size_t cut = text.find(kValueSeparator);
        std::string piece = Trim(std::string(text.substr(0, cut)));
        if (!piece.empty()) {
            values.push_back(std::move(piece));
        }
        if (cut == std::string_view::npos) {
            return values;
        }
        text.remove_prefix(cut + kValueSeparator.size());
    }
}

}  // namespace songcore
