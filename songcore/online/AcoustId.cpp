#include "songcore/online/AcoustId.h"

#include <algorithm>

#include "songcore/online/JsonAnswer.h"
#include "songcore/online/WebClient.h"
#include "songcore/settings/AppRegKey.h"

namespace songcore {

namespace {

using JsonAnswer::Array;
using JsonAnswer::Json;
using JsonAnswer::Text;

std::string Artists(const Json& recording) {
    std::string shown;
    for (const Json& artist : Array(recording, "artists")) {
        if (artist.is_object()) {
            shown += Text(artist, "name") + Text(artist, "joinphrase");
        }
    }
    return shown;
}

// The recording's album: of its release groups, the first album, else the
// first of any type (a single, a compilation ...).
std::string Album(const Json& recording) {
    std::string any;
    for (const Json& group : Array(recording, "releasegroups")) {
        if (!group.is_object() || Text(group, "title").empty()) {
            continue;
        }
        if (Text(group, "type") == "Album") {
            return Text(group, "title");
        }
        if (any.empty()) {
            any = Text(group, "title");
        }
    }
    return any;
}

}  // namespace

bool ParseAcoustIdAnswer(const std::string& json, std::vector<AcoustIdMatch>& out,
                         std::string& why) {
    out.clear();
    Json answer;
    if (!JsonAnswer::Parse(json, answer, why)) {
        return false;
    }
    if (Text(answer, "status") != "ok") {
        auto error = answer.find("error");
        why = error != answer.end() && error->is_object() && !Text(*error, "message").empty()
                  ? "AcoustID says: " + Text(*error, "message")
                  : "the answer is not a lookup's";
        return false;
    }
    for (const Json& result : Array(answer, "results")) {
        if (!result.is_object()) {
            continue;
        }
        AcoustIdMatch match;
        match.id = Text(result, "id");
        auto score = result.find("score");
        match.score = score != result.end() && score->is_number() ? score->get<double>() : 0;
        for (const Json& recording : Array(result, "recordings")) {
            if (recording.is_object() && !Text(recording, "id").empty()) {
                match.recordings.push_back({Text(recording, "id"), Text(recording, "title"),
                                            Artists(recording), Album(recording)});
            }
        }
        out.push_back(std::move(match));
    }
    std::stable_sort(out.begin(), out.end(), [](const AcoustIdMatch& a, const AcoustIdMatch& b) {
        return a.score > b.score;
    });
    return true;
}

std::string LookUpFingerprint(const Fingerprint& fingerprint, const std::string& key,
                              std::vector<AcoustIdMatch>& out, std::string server) {
    if (key.empty()) {
        return "no AcoustID application key: give --key or set AcoustID Key under [Online] in "
               "the settings";
    }
    if (server.empty()) {
        server = CAppRegKey().GetAcoustIdServer();
    }
    while (!server.empty() && server.back() == '/') {
        server.pop_back();
    }
    const std::string url =
        server + "/v2/lookup?format=json&meta=recordings+releasegroups&client=" + UrlEncode(key) +
        "&duration=" + std::to_string(fingerprint.seconds) +
        "&fingerprint=" + UrlEncode(fingerprint.compressed);
    WebResponse response = WebClient::Get(url);
    if (!response.error.empty()) {
        return response.error;
    }
    std::string why;
    return ParseAcoustIdAnswer(response.body, out, why) ? std::string() : why;
}

}  // namespace songcore
