#pragma once
// Reads a region of a file in blocks on demand, so that a walk over the
// entries of a tag costs few reads and never touches the entries it passes
// over (a large picture, most often).

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "songcore/util/ReadExact.h"

namespace songcore {

class BlockSource {
public:
    static constexpr size_t kDefaultBlockSize = 64 * 1024;

    // The region is [0, length) of what read reads, blockSize bytes at a
    // time (more when one get asks for more).
    BlockSource(ReadExactFn read, uint64_t length, size_t blockSize = kDefaultBlockSize)
        : read_(std::move(read)), length_(length), blockSize_(blockSize) {}
    ~BlockSource();
    BlockSource(const BlockSource&) = delete;
    BlockSource& operator=(const BlockSource&) = delete;

    uint64_t length() const { return length_; }
    // The count bytes at offset, valid until the next call; empty when they
    // run past the region or cannot be read.
    std::span<const uint8_t> get(uint64_t offset, size_t count);
    // As get, but a copy.
    std::vector<uint8_t> copy(uint64_t offset, size_t count);
    // The region as a reading function served from the blocks, for a walk
    // of many small reads near each other; it must not outlive this source.
    ReadExactFn reader();

private:
    ReadExactFn read_;
    uint64_t length_;
    size_t blockSize_;
    uint64_t start_ = 0;
    std::vector<uint8_t> block_;
};

}  // namespace songcore
