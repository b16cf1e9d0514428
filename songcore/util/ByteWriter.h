#pragma once
// Builds binary structures in a growable byte buffer; the counterpart of
// ByteReader. Sizes that are only known later (atom and chunk lengths) are
// written as placeholders and filled in with the put* calls.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace songcore {

class ByteWriter {
public:
    ByteWriter() = default;

    const std::vector<uint8_t>& buffer() const { return buffer_; }
    std::vector<uint8_t> take() { return std::move(buffer_); }
    size_t size() const { return buffer_.size(); }
    void reserve(size_t size) { buffer_.reserve(size); }

    void u8(uint8_t value) { buffer_.push_back(value); }
    void u16be(uint16_t value);
    void u16le(uint16_t value);
    void u24be(uint32_t value);
    void u32be(uint32_t value);
    void u32le(uint32_t value);
    void u64be(uint64_t value);
    void u64le(uint64_t value);
    // 28-bit value as four 7-bit bytes; the caller keeps it below 2^28.
    void synchsafe32(uint32_t value);
    void text(std::string_view text);
    void bytes(std::span<const uint8_t> data);
    void zeros(size_t count) { buffer_.insert(buffer_.end(), count, 0); }

    // Overwrite bytes already written (at must leave room for the value).
    void putU32be(size_t at, uint32_t value);
    void putU32le(size_t at, uint32_t value);
    void putU16le(size_t at, uint16_t value);
    void putU64le(size_t at, uint64_t value);

private:
    std::vector<uint8_t> buffer_;
};

}  // namespace songcore
