#include "songcore/util/ByteReader.h"

#include <algorithm>
#include <cstring>

namespace songcore {

bool ByteReader::seek(size_t pos) {
    if (pos > data_.size()) {
        ok_ = false;
        return false;
    }
    pos_ = pos;
    return true;
}

uint32_t ByteReader::u24be() {
    const uint8_t* p = take(3);
    return p ? (uint32_t{p[0]} << 16 | uint32_t{p[1]} << 8 | p[2]) : 0;
}

uint32_t ByteReader::u24le() {
    const uint8_t* p = take(3);
    return p ? (uint32_t{p[2]} << 16 | uint32_t{p[1]} << 8 | p[0]) : 0;
}

uint64_t ByteReader::u64be() {
    const uint8_t* p = take(8);
    if (!p) {
        return 0;
    }
    uint64_t value = 0;
    for (int i = 0; i < 8; ++i) {
        value = value << 8 | p[i];
    }
    return value;
}

uint64_t ByteReader::u64le() {
    const uint8_t* p = take(8);
    if (!p) {
        return 0;
    }
    uint64_t value = 0;
    for (int i = 7; i >= 0; --i) {
        value = value << 8 | p[i];
    }
    return value;
}

uint32_t ByteReader::synchsafe32() {
    const uint8_t* p = take(4);
    if (!p) {
        return 0;
    }
    if ((p[0] | p[1] | p[2] | p[3]) & 0x80) {
        ok_ = false;
        return 0;
    }
    return uint32_t{p[0]} << 21 | uint32_t{p[1]} << 14 | uint32_t{p[2]} << 7 | p[3];
}

std::string ByteReader::fourcc() {
    return string(4);
}

std::string ByteReader::string(size_t length) {
    const uint8_t* p = take(length);
    return p ? std::string(reinterpret_cast<const char*>(p), length) : std::string();
}

std::string ByteReader::cString(size_t maxLength) {
    size_t limit = std::min(maxLength, remaining());
    const uint8_t* start = data_.data() + pos_;
    const void* zero = std::memchr(start, 0, limit);
    size_t length = zero ? static_cast<size_t>(static_cast<const uint8_t*>(zero) - start) : limit;
    std::string text(reinterpret_cast<const char*>(start), length);
    pos_ += zero ? length + 1 : length;
    return text;
}

bool ByteReader::peekMatches(std::string_view text) const {
    return text.size() <= remaining() &&
           std::memcmp(data_.data() + pos_, text.data(), text.size()) == 0;
}

}  // namespace songcore
