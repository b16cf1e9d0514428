#include "songcore/util/ByteWriter.h"

#include <cassert>

namespace songcore {

void ByteWriter::u16be(uint16_t value) {
    u8(static_cast<uint8_t>(value >> 8));
    u8(static_cast<uint8_t>(value));
}

void ByteWriter::u16le(uint16_t value) {
    u8(static_cast<uint8_t>(value));
    u8(static_cast<uint8_t>(value >> 8));
}

void ByteWriter::u24be(uint32_t value) {
    u8(static_cast<uint8_t>(value >> 16));
    u16be(static_cast<uint16_t>(value));
}

void ByteWriter::u32be(uint32_t value) {
    u16be(static_cast<uint16_t>(value >> 16));
    u16be(static_cast<uint16_t>(value));
}

void ByteWriter::u32le(uint32_t value) {
    u16le(static_cast<uint16_t>(value));
    u16le(static_cast<uint16_t>(value >> 16));
}

void ByteWriter::u64be(uint64_t value) {
    u32be(static_cast<uint32_t>(value >> 32));
    u32be(static_cast<uint32_t>(value));
}

void ByteWriter::u64le(uint64_t value) {
    u32le(static_cast<uint32_t>(value));
    u32le(static_cast<uint32_t>(value >> 32));
}

void ByteWriter::synchsafe32(uint32_t value) {
    u8(static_cast<uint8_t>(value >> 21 & 0x7F));
    u8(static_cast<uint8_t>(value >> 14 & 0x7F));
    u8(static_cast<uint8_t>(value >> 7 & 0x7F));
    u8(static_cast<uint8_t>(value & 0x7F));
}

void ByteWriter::text(std::string_view text) {
    buffer_.insert(buffer_.end(), text.begin(), text.end());
}

void ByteWriter::bytes(std::span<const uint8_t> data) {
    buffer_.insert(buffer_.end(), data.begin(), data.end());
}

void ByteWriter::putU32be(size_t at, uint32_t value) {
    assert(at + 4 <= buffer_.size());
    for (int i = 3; i >= 0; --i) {
        buffer_[at + i] = static_cast<uint8_t>(value);
        value >>= 8;
    }
}

void ByteWriter::putU32le(size_t at, uint32_t value) {
    assert(at + 4 <= buffer_.size());
    for (int i = 0; i < 4; ++i) {
        buffer_[at + i] = static_cast<uint8_t>(value);
        value >>= 8;
    }
}

void ByteWriter::putU16le(size_t at, uint16_t value) {
    assert(at + 2 <= buffer_.size());
    buffer_[at] = static_cast<uint8_t>(value);
    buffer_[at + 1] = static_cast<uint8_t>(value >> 8);
}

void ByteWriter::putU64le(size_t at, uint64_t value) {
    assert(at + 8 <= buffer_.size());
    for (int i = 0; i < 8; ++i) {
        buffer_[at + i] = static_cast<uint8_t>(value);
        value >>= 8;
    }
}

}  // namespace songcore
