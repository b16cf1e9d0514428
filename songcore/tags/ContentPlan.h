#pragma once
// A song's new content as a tag writer describes it, kept as a plan for as
// long as it can be written over the old file in place: while every range of
// the old file that the writer keeps stays at its own offset (a tag that fits
// its old space, padding included) and the new bytes are few. Only the bytes
// that really differ are then written. As soon as kept data would move (a tag
// that grows), the plan turns into a replacement file that receives the whole
// content, with the unchanged audio streamed from the old file.

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "songcore/songfile/ContentWriter.h"
#include "songcore/util/SafeFileReplace.h"

namespace songcore {

class ContentPlan : public ContentWriter {
public:
    // original reads the old file, originalLength bytes long; target is the
    // path a replacement file would replace.
    ContentPlan(std::string target, SafeFileReplace::ReadAt original, uint64_t originalLength);
    ~ContentPlan() override;
    // The old file's descriptor, when it is a local file: a replacement then
    // copies the kept ranges from it through the kernel.
    void setOriginalDescriptor(int fd) { originalFd_ = fd; }

    bool append(std::span<const uint8_t> data) override;
    bool appendOriginal(uint64_t offset, uint64_t length) override;
    // The rest moves: the replacement file is started now, rather than after
    // megabytes of moved bytes were gathered for a write in place.
    bool restMoves() override { return toReplacement(); }
    uint64_t size() const override { return size_; }

    // A run of new bytes that differ from the old file at offset.
    struct Change {
        uint64_t offset = 0;
        std::vector<uint8_t> bytes;
    };
    // True while the content can be written in place.
    bool inPlace() const { return replacement_ == nullptr; }
    // In place: the runs that differ from the old file (bytes past its end
    // included), in order. False when the old file cannot be read.
    bool changes(std::vector<Change>& out);
    // Gives up writing in place: the content goes to a replacement file.
    bool toReplacement();
    // The replacement file, once the plan is not in place.
    SafeFileReplace* replacement() { return replacement_.get(); }
    // No byte before this offset differs from the old file.
    uint64_t firstChange() const;
    const std::string& error() const { return error_; }

private:
    struct Segment {
        uint64_t at = 0;
        std::vector<uint8_t> bytes;  // new bytes; empty for a kept range
        uint64_t length = 0;         // of a kept range (at is also its offset)
    };
    bool fail(std::string why);
    bool readOriginal(uint64_t offset, uint8_t* out, size_t count);
    bool copyOriginal(SafeFileReplace& to, uint64_t offset, uint64_t length);

    std::string target_;
    SafeFileReplace::ReadAt original_;
    uint64_t originalLength_;
    int originalFd_ = -1;
    std::vector<Segment> segments_;
    uint64_t size_ = 0;
    uint64_t newBytes_ = 0;
    uint64_t firstChange_ = UINT64_MAX;
    std::unique_ptr<SafeFileReplace> replacement_;
    std::string error_;
};

}  // namespace songcore
