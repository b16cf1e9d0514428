#include "support/Id3v2Bytes.h"

namespace testsupport {

Bytes ToBytes(const std::string& text) {
    return Bytes(text.begin(), text.end());
}

Bytes Concat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& part : parts) {
        out.insert(out.end(), part.begin(), part.end());
    }
    return out;
}

namespace {
Bytes Synchsafe(uint32_t value) {
    return {static_cast<uint8_t>(value >> 21 & 0x7F), static_cast<uint8_t>(value >> 14 & 0x7F),
            static_cast<uint8_t>(value >> 7 & 0x7F), static_cast<uint8_t>(value & 0x7F)};
}
}  // namespace

Bytes Frame22(const std::string& id, const Bytes& body) {
    uint32_t size = static_cast<uint32_t>(body.size());
    return Concat({ToBytes(id),
                   {static_cast<uint8_t>(size >> 16), static_cast<uint8_t>(size >> 8),
                    static_cast<uint8_t>(size)},
                   body});
}

Bytes Frame23(const std::string& id, const Bytes& body, uint16_t flags) {
    uint32_t size = static_cast<uint32_t>(body.size());
    return Concat({ToBytes(id),
                   {static_cast<uint8_t>(size >> 24), static_cast<uint8_t>(size >> 16),
                    static_cast<uint8_t>(size >> 8), static_cast<uint8_t>(size),
                    static_cast<uint8_t>(flags >> 8), static_cast<uint8_t>(flags)},
                   body});
}

Bytes Frame24(const std::string& id, const Bytes& body, uint16_t flags) {
    return Concat({ToBytes(id),
                   Synchsafe(static_cast<uint32_t>(body.size())),
                   {static_cast<uint8_t>(flags >> 8), static_cast<uint8_t>(flags)},
                   body});
}

Bytes Latin1Text(const std::string& bytes) {
    return Concat({{0}, ToBytes(bytes)});
}

Bytes Id3v2(uint8_t major, uint8_t flags, const Bytes& body, long size) {
    uint32_t tagSize = size < 0 ? static_cast<uint32_t>(body.size()) : static_cast<uint32_t>(size);
    return Concat({ToBytes("ID3"), {major, 0, flags}, Synchsafe(tagSize), body});
}

Bytes Unsynchronise(const Bytes& bytes) {
    Bytes out;
    for (size_t i = 0; i < bytes.size(); ++i) {
        out.push_back(bytes[i]);
        if (bytes[i] == 0xFF &&
            (i + 1 == bytes.size() || bytes[i + 1] == 0 || bytes[i + 1] >= 0xE0)) {
            out.push_back(0);
        }
    }
    return out;
}

}  // namespace testsupport
