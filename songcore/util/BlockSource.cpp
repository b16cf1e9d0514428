#include "songcore/util/BlockSource.h"

#include <algorithm>

namespace songcore {
namespace {

// A tag walk makes a source for each file; the block the last one of the
// thread let go is handed to the next with its size, so that a read of as
// many bytes again neither allocates nor zero-fills them first.
constexpr size_t kLargestSpareBlock = 256 * 1024;
thread_local std::vector<uint8_t> t_spareBlock;

}  // namespace

BlockSource::~BlockSource() {
    if (block_.capacity() > t_spareBlock.capacity() && block_.capacity() <= kLargestSpareBlock) {
        t_spareBlock.swap(block_);
    }
}

std::span<const uint8_t> BlockSource::get(uint64_t offset, size_t count) {
    if (offset > length_ || count > length_ - offset) {
        return {};
    }
    if (offset < start_ || offset + count > start_ + block_.size()) {
        if (block_.capacity() == 0) {
            // Its old bytes are read over before they are handed out.
            block_.swap(t_spareBlock);
        }
        // Reading ahead from offset serves the small entries that follow.
        size_t size =
            static_cast<size_t>(std::min<uint64_t>(std::max(count, blockSize_), length_ - offset));
        if (!read_(offset, size, block_)) {
            block_.clear();
            return {};
        }
        start_ = offset;
    }
    return std::span<const uint8_t>(block_).subspan(static_cast<size_t>(offset - start_), count);
}

std::vector<uint8_t> BlockSource::copy(uint64_t offset, size_t count) {
    std::span<const uint8_t> got = get(offset, count);
    return std::vector<uint8_t>(got.begin(), got.end());
}

ReadExactFn BlockSource::reader() {
    return [this](uint64_t offset, size_t count, std::vector<uint8_t>& out) {
        std::span<const uint8_t> got = get(offset, count);
        if (got.size() != count) {
            return false;
        }
        out.assign(got.begin(), got.end());
        return true;
    };
}

}  // namespace songcore
