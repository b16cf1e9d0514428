#pragma once
// The entries a PLS play list really holds. Its entry count is only a
// number in the file; walking up to it one index at a time would let a
// damaged list ("NumberOfEntries=2000000000") stall a reader.

#include <vector>

class CPLSFile;

namespace songcore {

// The 0-based indices below the list's NumberOfEntries that have a "File"
// key, in ascending order.
std::vector<int> PlsEntryIndices(const CPLSFile& list);

}  // namespace songcore
