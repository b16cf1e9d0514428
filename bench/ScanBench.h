#pragma once
// Scanning a folder into the song tree (the walk, the tag reads and the tree
// changes), inline and through an owner thread, against reading the same
// files' tags alone.

#include <string>

namespace bench {

// Prints the scan table (markdown) for the whole corpus.
int RunScanBench(const std::string& corpus, int runs);

}  // namespace bench
