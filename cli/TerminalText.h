#pragma once
// Text from song files shown on a terminal. Tags are written by whoever made
// the file, and raw control characters in them would reach the terminal:
// escape sequences that retitle the window or clear the screen, newlines
// that forge lines of output. Everything printed as plain text goes through
// here; JSON output has its own escaping and does not.
//
// The escaped form is unambiguous and reads back by the usual C rules:
//   backslash -> \\        newline -> \n      carriage return -> \r
//   tab       -> \t        escape  -> \e
//   any other control byte (0x00-0x1F, 0x7F), and any byte that is not
//   part of well-formed UTF-8                                   -> \xHH
//   the C1 controls U+0080-U+009F (which some terminals obey)   -> \u0080...
// All other text, UTF-8 included, is kept as it is.

#include <string>
#include <string_view>

namespace tunemoss {

// One value: every control character escaped, newlines included.
std::string EscapeForTerminal(std::string_view text);

// Several lines: each "\n" that ends a line is kept, everything else is
// escaped as EscapeForTerminal does.
std::string EscapeLinesForTerminal(std::string_view text);

}  // namespace tunemoss
