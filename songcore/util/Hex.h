#pragma once
// Hexadecimal digits, as INI data blocks, file:// locations and other texts
// of the collection spell bytes.

#include <cstdint>
#include <string>

namespace songcore {

// The value of a hexadecimal digit (either letter case); -1 for any other
// character.
constexpr int HexDigitValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

// The upper-case digit of a value 0 to 15.
constexpr char HexDigitUpper(unsigned value) {
    return "0123456789ABCDEF"[value & 0x0F];
}

// Appends the two upper-case digits of a byte.
inline void AppendHexByte(std::string& out, uint8_t byte) {
    out += HexDigitUpper(byte >> 4);
    out += HexDigitUpper(byte);
}

}  // namespace songcore
