#include "songcore/util/Base64.h"

namespace songcore {
namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

int DigitValue(char c) {
    if (c >= 'A' && c <= 'Z') {
        return c - 'A';
    }
    if (c >= 'a' && c <= 'z') {
        return c - 'a' + 26;
    }
    if (c >= '0' && c <= '9') {
        return c - '0' + 52;
    }
    if (c == '+') {
        return 62;
    }
    if (c == '/') {
        return 63;
    }
    return -1;
}

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

}  // namespace

std::string EncodeBase64(std::span<const uint8_t> data) {
    std::string out;
    out.reserve((data.size() + 2) / 3 * 4);
    for (size_t i = 0; i < data.size(); i += 3) {
        size_t have = std::min<size_t>(3, data.size() - i);
        uint32_t group = uint32_t{data[i]} << 16;
        if (have > 1) {
            group |= uint32_t{data[i + 1]} << 8;
        }
        if (have > 2) {
            group |= data[i + 2];
        }
        out += kAlphabet[(group >> 18) & 63];
        out += kAlphabet[(group >> 12) & 63];
        out += have > 1 ? kAlphabet[(group >> 6) & 63] : '=';
        out += have > 2 ? kAlphabet[group & 63] : '=';
    }
    return out;
}

std::optional<std::vector<uint8_t>> DecodeBase64(std::string_view text, size_t maxSize) {
    size_t digits = 0, padding = 0;
    for (char c : text) {
        if (c == '=') {
            ++padding;
        } else if (DigitValue(c) >= 0) {
            if (padding > 0) {
                return std::nullopt;  // digits after the padding
            }
            ++digits;
        } else if (!IsSpace(c)) {
            return std::nullopt;
        }
    }
    // Padding, when present, fills the last group to four characters; a
    // single digit left over cannot hold a byte.
    if (digits % 4 == 1 || padding > 2 || (padding > 0 && (digits + padding) % 4 != 0)) {
        return std::nullopt;
    }
    size_t size = digits / 4 * 3 + (digits % 4 == 0 ? 0 : digits % 4 - 1);
    if (size > maxSize) {
        return std::nullopt;
    }
    std::vector<uint8_t> out;
    out.reserve(size);
    uint32_t group = 0;
    int bits = 0;
    for (char c : text) {
        int value = DigitValue(c);
        if (value < 0) {
            continue;
        }
        group = (group << 6) | static_cast<uint32_t>(value);
        bits += 6;
        if (bits >= 8) {
            bits -= 8;
            out.push_back(static_cast<uint8_t>(group >> bits));
        }
    }
    return out;
}

}  // namespace songcore
