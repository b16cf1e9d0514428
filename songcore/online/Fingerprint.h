#pragma once
// A song's acoustic fingerprint, as AcoustID looks songs up by it: the
// first two minutes of its audio through Chromaprint's default algorithm,
// as fpcalc makes it, and the song's whole length in seconds.

#include <cstdint>
#include <string>
#include <vector>

namespace songcore {

struct Fingerprint {
    int seconds = 0;         // the whole song's length, rounded down
    std::string compressed;  // the URL-safe base64 text AcoustID takes
    std::vector<uint32_t> raw;
};

// Empty when the fingerprint was made, else what failed (the caller names
// the file).
std::string MakeFingerprint(const std::string& path, Fingerprint& out);

}  // namespace songcore
