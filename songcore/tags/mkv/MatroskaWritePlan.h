#pragma once
// How new Tags get into a Matroska file without moving its Clusters: in the
// old Tags' place when they fit there with a Void after them, else at the
// end of the Segment (the old place made a Void, the Segment's size and the
// SeekHead's entry updated). Each change is a patch of the file; only the
// last may change the file's length, at its end.

#include <cstdint>
#include <string>
#include <vector>

#include "songcore/tags/mkv/MatroskaLayout.h"
#include "songcore/tags/mkv/MatroskaTags.h"
#include "songcore/util/ReadExact.h"

namespace songcore {

struct MatroskaPatch {
    uint64_t offset = 0;
    uint64_t oldLength = 0;  // of the bytes replaced
    std::vector<uint8_t> bytes;
};

// Patches that put tags (none when they hold no SimpleTag) in place of the
// file's Tags, in file order; false and why in error when no safe way
// exists. layout must come from a full walk of the file of length bytes.
bool PlanMatroskaTagsWrite(const ReadExactFn& read, uint64_t length, const MatroskaLayout& layout,
                           const MatroskaTags& tags, std::vector<MatroskaPatch>& patches,
                           std::string& error);

}  // namespace songcore
