#pragma once
// AcoustID: the recordings a fingerprint belongs to, from the service's
// lookup (/v2/lookup, JSON), with how sure it is of each match. It asks for
// an application key; without one nothing is looked up.

#include <string>
#include <vector>

#include "songcore/online/Fingerprint.h"

namespace songcore {

struct AcoustIdRecording {
    std::string id;  // the MusicBrainz recording
    std::string title;
    std::string artist;  // the credited names joined by their join phrases
    std::string album;   // the title of the first album it appears on, if any
};

struct AcoustIdMatch {
    std::string id;    // AcoustID's own track id
    double score = 0;  // 0 to 1
    std::vector<AcoustIdRecording> recordings;
};

// A lookup's answer, best match first. False, with why (the service's own
// message for an error it reports), when it is not one.
bool ParseAcoustIdAnswer(const std::string& json, std::vector<AcoustIdMatch>& out,
                         std::string& why);

// Looks the fingerprint up on the server ([Online] AcoustID Server unless
// given) with the application key. Empty when it was, else what failed.
std::string LookUpFingerprint(const Fingerprint& fingerprint, const std::string& key,
                              std::vector<AcoustIdMatch>& out, std::string server = {});

}  // namespace songcore
