#pragma once
// How new Tags get into a Matroska file without moving its Clusters: in the
// old Tags' place when they fit there with a Void after them, else at the
// end of the Segment (the old place made a Void, the Segment's size and the
// SeekHead's entry updated). Each change is a patch of the file; only the
// last may change the file's length, at its end.

#include <cstdint>
#include <functional>
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

// A new top-level element in place of the file's one of that id.
struct MatroskaElementChange {
    uint32_t id = 0;
    const char* what = "";  // "tags": for the messages
    bool empty = false;     // the element goes
    // The element's bytes, its size field widened by extraSizeBytes.
    std::function<std::vector<uint8_t>(int extraSizeBytes)> build;
};

// Patches that put the change in place, in file order; false and why in
// error when no safe way exists. layout must come from a full walk of the
// file of length bytes.
bool PlanMatroskaElementWrite(const ReadExactFn& read, uint64_t length,
                              const MatroskaLayout& layout, const MatroskaElementChange& change,
                              std::vector<MatroskaPatch>& patches, std::string& error);

// The same for tags (none when they hold no SimpleTag).
bool PlanMatroskaTagsWrite(const ReadExactFn& read, uint64_t length, const MatroskaLayout& layout,
                           const MatroskaTags& tags, std::vector<MatroskaPatch>& patches,
                           std::string& error);

}  // namespace songcore
