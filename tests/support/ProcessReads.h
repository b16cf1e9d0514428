#pragma once
// How many bytes this process has read so far (rchar of /proc/self/io),
// so that a test can tell how much a reader touched.

#include <cstdint>

namespace testsupport {

// Bytes read by every read call of the process; 0 when the kernel does not
// say.
uint64_t BytesReadByProcess();

}  // namespace testsupport
