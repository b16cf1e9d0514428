#pragma once
// Builds Matroska (EBML) elements byte by byte for the tests.

#include <cstdint>
#include <string>
#include <vector>

namespace testsupport {

// The element of id around body, its size in the shortest form.
std::vector<uint8_t> Element(uint32_t id, const std::vector<uint8_t>& body);
// A string element.
std::vector<uint8_t> Text(uint32_t id, const std::string& text);

}  // namespace testsupport
