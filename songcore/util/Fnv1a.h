#pragma once
// The 64-bit FNV-1a checksum, which Tunemoss's own files (the write journal,
// the edit history) end their records with: cheap, and enough to tell a
// record cut short by a crash from a whole one.

#include <cstdint>
#include <span>

namespace songcore {

class Fnv1a {
public:
    void add(std::span<const uint8_t> data) {
        for (uint8_t byte : data) {
            value_ = (value_ ^ byte) * 1099511628211ull;
        }
    }
    uint64_t value() const { return value_; }

private:
    uint64_t value_ = 1469598103934665603ull;
};

}  // namespace songcore
