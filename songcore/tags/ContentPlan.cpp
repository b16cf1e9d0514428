#include "songcore/tags/ContentPlan.h"

#include <cstring>

#include <algorithm>

namespace songcore {
namespace {

// New bytes a plan holds in memory before it turns into a replacement file.
constexpr uint64_t kMaxPlannedBytes = 16 * 1024 * 1024;
// Kept bytes that may move and still leave the write in place (a metadata
// block laid out anew). Moving more, the audio after a tag that grew, is
// cheaper through a new file than through the journal, which would have to
// save all the old bytes first.
constexpr uint64_t kMaxMovedBytes = 256 * 1024;
// Equal bytes that end a run of changed ones; shorter gaps are written over,
// which costs less than another system call.
constexpr size_t kRunGap = 64;
constexpr size_t kCompareBlock = 64 * 1024;

}  // namespace

ContentPlan::ContentPlan(std::string target, SafeFileReplace::ReadAt original,
                         uint64_t originalLength)
    : target_(std::move(target)), original_(std::move(original)), originalLength_(originalLength) {}

ContentPlan::~ContentPlan() = default;

bool ContentPlan::fail(std::string why) {
    if (error_.empty()) {
        error_ = std::move(why);
    }
    return false;
}

bool ContentPlan::readOriginal(uint64_t offset, uint8_t* out, size_t count) {
    size_t done = 0;
    while (done < count) {
        long long got = original_(offset + done, out + done, count - done);
        if (got <= 0) {
            return fail("the song could not be read back");
        }
        done += static_cast<size_t>(got);
    }
    return true;
}

bool ContentPlan::copyOriginal(SafeFileReplace& to, uint64_t offset, uint64_t length) {
    bool ok = originalFd_ >= 0 ? to.copyFromFd(originalFd_, offset, length)
                               : to.copyFrom(original_, offset, length);
    return ok || fail(to.error());
}

bool ContentPlan::append(std::span<const uint8_t> data) {
    if (replacement_) {
        size_ += data.size();
        return replacement_->append(data) || fail(replacement_->error());
    }
    if (data.empty()) {
        return true;
    }
    firstChange_ = std::min(firstChange_, size_);
    if (!segments_.empty() && !segments_.back().bytes.empty()) {
        std::vector<uint8_t>& last = segments_.back().bytes;
        last.insert(last.end(), data.begin(), data.end());
    } else {
        segments_.push_back({size_, std::vector<uint8_t>(data.begin(), data.end()), 0});
    }
    size_ += data.size();
    newBytes_ += data.size();
    return newBytes_ <= kMaxPlannedBytes || toReplacement();
}

bool ContentPlan::appendOriginal(uint64_t offset, uint64_t length) {
    if (offset > originalLength_ || length > originalLength_ - offset) {
        return fail("the song ended before the data to keep");
    }
    if (replacement_) {
        size_ += length;
        return copyOriginal(*replacement_, offset, length);
    }
    if (length == 0) {
        return true;
    }
    if (offset == size_) {
        if (!segments_.empty() && segments_.back().bytes.empty()) {
            segments_.back().length += length;
        } else {
            segments_.push_back({offset, {}, length});
        }
        size_ += length;
        return true;
    }
    // Kept bytes that move are new bytes where they land.
    if (length <= kMaxMovedBytes && newBytes_ + length <= kMaxPlannedBytes) {
        std::vector<uint8_t> bytes(static_cast<size_t>(length));
        return readOriginal(offset, bytes.data(), bytes.size()) && append(bytes);
    }
    firstChange_ = std::min(firstChange_, size_);
    return toReplacement() && appendOriginal(offset, length);
}

bool ContentPlan::toReplacement() {
    if (replacement_) {
        return true;
    }
    auto replacement = std::make_unique<SafeFileReplace>(target_);
    if (!replacement->begin()) {
        return fail(replacement->error());
    }
    for (const Segment& segment : segments_) {
        bool ok = segment.bytes.empty()
                      ? copyOriginal(*replacement, segment.at, segment.length)
                      : replacement->append(segment.bytes) || fail(replacement->error());
        if (!ok) {
            return false;
        }
    }
    segments_.clear();
    newBytes_ = 0;
    replacement_ = std::move(replacement);
    return true;
}

uint64_t ContentPlan::firstChange() const {
    uint64_t first = firstChange_;
    if (size_ != originalLength_) {
        first = std::min(first, std::min(size_, originalLength_));
    }
    return std::min(first, size_);
}

namespace {
constexpr size_t kSkipChunk = 64;
}  // namespace

bool ContentPlan::changes(std::vector<Change>& out) {
    out.clear();
    std::vector<uint8_t> old;
    for (const Segment& segment : segments_) {
        const std::vector<uint8_t>& bytes = segment.bytes;
        if (bytes.empty()) {
            continue;
        }
        // Compare block by block; a run closes after kRunGap equal bytes.
        size_t runStart = SIZE_MAX;
        size_t runEnd = 0;
        auto close = [&] {
            if (runStart != SIZE_MAX) {
                out.push_back(
                    {segment.at + runStart,
                     std::vector<uint8_t>(bytes.begin() + runStart, bytes.begin() + runEnd)});
                runStart = SIZE_MAX;
            }
        };
        uint64_t oldEnd =
            std::max(segment.at, std::min(originalLength_, segment.at + bytes.size()));
        size_t comparable = static_cast<size_t>(oldEnd - segment.at);
        for (size_t block = 0; block < comparable; block += kCompareBlock) {
            size_t count = std::min(kCompareBlock, comparable - block);
            old.resize(count);
            if (!readOriginal(segment.at + block, old.data(), count)) {
                return false;
            }
            for (size_t i = 0; i < count; ++i) {
                size_t at = block + i;
                // Outside a run, equal stretches are passed over a chunk at
                // a time: most of a rewritten tag is the bytes it had.
                if (runStart == SIZE_MAX) {
                    while (i + kSkipChunk <= count &&
                           std::memcmp(bytes.data() + block + i, old.data() + i, kSkipChunk) == 0) {
                        i += kSkipChunk;
                    }
                    if (i >= count) {
                        break;
                    }
                    at = block + i;
                }
                if (bytes[at] != old[i]) {
                    if (runStart == SIZE_MAX) {
                        runStart = at;
                    }
                    runEnd = at + 1;
                } else if (runStart != SIZE_MAX && at - runEnd >= kRunGap) {
                    close();
                }
            }
        }
        if (comparable < bytes.size()) {
            if (runStart == SIZE_MAX) {
                runStart = comparable;
            }
            runEnd = bytes.size();
        }
        close();
    }
    return true;
}

}  // namespace songcore
