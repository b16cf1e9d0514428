#pragma once
// Builds ID3v2 tags byte by byte for the tests, so that layouts no current
// tool writes (2.2, unsynchronisation, extended headers, damaged sizes) can
// be checked.

#include <cstdint>
#include <string>
#include <vector>

namespace testsupport {

using Bytes = std::vector<uint8_t>;

Bytes ToBytes(const std::string& text);
Bytes Concat(std::initializer_list<Bytes> parts);
// Frame with a 2.2 (6-byte), 2.3 (plain size) or 2.4 (synchsafe size) header.
Bytes Frame22(const std::string& id, const Bytes& body);
Bytes Frame23(const std::string& id, const Bytes& body, uint16_t flags = 0);
Bytes Frame24(const std::string& id, const Bytes& body, uint16_t flags = 0);
// A text body with encoding 0 (ISO-8859-1 bytes as given).
Bytes Latin1Text(const std::string& bytes);
// Header + body; the size is body.size() unless given.
Bytes Id3v2(uint8_t major, uint8_t flags, const Bytes& body, long size = -1);
// Inserts a zero after every 0xFF that is followed by 0x00 or 0xE0 and up.
Bytes Unsynchronise(const Bytes& bytes);

}  // namespace testsupport
