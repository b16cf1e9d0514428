#include "songcore/util/Base64.h"

#include <algorithm>
#include <array>

namespace songcore {
namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// What each byte means in a base64 text: a digit's value, or one of these.
constexpr uint8_t kSpace = 64;
constexpr uint8_t kPad = 65;
constexpr uint8_t kInvalid = 255;

constexpr std::array<uint8_t, 256> MakeValues() {
    std::array<uint8_t, 256> values{};
    values.fill(kInvalid);
    for (uint8_t i = 0; i < 64; ++i) {
        values[static_cast<uint8_t>(kAlphabet[i])] = i;
    }
    for (char c : {' ', '\t', '\r', '\n'}) {
        values[static_cast<uint8_t>(c)] = kSpace;
    }
    values['='] = kPad;
    return values;
}

constexpr std::array<uint8_t, 256> kValues = MakeValues();

// The size the digits of a text decode to, or nothing when the text is not
// base64: the checks of DecodeBase64, made without decoding.
std::optional<size_t> DecodedSize(std::string_view text) {
    size_t digits = 0, padding = 0;
    for (char c : text) {
        uint8_t value = kValues[static_cast<uint8_t>(c)];
        if (value < 64) {
            if (padding > 0) {
                return std::nullopt;  // digits after the padding
            }
            ++digits;
        } else if (value == kPad) {
            ++padding;
        } else if (value != kSpace) {
            return std::nullopt;
        }
    }
    // Padding, when present, fills the last group to four characters; a
    // single digit left over cannot hold a byte.
    if (digits % 4 == 1 || padding > 2 || (padding > 0 && (digits + padding) % 4 != 0)) {
        return std::nullopt;
    }
    return digits / 4 * 3 + (digits % 4 == 0 ? 0 : digits % 4 - 1);
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
    // A text with white space decodes to less than its length tells; it is
    // counted first only when that bound is over the limit.
    const size_t bound = text.size() / 4 * 3 + 3;
    if (bound > maxSize) {
        std::optional<size_t> size = DecodedSize(text);
        if (!size || *size > maxSize) {
            return std::nullopt;
        }
    }
    std::vector<uint8_t> out(std::min(bound, maxSize));
    uint8_t* at = out.data();
    const auto* in = reinterpret_cast<const uint8_t*>(text.data());
    const uint8_t* const end = in + text.size();
    uint32_t group = 0;
    size_t inGroup = 0;  // digits in group
    size_t digits = 0, padding = 0;
    while (in < end) {
        // Whole groups of four digits, the bulk of any text, four at a time.
        if (inGroup == 0 && padding == 0) {
            while (end - in >= 4) {
                uint32_t a = kValues[in[0]], b = kValues[in[1]], c = kValues[in[2]],
                         d = kValues[in[3]];
                if ((a | b | c | d) >= 64) {
                    break;
                }
                uint32_t bits = a << 18 | b << 12 | c << 6 | d;
                at[0] = static_cast<uint8_t>(bits >> 16);
                at[1] = static_cast<uint8_t>(bits >> 8);
                at[2] = static_cast<uint8_t>(bits);
                at += 3;
                in += 4;
                digits += 4;
            }
            if (in == end) {
                break;
            }
        }
        uint8_t value = kValues[*in++];
        if (value < 64) {
            if (padding > 0) {
                return std::nullopt;  // digits after the padding
            }
            group = group << 6 | value;
            ++digits;
            if (++inGroup == 4) {
                at[0] = static_cast<uint8_t>(group >> 16);
                at[1] = static_cast<uint8_t>(group >> 8);
                at[2] = static_cast<uint8_t>(group);
                at += 3;
                group = 0;
                inGroup = 0;
            }
        } else if (value == kPad) {
            ++padding;
        } else if (value != kSpace) {
            return std::nullopt;
        }
    }
    // Padding, when present, fills the last group to four characters; a
    // single digit left over cannot hold a byte.
    if (inGroup == 1 || padding > 2 || (padding > 0 && (digits + padding) % 4 != 0)) {
        return std::nullopt;
    }
    if (inGroup == 2) {
        *at++ = static_cast<uint8_t>(group >> 4);
    } else if (inGroup == 3) {
        *at++ = static_cast<uint8_t>(group >> 10);
        *at++ = static_cast<uint8_t>(group >> 2);
    }
    out.resize(static_cast<size_t>(at - out.data()));
    return out;
}

}  // namespace songcore
