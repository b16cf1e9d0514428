#include "songcore/util/ReadExact.h"

namespace songcore {

ReadExactFn SpanReader(std::span<const uint8_t> bytes) {
    return [bytes](uint64_t offset, size_t count, std::vector<uint8_t>& out) {
        if (offset > bytes.size() || count > bytes.size() - offset) {
            return false;
        }
        out.assign(bytes.begin() + static_cast<ptrdiff_t>(offset),
                   bytes.begin() + static_cast<ptrdiff_t>(offset + count));
        return true;
    };
}

}  // namespace songcore
