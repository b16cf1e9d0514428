#pragma once
// Keeps the way back from the writes of songs made on this thread while it
// lives: every content a writer replaces (CSongFile::ReplaceContents) adds
// the plan that restores the content it had. An edit of one song is wrapped
// in a capture, so its undo can put back the old bytes of every write it
// made. Captures nest: only the innermost one sees the writes.

#include <cstdint>
#include <vector>

#include "songcore/tags/RestorePlan.h"

namespace songcore {

class ContentCapture {
public:
    // Bytes that one capture keeps at most; a write that took away more
    // (a tag re-paginating a whole Ogg stream) makes it incomplete.
    static constexpr uint64_t kMaxSavedBytes = 24u << 20;

    ContentCapture();
    ~ContentCapture();
    ContentCapture(const ContentCapture&) = delete;
    ContentCapture& operator=(const ContentCapture&) = delete;

    // The capture of this thread that writes report to; null when none.
    static ContentCapture* Active();

    void Add(RestorePlan plan);
    // A write whose way back could not be kept.
    void MarkIncomplete() { complete_ = false; }
    // Whether every write has its plan (and there was at least one).
    bool Complete() const { return complete_ && !plans_.empty(); }
    uint64_t SavedBytes() const { return savedBytes_; }
    // The plans in the order of the writes; empty unless Complete().
    std::vector<RestorePlan> Take();

private:
    ContentCapture* outer_ = nullptr;
    std::vector<RestorePlan> plans_;
    uint64_t savedBytes_ = 0;
    bool complete_ = true;
};

}  // namespace songcore
