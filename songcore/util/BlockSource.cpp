#include "songcore/util/BlockSource.h"

#include <algorithm>

#include "songcore/util/SpareBuffers.h"

namespace songcore {

BlockSource::~BlockSource() {
    LeaveSpareBuffer(block_);
}

std::span<const uint8_t> BlockSource::get(uint64_t offset, size_t count) {
    if (offset > length_ || count > length_ - offset) {
        return {};
    }
    if (offset < start_ || offset + count > start_ + block_.size()) {
        // Reading ahead from offset serves the small entries that follow.
        size_t size =
            static_cast<size_t>(std::min<uint64_t>(std::max(count, blockSize_), length_ - offset));
        TakeSpareBuffer(block_, size);
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
