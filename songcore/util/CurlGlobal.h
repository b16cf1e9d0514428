#pragma once
// libcurl's process-wide set-up, done once for every part of the library
// that talks HTTP, before the first transfer.

namespace songcore {

void InitCurlOnce();

}  // namespace songcore
