#pragma once
// Bounds-checked reading of binary structures from a byte buffer.
//
// Every format parser reads through this class instead of indexing raw
// pointers. A read that would pass the end of the buffer returns zero (or an
// empty value), leaves the position where it was, and sets the failure flag,
// so a parser can read a whole structure and check ok() once at the end.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace songcore {

class ByteReader {
public:
    ByteReader() = default;
    explicit ByteReader(std::span<const uint8_t> data) : data_(data) {}
    // The reader does not own its bytes: reading a temporary would dangle.
    explicit ByteReader(std::vector<uint8_t>&&) = delete;
    ByteReader(const void* data, size_t size) : data_(static_cast<const uint8_t*>(data), size) {}

    bool ok() const { return ok_; }
    size_t pos() const { return pos_; }
    size_t size() const { return data_.size(); }
    size_t remaining() const { return data_.size() - pos_; }
    bool atEnd() const { return pos_ >= data_.size(); }
    std::span<const uint8_t> data() const { return data_; }

    // Moves to an absolute position; a position past the end fails.
    bool seek(size_t pos);
    bool skip(size_t count);
    // True when count more bytes are available; never sets the failure flag.
    bool has(size_t count) const { return count <= remaining(); }

    uint8_t u8();
    uint16_t u16be();
    uint16_t u16le();
    uint32_t u24be();
    uint32_t u24le();
    uint32_t u32be();
    uint32_t u32le();
    uint64_t u64be();
    uint64_t u64le();
    // A 28-bit number stored in four bytes of seven bits each (ID3v2).
    // Fails when a byte has its top bit set.
    uint32_t synchsafe32();
    // Four bytes as text ("moov", "TIT2").
    std::string fourcc();
    std::string string(size_t length);
    std::span<const uint8_t> bytes(size_t length);
    // Bytes up to (not including) the first zero byte within the next
    // maxLength bytes; the terminator is consumed when present.
    std::string cString(size_t maxLength);

    // Peeks without moving or failing; returns false when out of range.
    bool peekMatches(std::string_view text) const;

private:
    const uint8_t* take(size_t count);

    std::span<const uint8_t> data_;
    size_t pos_ = 0;
    bool ok_ = true;
};

// The reads every parser makes per field are inline: a call each cost more
// than the read itself.
inline const uint8_t* ByteReader::take(size_t count) {
    if (!ok_ || count > remaining()) {
        ok_ = false;
        return nullptr;
    }
    const uint8_t* p = data_.data() + pos_;
    pos_ += count;
    return p;
}

inline bool ByteReader::skip(size_t count) {
    return take(count) != nullptr;
}

inline uint8_t ByteReader::u8() {
    const uint8_t* p = take(1);
    return p ? p[0] : 0;
}

inline uint16_t ByteReader::u16be() {
    const uint8_t* p = take(2);
    return p ? static_cast<uint16_t>(p[0] << 8 | p[1]) : 0;
}

inline uint16_t ByteReader::u16le() {
    const uint8_t* p = take(2);
    return p ? static_cast<uint16_t>(p[1] << 8 | p[0]) : 0;
}

inline uint32_t ByteReader::u32be() {
    const uint8_t* p = take(4);
    return p ? (uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | p[3]) : 0;
}

inline uint32_t ByteReader::u32le() {
    const uint8_t* p = take(4);
    return p ? (uint32_t{p[3]} << 24 | uint32_t{p[2]} << 16 | uint32_t{p[1]} << 8 | p[0]) : 0;
}

inline std::span<const uint8_t> ByteReader::bytes(size_t length) {
    const uint8_t* p = take(length);
    return p ? std::span<const uint8_t>(p, length) : std::span<const uint8_t>();
}

}  // namespace songcore
