#pragma once
// The cost of a batch edit: the title and album of many songs changed as one
// operation (each song read, changed and written by its own format's
// writer), as "Edit Tags of Selected Songs" does, with the old values kept
// in an edit history.

#include <string>

namespace bench {

// Edits up to count songs found below folder (in path order) and prints one
// table row: songs, seconds, songs per second, how many kept their inode
// (written in place), and the seconds the history took.
int RunBatchEditBench(const std::string& folder, size_t count, const std::string& historyPath);

}  // namespace bench
