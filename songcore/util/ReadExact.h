#pragma once
// The read callback through which the tag codecs walk a file, so that the
// same code serves a file on disk, a buffer in a test and a fuzzer's input.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <vector>

namespace songcore {

// Reads exactly count bytes at offset of a file or buffer; false when fewer
// are there (CSongFile::ReadExact has this shape).
using ReadExactFn = std::function<bool(uint64_t offset, size_t count, std::vector<uint8_t>& out)>;

// A ReadExactFn over bytes held in memory, which must outlive it.
ReadExactFn SpanReader(std::span<const uint8_t> bytes);

}  // namespace songcore
