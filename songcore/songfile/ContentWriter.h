#pragma once
// What a tag writer hands over when it changes a song: the file's new content,
// described as new bytes and ranges of the file as it is now. The writer only
// says what the file must hold; CSongFile decides how it gets there (the
// changed regions in place, or a new file that replaces the old one).

#include <cstddef>
#include <cstdint>
#include <span>

namespace songcore {

class ContentWriter {
public:
    virtual ~ContentWriter() = default;

    // Appends new bytes.
    virtual bool append(std::span<const uint8_t> data) = 0;
    bool append(const void* data, size_t size) {
        return append(std::span<const uint8_t>(static_cast<const uint8_t*>(data), size));
    }
    // Appends length bytes of the file as it was when the write began.
    virtual bool appendOriginal(uint64_t offset, uint64_t length) = 0;
    // Says that what follows moves from where it lies in the file (the
    // audio after a header that grew), so that the content is not planned as
    // a write in place first. Only a hint: the content stays the same.
    virtual bool restMoves() { return true; }
    // Length of the content so far.
    virtual uint64_t size() const = 0;
};

}  // namespace songcore
