// Built when TagLib is not installed: the peer column stays empty.
#include "bench/ReadBench.h"
#include "bench/WriteBench.h"

namespace bench {

bool PeerAvailable() {
    return false;
}

bool ReadPeer(const BenchFile&) {
    return false;
}

bool WritePeerTitle(const std::string&, const std::string&, std::string& error) {
    error = "TagLib is not installed (Debian: libtag1-dev)";
    return false;
}

}  // namespace bench
