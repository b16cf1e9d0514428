// Built when TagLib is not installed: the peer column stays empty.
#include "bench/ReadBench.h"

namespace bench {

bool PeerAvailable() {
    return false;
}

bool ReadPeer(const BenchFile&) {
    return false;
}

}  // namespace bench
