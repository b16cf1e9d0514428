#pragma once
// The text rules that every tag format shares: how a track number is read
// out of its text, and how a field that a format stores as several values
// ("ARTIST=A1", "ARTIST=A2") is shown as one text and split again.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace songcore {

// Between the values of one field when they are shown as one text.
inline constexpr std::string_view kValueSeparator = "; ";

// The leading decimal number of a track text ("7", " 7", "+7", "7/12" give
// 7). A text without one, a negative number and a number too large for the
// field give 0, "no track".
uint32_t ParseTrackNumber(std::string_view text);

// The values joined by "; ", in their order.
std::string JoinValues(std::span<const std::string> values);
// The inverse: the pieces between "; ", each trimmed, empty ones dropped. An
// empty text gives no values.
std::vector<std::string> SplitValues(std::string_view text);

}  // namespace songcore
