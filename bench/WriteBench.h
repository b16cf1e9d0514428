#pragma once
// The cost of one title change: songcore (open, read the tag, set the
// title, write) against the peer library doing the same, timed inside the
// process, with the flushes to disk counted and timed apart.

#include <string>

namespace bench {

// Sets the title of path times times (TITLE, or "TITLE 0", "TITLE 1"... when
// more than once) with songcore ("songcore") or the peer ("taglib"), and
// prints one line a write: total seconds, seconds spent in flushes, the
// number of flushes, and "in-place" or "rewrite" (whether the file kept its
// inode). The first write of a process also pays for its first calls into
// the libraries.
int RunWriteTitle(const std::string& writer, const std::string& path, const std::string& title,
                  int times);

// TagLib through FileRef: sets the title and saves. False (with error) when
// it cannot, or when TagLib was not built in.
bool WritePeerTitle(const std::string& path, const std::string& title, std::string& error);

}  // namespace bench
