// Album lookups on MusicBrainz, against a local stand-in for the service:
// what is asked and how politely, which track each song becomes, what is
// written and taken back, and answers that must not be trusted.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <sstream>

#include "songcore/online/MusicBrainzRelease.h"
#include "songcore/online/ReleaseMatch.h"
#include "songcore/settings/AppRegKey.h"
#include "songcore/tags/SongFileInfo.h"
#include "songcore/tags/SongItems.h"
#include "songcore/tags/SongPictures.h"
#include "support/ServerProcess.h"
#include "support/TestSupport.h"

using testsupport::RunTunemoss;
using testsupport::TempDir;

namespace {

const char kAlbum[] = "1b0c6f44-8d1e-4a86-9b8b-8a4f6c7e2d10";
const char kBusy[] = "3d2e8166-af30-4ca8-9dad-ac6b8e9a4f32";
const char kDeep[] = "4e3f9277-b041-4db9-8ebe-bd7c9fab5043";

struct Request {
    std::string path;
    std::string agent;
    double time = 0;
};

std::vector<Request> Log(const testsupport::ServerProcess& server) {
    std::vector<Request> log;
    std::istringstream lines(server.Get("/log"));
    for (std::string line; std::getline(lines, line);) {
        std::istringstream parts(line);
        Request request;
        std::string time;
        std::getline(parts, request.path, '\t');
        std::getline(parts, request.agent, '\t');
        std::getline(parts, time, '\t');
        request.time = std::stod(time);
        log.push_back(request);
    }
    return log;
}

// Settings, cache and history of the test's own, the service on this machine.
class Lookup : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(server.port(), 0);
        for (const char* name : {"XDG_CONFIG_HOME", "XDG_CACHE_HOME"}) {
            ::setenv(name, dir.file(name).c_str(), 1);
        }
        std::string address = "http://127.0.0.1:" + std::to_string(server.port());
        ASSERT_EQ(CAppRegKey().SetMusicBrainzServer(address.c_str()), 1);
        ASSERT_EQ(CAppRegKey().SetCoverArtServer(address.c_str()), 1);
    }
    void TearDown() override {
        ::unsetenv("XDG_CONFIG_HOME");
        ::unsetenv("XDG_CACHE_HOME");
    }
    // A song of the album as a user has it: a title of another spelling,
    // the numbers missing.
    std::string Song(const std::string& name, int seconds, const std::string& title) {
        std::string path = dir.file(name);
        EXPECT_EQ(
            testsupport::Run({"ffmpeg", "-v", "error", "-f", "lavfi", "-i",
                              "sine=d=" + std::to_string(seconds), "-c:a", "libmp3lame", path})
                .status,
            0);
        EXPECT_EQ(RunTunemoss({"write", path, "--title", title, "--album", "Album X", "--artist",
                               "The Band"})
                      .status,
                  0);
        return path;
    }

    TempDir dir;
    testsupport::ServerProcess server{"musicbrainz_server.py", {}};
};

}  // namespace

TEST_F(Lookup, FindsTheAlbumWritesItsTracksAndIsUndone) {
    std::string first = Song("a.mp3", 2, "first song");
    std::string second = Song("b.mp3", 3, "SECOND SONG");

    auto preview = RunTunemoss({"lookup", "--dry-run", "--json", second, first});
    ASSERT_EQ(preview.status, 0) << preview.err;
    EXPECT_NE(preview.out.find("\"path\": \"" + second + "\", \"release\": \"" + kAlbum +
                               "\", \"disc\": 1, \"track\": 2"),
              std::string::npos)
        << preview.out;
    CSongFileInfo untouched;
    ASSERT_TRUE(untouched.Open(first, 1, 0) && untouched.GetSongInfo());
    EXPECT_EQ(untouched.GetTitle(), "first song");

    auto written = RunTunemoss({"lookup", first, second});
    ASSERT_EQ(written.status, 0) << written.err;
    CSongFileInfo song;
    ASSERT_TRUE(song.Open(second, 1, 0) && song.GetSongInfo());
    EXPECT_EQ(song.GetTitle(), "Second Song");
    EXPECT_EQ(song.GetArtist(), "The Band feat. Guest");
    EXPECT_EQ(song.GetAlbumArtist(), "The Band");
    EXPECT_EQ(song.GetYear(), "2001-02-03");
    EXPECT_EQ(song.GetTrackNum(), 2u);
    EXPECT_EQ(song.GetTrackTotal(), 2u);
    EXPECT_EQ(song.GetDiscNum(), 1u);
    std::vector<songcore::Picture> pictures;
    std::string why;
    ASSERT_TRUE(songcore::ReadSongPictures(second, pictures, why)) << why;
    ASSERT_EQ(pictures.size(), 1u);
    EXPECT_EQ(pictures[0].type, songcore::kPictureFrontCover);
    EXPECT_EQ(pictures[0].mime, "image/png");
    // The identifiers, where MusicBrainz's own tagger puts them.
    std::vector<songcore::TagItem> items;
    ASSERT_TRUE(songcore::ReadSongItems(second, items, why)) << why;
    std::map<std::string, std::vector<std::string>> ids;
    for (const songcore::TagItem& item : items) {
        ids[item.key] = item.values;
    }
    EXPECT_EQ(ids["TXXX:MusicBrainz Album Id"], std::vector<std::string>{kAlbum});
    EXPECT_EQ(ids["TXXX:MusicBrainz Release Group Id"],
              std::vector<std::string>{"6a51b499-d263-4fdb-a0d0-df9eb01d7265"});
    EXPECT_EQ(ids["UFID:http://musicbrainz.org"],
              std::vector<std::string>{"bfa609ee-27b8-4e20-b514-24e3056fc7ba"});
    EXPECT_EQ(ids["TXXX:MusicBrainz Artist Id"].size(), 2u) << "the band and its guest";

    // Asked three times only (a search, the release, its cover): the second
    // run took the answers kept in the cache. Each request named the
    // program and where its makers are, and they came at least a second
    // apart.
    std::vector<Request> log = Log(server);
    ASSERT_EQ(log.size(), 3u);
    EXPECT_EQ(
        log[0].path.rfind("/ws/2/release?fmt=json&limit=10&query=release%3A%22Album%20X%22", 0), 0u)
        << log[0].path;
    EXPECT_EQ(log[1].path.rfind(std::string("/ws/2/release/") + kAlbum, 0), 0u);
    for (const Request& request : log) {
        EXPECT_EQ(request.agent,
                  "Tunemoss/" TUNEMOSS_VERSION " ( https://github.com/tunemoss/tunemoss )");
    }
    EXPECT_GE(log[1].time - log[0].time, 0.998);

    ASSERT_EQ(RunTunemoss({"undo"}).status, 0);
    CSongFileInfo undone;
    ASSERT_TRUE(undone.Open(second, 1, 0) && undone.GetSongInfo());
    EXPECT_EQ(undone.GetTitle(), "SECOND SONG");
    EXPECT_EQ(undone.GetTrackNum(), 0u);
    ASSERT_TRUE(songcore::ReadSongPictures(second, pictures, why)) << why;
    EXPECT_TRUE(pictures.empty());  // the cover went with the edit
    ASSERT_TRUE(songcore::ReadSongItems(second, items, why)) << why;
    EXPECT_TRUE(std::none_of(items.begin(), items.end(), [](const songcore::TagItem& item) {
        return item.key.find("MusicBrainz") != std::string::npos;
    }));
}

TEST_F(Lookup, WaitsWhenTheServiceIsBusyAndRefusesWhatItCannotTrust) {
    std::string path = Song("a.mp3", 2, "First Song");
    auto busy = RunTunemoss({"lookup", "--dry-run", "--cover", "none", "--release", kBusy, path});
    EXPECT_EQ(busy.status, 0) << busy.err;
    std::vector<Request> log = Log(server);
    ASSERT_EQ(log.size(), 2u);
    EXPECT_GE(log[1].time - log[0].time, 0.998);  // as long as Retry-After asked

    auto deep = RunTunemoss({"lookup", "--release", kDeep, path});
    EXPECT_EQ(deep.status, 1);
    EXPECT_NE(deep.err.find("nested too deeply"), std::string::npos) << deep.err;

    EXPECT_EQ(RunTunemoss({"lookup", "--release", "not-an-id", path}).status, 2);
    ASSERT_EQ(CAppRegKey().SetMusicBrainzServer("http://musicbrainz.invalid"), 1);
    auto plain = RunTunemoss({"lookup", path});
    EXPECT_EQ(plain.status, 1);
    EXPECT_NE(plain.err.find("only https"), std::string::npos) << plain.err;
}

// Answers the service should never give, parsed without harm: fields of
// the wrong kinds, ids that are not ids.
TEST(MusicBrainzAnswers, OddAnswersAreReadSafely) {
    std::string why;
    std::vector<songcore::MbRelease> found;
    EXPECT_FALSE(songcore::ParseMbReleaseSearch("[]", found, why));
    EXPECT_FALSE(songcore::ParseMbReleaseSearch("{\"releases\": [", found, why));
    ASSERT_TRUE(songcore::ParseMbReleaseSearch(
        R"({"releases": [{"id": "x"}, {"id": "1b0c6f44-8d1e-4a86-9b8b-8a4f6c7e2d10",
            "score": "97", "title": 5, "media": [{"tracks": [{"position": 99999999,
            "length": -4, "recording": {"title": "From the recording"}}]}]}]})",
        found, why));
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].score, 97);
    EXPECT_EQ(found[0].title, "");
    ASSERT_EQ(found[0].media.at(0).tracks.size(), 1u);
    EXPECT_EQ(found[0].media[0].tracks[0].title, "From the recording");
    EXPECT_EQ(found[0].media[0].tracks[0].position, 65535);
    EXPECT_EQ(found[0].media[0].tracks[0].lengthMs, 0);
    EXPECT_FALSE(songcore::IsMbid("1B0C6F44-8D1E-4A86-9B8B-8A4F6C7E2D10"));
}

// Songs of a two-disc release told apart by disc and track number, by
// title where the numbers are missing, and a song that fits no track.
TEST(ReleaseMatching, EachSongGetsTheTrackThatFitsItBest) {
    songcore::MbRelease release;
    for (int disc = 1; disc <= 2; ++disc) {
        songcore::MbMedium medium;
        medium.position = disc;
        for (int track = 1; track <= 3; ++track) {
            songcore::MbTrack entry;
            entry.position = track;
            entry.title = "Song " + std::to_string(disc) + "." + std::to_string(track);
            entry.lengthMs = 100000 + 10000 * track;
            medium.tracks.push_back(entry);
        }
        release.media.push_back(medium);
    }
    struct Case {
        songcore::SongToMatch song;
        int medium, track;
        bool sure;
    } cases[] = {
        {{"", 2, 3, 130}, 1, 2, true},        // by its numbers and length
        {{"song 1.2", 0, 0, 0}, 0, 1, true},  // by its title alone
        // Its numbers and length say disc 1, its title disc 2: the numbers
        // win, and the match is not sure.
        {{"Song 2.1", 1, 1, 110}, 0, 0, false},
        {{"Something else", 0, 0, 900}, -1, -1, false},
    };
    std::vector<songcore::SongToMatch> songs;
    for (const Case& c : cases) {
        songs.push_back(c.song);
    }
    std::vector<songcore::TrackMatch> matches = songcore::MatchSongsToRelease(songs, release);
    ASSERT_EQ(matches.size(), songs.size());
    for (size_t i = 0; i < songs.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(matches[i].medium, cases[i].medium);
        EXPECT_EQ(matches[i].track, cases[i].track);
        EXPECT_EQ(matches[i].confidence > 0.99, cases[i].sure) << matches[i].confidence;
    }
}
