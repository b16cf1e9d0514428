#include "songcore/online/MusicBrainzRelease.h"

#include <algorithm>

#include "songcore/online/JsonAnswer.h"

namespace songcore {
namespace {

using JsonAnswer::Array;
using JsonAnswer::Number;
using JsonAnswer::Parse;
using JsonAnswer::Text;

using Json = nlohmann::json;

// "A feat. B": each credited name followed by its join phrase.
std::string Credit(const Json& object, std::vector<std::string>* ids) {
    std::string shown;
    for (const Json& part : Array(object, "artist-credit")) {
        if (!part.is_object()) {
            continue;
        }
        std::string name = Text(part, "name");
        auto artist = part.find("artist");
        if (name.empty() && artist != part.end() && artist->is_object()) {
            name = Text(*artist, "name");
        }
        if (ids && artist != part.end() && artist->is_object() && IsMbid(Text(*artist, "id"))) {
            ids->push_back(Text(*artist, "id"));
        }
        shown += name + Text(part, "joinphrase");
    }
    return shown;
}

bool ReadRelease(const Json& object, MbRelease& out) {
    out.id = Text(object, "id");
    if (!IsMbid(out.id)) {
        return false;
    }
    out.title = Text(object, "title");
    out.artist = Credit(object, &out.artistIds);
    out.date = Text(object, "date");
    out.country = Text(object, "country");
    out.score = static_cast<int>(std::clamp<long long>(Number(object, "score"), 0, 100));
    auto group = object.find("release-group");
    if (group != object.end() && group->is_object() && IsMbid(Text(*group, "id"))) {
        out.releaseGroupId = Text(*group, "id");
    }
    long long count = Number(object, "track-count");
    for (const Json& medium : Array(object, "media")) {
        if (!medium.is_object()) {
            continue;
        }
        MbMedium disc;
        disc.position = static_cast<int>(std::clamp<long long>(Number(medium, "position"), 0, 999));
        disc.format = Text(medium, "format");
        for (const Json& track : Array(medium, "tracks")) {
            if (!track.is_object()) {
                continue;
            }
            MbTrack song;
            song.position =
                static_cast<int>(std::clamp<long long>(Number(track, "position"), 0, 65535));
            song.title = Text(track, "title");
            song.trackId = IsMbid(Text(track, "id")) ? Text(track, "id") : std::string();
            song.lengthMs = std::max<long long>(Number(track, "length"), 0);
            auto recording = track.find("recording");
            if (recording != track.end() && recording->is_object()) {
                song.recordingId = IsMbid(Text(*recording, "id")) ? Text(*recording, "id") : "";
                if (song.title.empty()) {
                    song.title = Text(*recording, "title");
                }
                if (song.lengthMs == 0) {
                    song.lengthMs = std::max<long long>(Number(*recording, "length"), 0);
                }
            }
            song.artist = Credit(track, &song.artistIds);
            if (song.artist.empty() && recording != track.end() && recording->is_object()) {
                song.artist = Credit(*recording, &song.artistIds);
            }
            disc.tracks.push_back(std::move(song));
        }
        if (count == 0) {
            count += Number(medium, "track-count");
        }
        out.media.push_back(std::move(disc));
    }
    size_t listed = 0;
    for (const MbMedium& disc : out.media) {
        listed += disc.tracks.size();
    }
    out.trackCount = static_cast<int>(std::clamp<long long>(
        std::max<long long>(count, static_cast<long long>(listed)), 0, 99999));
    return true;
}

}  // namespace

bool IsMbid(const std::string& text) {
    if (text.size() != 36) {
        return false;
    }
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        bool dash = i == 8 || i == 13 || i == 18 || i == 23;
        if (dash ? c != '-' : !((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) {
            return false;
        }
    }
    return true;
}

bool ParseMbReleaseSearch(const std::string& json, std::vector<MbRelease>& out, std::string& why) {
    Json answer;
    if (!Parse(json, answer, why)) {
        return false;
    }
    out.clear();
    for (const Json& release : Array(answer, "releases")) {
        MbRelease found;
        if (release.is_object() && ReadRelease(release, found)) {
            out.push_back(std::move(found));
        }
    }
    return true;
}

bool ParseMbRelease(const std::string& json, MbRelease& out, std::string& why) {
    Json answer;
    if (!Parse(json, answer, why)) {
        return false;
    }
    if (!ReadRelease(answer, out)) {
        why = "the answer names no release";
        return false;
    }
    return true;
}

}  // namespace songcore
