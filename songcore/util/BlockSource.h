#pragma once
// Reads a region of a file in blocks on demand, so that a walk over the
// entries of a tag costs few reads and never touches the entries it passes
// over (a large picture, most often).

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <vector>

namespace songcore {

// Reads exactly count bytes at offset; false when they are not all there.
using ReadAtFn = std::function<bool(uint64_t offset, size_t count, uint8_t* out)>;

class BlockSource {
public:
    // The region is [0, length) of what read reads.
    BlockSource(ReadAtFn read, uint64_t length) : read_(std::move(read)), length_(length) {}

    uint64_t length() const { return length_; }
    // The count bytes at offset, valid until the next call; empty when they
    // run past the region or cannot be read.
    std::span<const uint8_t> get(uint64_t offset, size_t count);
    // As get, but a copy.
    std::vector<uint8_t> copy(uint64_t offset, size_t count);

private:
    static constexpr size_t kBlockSize = 64 * 1024;
    ReadAtFn read_;
    uint64_t length_;
    uint64_t start_ = 0;
    std::vector<uint8_t> block_;
};

}  // namespace songcore
