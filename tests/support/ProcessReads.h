#pragma once
// How many bytes this process has read so far, to show that a reader leaves
// large parts of a file unread.

#include <cstdint>
#include <string>

namespace testsupport {

// The kernel's count of bytes read through read calls (rchar of
// /proc/self/io); 0 when the system does not keep it.
uint64_t BytesReadSoFar();
// The kernel's count of read calls this process made (syscr).
uint64_t ReadCallsSoFar();

// The bytes that opening the song and its ordinary tag read (GetSongInfo)
// took.
uint64_t BytesReadBySongInfo(const std::string& path);

}  // namespace testsupport
