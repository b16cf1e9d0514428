#pragma once
// Where the parts of a Matroska or WebM file lie: the Segment, its top-level
// elements (found by walking their sizes, never reading a Cluster's body),
// and the SeekHead's index of them.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "songcore/tags/mkv/Ebml.h"
#include "songcore/util/ReadExact.h"

namespace songcore {

struct MatroskaLayout {
    std::string docType;  // "matroska" or "webm"
    EbmlElement segment;
    // Where the Segment's body ends: its size, or the end of the file when
    // its size is unknown.
    uint64_t segmentEnd = 0;
    // The Segment's children in file order, as far as the walk went.
    std::vector<EbmlElement> children;
    // Whether the walk followed every child to exactly segmentEnd (a full
    // walk that met no unknown size and no damage).
    bool complete = false;
    // Whether the walk stepped over every Cluster (the reading walk stops
    // at the first and takes the rest from the SeekHead).
    bool walkedClusters = false;

    struct SeekEntry {
        uint32_t id = 0;
        uint64_t position = 0;  // from the Segment's body
    };
    std::vector<SeekEntry> seeks;

    // The first child of that id, from the walk or else the SeekHead.
    std::optional<EbmlElement> Find(uint32_t id) const;
    // The index of a child in children, or nothing.
    std::optional<size_t> IndexOf(uint64_t offset) const;

    // Reads the layout of a file of length bytes. full: walk every child to
    // the end of the Segment; otherwise stop at the first Cluster and look
    // up the Tags, Attachments, Info and Tracks the SeekHead points past it.
    // Nothing when the file does not start with an EBML header naming
    // Matroska or WebM followed by a Segment.
    static std::optional<MatroskaLayout> Read(const ReadExactFn& read, uint64_t length, bool full);
};

// At most this many top-level elements are walked, and no SeekHead or
// metadata element larger than this is read.
constexpr size_t kMatroskaMaxTopLevel = 1 << 20;
constexpr uint64_t kMatroskaMaxMetadata = 64 * 1024 * 1024;

}  // namespace songcore
