#pragma once
// Writing a file at a path the user named (a picture saved out of a song,
// say), the way cp writes one: a regular file gets the new content whole
// (through a replacement, or in place when a replacement could not keep its
// owner), a FIFO or a character device (/dev/stdout) is written into and
// stays what it is, and nothing else is touched. A symbolic link that
// another user planted in a shared folder (sticky and writable by all, as
// /tmp) is not followed, nor is a link to nothing, and the file the data
// came from is never the one written.

#include <cstdint>
#include <span>
#include <string>

namespace songcore {

// source is the file that must not be written (empty for none).
bool WriteUserFile(const std::string& path, std::span<const uint8_t> data,
                   const std::string& source, std::string& error);

}  // namespace songcore
