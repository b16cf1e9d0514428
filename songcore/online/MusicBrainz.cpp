#include "songcore/online/MusicBrainz.h"

#include <cctype>
#include <cstdio>

#include "songcore/online/WebClient.h"
#include "songcore/settings/AppRegKey.h"

namespace songcore {
namespace {

// A phrase of the search language: quoted, its quotes and backslashes
// escaped.
std::string Phrase(const std::string& text) {
    std::string out = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
        }
        out += c;
    }
    return out + "\"";
}

}  // namespace

MusicBrainz::MusicBrainz(std::string server, std::function<bool()> keepGoing)
    : server_(std::move(server)), keepGoing_(std::move(keepGoing)) {
    while (!server_.empty() && server_.back() == '/') {
        server_.pop_back();
    }
}

std::string MusicBrainz::ConfiguredServer() {
    return CAppRegKey().GetMusicBrainzServer();
}

bool MusicBrainz::Fetch(const std::string& pathAndQuery, std::string& body, std::string& why) {
    WebResponse response = WebClient::Get(server_ + pathAndQuery, keepGoing_);
    if (!response.error.empty()) {
        why = "MusicBrainz: " + response.error;
        return false;
    }
    body = std::move(response.body);
    return true;
}

bool MusicBrainz::SearchReleases(const std::string& album, const std::string& artist,
                                 int trackCount, std::vector<MbRelease>& out, std::string& why) {
    if (album.empty()) {
        why = "the songs name no album to search for";
        return false;
    }
    std::string query = "release:" + Phrase(album);
    if (!artist.empty()) {
        query += " AND artist:" + Phrase(artist);
    }
    if (trackCount > 0) {
        query += " AND tracks:" + std::to_string(trackCount);
    }
    std::string body;
    if (!Fetch("/ws/2/release?fmt=json&limit=10&query=" + UrlEncode(query), body, why)) {
        return false;
    }
    if (!ParseMbReleaseSearch(body, out, why)) {
        why = "MusicBrainz: " + why;
        return false;
    }
    return true;
}

bool MusicBrainz::LookupRelease(const std::string& id, MbRelease& out, std::string& why) {
    if (!IsMbid(id)) {
        why = "not a MusicBrainz release id: " + id;
        return false;
    }
    std::string body;
    if (!Fetch("/ws/2/release/" + id + "?fmt=json&inc=recordings+artist-credits+release-groups",
               body, why)) {
        return false;
    }
    if (!ParseMbRelease(body, out, why)) {
        why = "MusicBrainz: " + why;
        return false;
    }
    return true;
}

}  // namespace songcore
