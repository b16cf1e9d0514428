#include "songcore/util/SpareBuffers.h"

#include <algorithm>
#include <array>

namespace songcore {
namespace {

// A stream's head and tail windows and a tag walk's block.
thread_local std::array<std::vector<uint8_t>, 3> t_spares;
constexpr size_t kLargestSpare = 256 * 1024;

}  // namespace

void TakeSpareBuffer(std::vector<uint8_t>& bytes, size_t wanted) {
    if (bytes.capacity() != 0) {
        return;
    }
    std::vector<uint8_t>* fitting = nullptr;  // the smallest that holds wanted
    std::vector<uint8_t>* largest = nullptr;
    for (std::vector<uint8_t>& spare : t_spares) {
        if (spare.capacity() >= wanted && spare.capacity() != 0 &&
            (fitting == nullptr || spare.capacity() < fitting->capacity())) {
            fitting = &spare;
        }
        if (spare.capacity() != 0 &&
            (largest == nullptr || spare.capacity() > largest->capacity())) {
            largest = &spare;
        }
    }
    if (std::vector<uint8_t>* taken = fitting != nullptr ? fitting : largest) {
        bytes.swap(*taken);
    }
}

void LeaveSpareBuffer(std::vector<uint8_t>& bytes) {
    if (bytes.capacity() > kLargestSpare) {
        return;
    }
    auto smallest =
        std::min_element(t_spares.begin(), t_spares.end(),
                         [](const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
                             return a.capacity() < b.capacity();
                         });
    if (bytes.capacity() > smallest->capacity()) {
        bytes.swap(*smallest);
    }
}

}  // namespace songcore
