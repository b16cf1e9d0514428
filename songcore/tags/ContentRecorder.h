#pragma once
// Passes a writer's description of a song's new content on to its target
// and remembers its shape: which ranges of the old content it keeps and
// where they land. From that shape follows the plan that gives the old
// content back (RestorePlan.h).

#include <cstdint>
#include <functional>
#include <vector>

#include "songcore/songfile/ContentWriter.h"
#include "songcore/tags/RestorePlan.h"

namespace songcore {

class ContentRecorder : public ContentWriter {
public:
    explicit ContentRecorder(ContentWriter& target) : target_(target) {}

    bool append(std::span<const uint8_t> data) override;
    bool appendOriginal(uint64_t offset, uint64_t length) override;
    bool restMoves() override { return target_.restMoves(); }
    uint64_t size() const override { return target_.size(); }

    // Reads count bytes of the old content at offset; false when it cannot.
    using ReadOld = std::function<bool(uint64_t offset, uint8_t* out, size_t count)>;
    // The plan that turns the new content back into the old one, oldLength
    // bytes long. False when the bytes to keep would be more than maxBytes
    // or cannot be read.
    bool InversePlan(uint64_t oldLength, const ReadOld& readOld, uint64_t maxBytes,
                     RestorePlan& plan) const;

private:
    struct Kept {
        uint64_t oldOffset = 0;
        uint64_t length = 0;
        uint64_t newOffset = 0;
    };
    ContentWriter& target_;
    std::vector<Kept> kept_;
};

}  // namespace songcore
