#pragma once
// Base64 with the standard alphabet and "=" padding, as Vorbis comments hold
// pictures and HTTP carries credentials.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace songcore {

// One unbroken line of base64.
std::string EncodeBase64(std::span<const uint8_t> data);

// The bytes of a base64 text; white space between the characters is
// ignored, as some writers break the lines. Nothing when a character is
// outside the alphabet, the padding is wrong, or the bytes would be more than
// maxSize (checked before anything is allocated).
std::optional<std::vector<uint8_t>> DecodeBase64(std::string_view text, size_t maxSize);

}  // namespace songcore
