#pragma once
// Whole reads and writes at explicit offsets on a POSIX descriptor, retried
// after signals and short transfers. Failures leave errno set.

#include <cstddef>
#include <cstdint>

namespace songcore {

// Writes all count bytes at offset; false on any failure.
bool PwriteAll(int fd, const void* data, size_t count, uint64_t offset);
// Reads up to count bytes at offset, stopping only at the end of the file;
// the number read, or -1 on failure.
long long PreadAll(int fd, void* data, size_t count, uint64_t offset);
// Reads exactly count bytes at offset; false when fewer are there.
bool PreadExact(int fd, void* data, size_t count, uint64_t offset);

}  // namespace songcore
