#include "cli/TerminalText.h"

#include <cstdint>
#include <cstdio>

namespace tunemoss {
namespace {

// The length of the well-formed UTF-8 sequence at text[at], or 0.
size_t Utf8Length(std::string_view text, size_t at) {
    auto byte = [&](size_t i) { return static_cast<uint8_t>(text[i]); };
    uint8_t lead = byte(at);
    size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
    if (lead < 0xC2 || lead > 0xF4 || at + length > text.size()) {
        return 0;
    }
    for (size_t i = 1; i < length; ++i) {
        if ((byte(at + i) & 0xC0) != 0x80) {
            return 0;
        }
    }
    uint8_t second = byte(at + 1);
    // Overlong forms, UTF-16 surrogates and code points above U+10FFFF.
    if ((lead == 0xE0 && second < 0xA0) || (lead == 0xED && second >= 0xA0) ||
        (lead == 0xF0 && second < 0x90) || (lead == 0xF4 && second >= 0x90)) {
        return 0;
    }
    return length;
}

void AppendHex(std::string& out, const char* format, unsigned value) {
    char text[8];
    std::snprintf(text, sizeof text, format, value);
    out += text;
}

std::string Escape(std::string_view text, bool keepLineEnds) {
    std::string out;
    out.reserve(text.size());
    size_t at = 0;
    while (at < text.size()) {
        auto c = static_cast<uint8_t>(text[at]);
        if (c >= 0x80) {
            size_t length = Utf8Length(text, at);
            if (length == 0) {
                AppendHex(out, "\\x%02X", c);
                ++at;
            } else if (c == 0xC2 && static_cast<uint8_t>(text[at + 1]) < 0xA0) {
                AppendHex(out, "\\u%04X", static_cast<uint8_t>(text[at + 1]));
                at += 2;
            } else {
                out.append(text.substr(at, length));
                at += length;
            }
            continue;
        }
        ++at;
        switch (c) {
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += keepLineEnds ? "\n" : "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            case 0x1B:
                out += "\\e";
                break;
            default:
                if (c < 0x20 || c == 0x7F) {
                    AppendHex(out, "\\x%02X", c);
                } else {
                    out += static_cast<char>(c);
                }
        }
    }
    return out;
}

}  // namespace

std::string EscapeForTerminal(std::string_view text) {
    return Escape(text, false);
}

std::string EscapeLinesForTerminal(std::string_view text) {
    return Escape(text, true);
}

}  // namespace tunemoss
