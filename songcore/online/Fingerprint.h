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

// How alike two raw fingerprints are, 0 to 1: the share of equal bits over
// the part they share, as fingerprints of one recording decoded twice are
// nearly, not always exactly, the same.
double FingerprintSimilarity(const std::vector<uint32_t>& a, const std::vector<uint32_t>& b);

}  // namespace songcore
