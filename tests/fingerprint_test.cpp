// Acoustic fingerprints as AcoustID's own fpcalc makes them, on songs that
// ffmpeg makes in several formats, and their lookup on a stand-in for the
// AcoustID service.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cstdlib>
#include <sstream>

#include "songcore/online/AcoustId.h"
#include "songcore/online/WebClient.h"
#include "songcore/settings/AppRegKey.h"
#include "songcore/tags/SongFileInfo.h"
#include "songcore/tags/SongItems.h"
#include "support/ServerProcess.h"
#include "support/TestSupport.h"

using testsupport::RunTunemoss;
using testsupport::TempDir;

namespace {

// A tone over noise, 20 seconds: enough for a fingerprint of some length.
std::string MakeSong(const TempDir& dir, const std::string& name) {
    const std::string path = dir.file(name);
    EXPECT_EQ(testsupport::Run({"ffmpeg", "-v", "error", "-f", "lavfi", "-i", "sine=f=523:d=20",
                                "-f", "lavfi", "-i", "anoisesrc=d=20:a=0.2:c=pink:s=7",
                                "-filter_complex", "amix=inputs=2", "-ac", "2", path})
                  .status,
              0);
    return path;
}

// How alike two raw fingerprints are, 0 to 1: the share of equal bits over
// the part they share.
double Similarity(const std::vector<uint32_t>& a, const std::vector<uint32_t>& b) {
    const size_t shared = std::min(a.size(), b.size());
    uint64_t differing = 0;
    for (size_t i = 0; i < shared; ++i) {
        differing += static_cast<uint64_t>(std::popcount(a[i] ^ b[i]));
    }
    return shared == 0 ? 0
                       : 1.0 - static_cast<double>(differing) / static_cast<double>(shared * 32);
}

std::string Line(const std::string& text, const std::string& prefix) {
    size_t at = text.find(prefix);
    return at == std::string::npos
               ? std::string()
               : text.substr(at + prefix.size(), text.find('\n', at) - at - prefix.size());
}

}  // namespace

TEST(Fingerprint, IsFpcalcsOnEveryFormat) {
    if (testsupport::Run({"fpcalc", "-version"}).status != 0) {
        GTEST_SKIP() << "fpcalc is not installed";
    }
    TempDir dir;
    for (const char* name : {"a.flac", "b.mp3", "c.opus", "d.m4a", "e.ogg"}) {
        SCOPED_TRACE(name);
        const std::string path = MakeSong(dir, name);
        // fpcalc reports an error at the end of some streams ffmpeg writes,
        // and still prints what it made.
        testsupport::RunResult theirs = testsupport::Run({"fpcalc", path});
        ASSERT_NE(Line(theirs.out, "FINGERPRINT="), "") << theirs.err;
        songcore::Fingerprint ours;
        ASSERT_EQ(songcore::MakeFingerprint(path, ours), "");
        EXPECT_EQ(std::to_string(ours.seconds), Line(theirs.out, "DURATION="));
        // 16-bit audio gives fpcalc's very samples; a decoder of floats is
        // rounded to 16 bits a little differently, which moves a few bits.
        if (std::string(name).ends_with(".flac")) {
            EXPECT_EQ(ours.compressed, Line(theirs.out, "FINGERPRINT="));
        }
        std::vector<uint32_t> raw;
        std::istringstream values(
            Line(testsupport::Run({"fpcalc", "-raw", path}).out, "FINGERPRINT="));
        for (std::string value; std::getline(values, value, ',');) {
            raw.push_back(static_cast<uint32_t>(std::stoul(value)));
        }
        EXPECT_EQ(ours.raw.size(), raw.size());
        EXPECT_GT(Similarity(ours.raw, raw), 0.98);
    }
    std::string text = dir.file("notes.mp3");
    testsupport::WriteFileBytes(text, {'n', 'o', 't', 'e'});
    songcore::Fingerprint none;
    EXPECT_NE(songcore::MakeFingerprint(text, none), "");
}

// Settings, cache and history of the test's own, a stand-in AcoustID
// service on this machine, and a song to look up.
class FingerprintLookup : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* name : {"XDG_CONFIG_HOME", "XDG_CACHE_HOME", "XDG_STATE_HOME"}) {
            ::setenv(name, dir.file(name).c_str(), 1);
        }
        ASSERT_NE(server.port(), 0);
        const std::string address = "http://127.0.0.1:" + std::to_string(server.port());
        ASSERT_EQ(CAppRegKey().SetAcoustIdServer(address.c_str()), 1);
        song = MakeSong(dir, "song.flac");
    }
    void TearDown() override {
        for (const char* name : {"XDG_CONFIG_HOME", "XDG_CACHE_HOME", "XDG_STATE_HOME"}) {
            ::unsetenv(name);
        }
    }

    TempDir dir;
    testsupport::ServerProcess server{"acoustid_server.py", {}};
    std::string song;
};

TEST_F(FingerprintLookup, IsLookedUpOnAcoustIdWithTheKeyGiven) {
    testsupport::RunResult found = RunTunemoss({"fingerprint", "--lookup", "--key", "good", song});
    ASSERT_EQ(found.status, 0) << found.err;
    EXPECT_NE(found.out.find("  match 97%: 0f6b7a38-4d1c-4a0e-9c4b-1f2d3e4a5b6c  Sine Song - "
                             "Tone & Noise\n"),
              std::string::npos)
        << found.out;
    testsupport::RunResult json =
        RunTunemoss({"fingerprint", "--lookup", "--json", "--key", "unknown", song});
    ASSERT_EQ(json.status, 0) << json.err;
    EXPECT_NE(json.out.find("\"matches\": []"), std::string::npos) << json.out;

    testsupport::RunResult refused = RunTunemoss({"fingerprint", "--lookup", "--key", "bad", song});
    EXPECT_EQ(refused.status, 1);
    EXPECT_NE(refused.err.find(song + ": cannot look it up on AcoustID: AcoustID says: invalid "
                                      "API key"),
              std::string::npos)
        << refused.err;
    // No key, no lookup: nothing is sent.
    EXPECT_EQ(RunTunemoss({"fingerprint", "--lookup", song}).status, 2);

    std::vector<songcore::AcoustIdMatch> matches;
    std::string why;
    EXPECT_FALSE(songcore::ParseAcoustIdAnswer("[[[[", matches, why));
    EXPECT_FALSE(songcore::ParseAcoustIdAnswer(std::string(100000, '['), matches, why));
    EXPECT_TRUE(songcore::ParseAcoustIdAnswer(
        R"({"status":"ok","results":[{"id":1,"score":"x","recordings":[{"id":[]}, 5]}, 7]})",
        matches, why));
    ASSERT_EQ(matches.size(), 1u);
    EXPECT_TRUE(matches[0].recordings.empty());
}

// The best match written into the song only when it is sure enough, as one
// edit that undo takes back; --dry-run and a match below the score write
// nothing.
TEST_F(FingerprintLookup, SureMatchIsWrittenAndUndone) {
    ASSERT_EQ(RunTunemoss({"write", song, "--title", "Track 1", "--artist", "Tone & Noise"}).status,
              0);
    const std::vector<uint8_t> before = testsupport::ReadFileBytes(song);

    struct Case {
        std::vector<std::string> args;
        std::string shown;
    };
    const Case unwritten[] = {
        {{"--key", "good", "--dry-run"},
         "  would write recording 0f6b7a38-4d1c-4a0e-9c4b-"
         "1f2d3e4a5b6c, and:\n    title: Track 1 -> Sine Song\n"
         "    album:  -> Tones\n"},
        {{"--key", "good", "--min-score", "0.98"},
         "  left alone: the best match is 97% sure, less than asked\n"},
        {{"--key", "weak"}, "  left alone: the best match is 50% sure, less than asked\n"},
        {{"--key", "unknown"}, "  left alone: no recording matches it\n"},
    };
    for (const Case& run : unwritten) {
        std::vector<std::string> args = {"fingerprint", "--lookup", "--write"};
        args.insert(args.end(), run.args.begin(), run.args.end());
        args.push_back(song);
        testsupport::RunResult result = RunTunemoss(args);
        EXPECT_EQ(result.status, 0) << result.err;
        EXPECT_NE(result.out.find(run.shown), std::string::npos) << result.out;
        EXPECT_EQ(testsupport::ReadFileBytes(song), before) << run.args[1];
    }

    testsupport::RunResult written =
        RunTunemoss({"fingerprint", "--lookup", "--write", "--key", "good", song});
    ASSERT_EQ(written.status, 0) << written.err;
    CSongFileInfo info;
    ASSERT_TRUE(info.Open(song, 1, 0) && info.GetSongInfo());
    EXPECT_EQ(info.GetTitle(), "Sine Song");
    EXPECT_EQ(info.GetArtist(), "Tone & Noise");
    EXPECT_EQ(info.GetAlbum(), "Tones");
    std::vector<songcore::TagItem> items;
    std::string why;
    ASSERT_TRUE(songcore::ReadSongItems(song, items, why)) << why;
    EXPECT_TRUE(std::any_of(items.begin(), items.end(), [](const songcore::TagItem& item) {
        return item.key == "MUSICBRAINZ_TRACKID" &&
               item.values == std::vector<std::string>{"0f6b7a38-4d1c-4a0e-9c4b-1f2d3e4a5b6c"};
    }));
    ASSERT_EQ(RunTunemoss({"undo"}).status, 0);
    EXPECT_EQ(testsupport::ReadFileBytes(song), before);

    for (const std::vector<std::string>& misuse : std::vector<std::vector<std::string>>{
             {"--write"},
             {"--lookup", "--key", "good", "--dry-run"},
             {"--lookup", "--key", "good", "--write", "--min-score", "1.5"},
             {"--lookup", "--key", "good", "--write", "--min-score", "x"}}) {
        std::vector<std::string> args = {"fingerprint"};
        args.insert(args.end(), misuse.begin(), misuse.end());
        args.push_back(song);
        EXPECT_EQ(RunTunemoss(args).status, 2) << misuse.back();
    }
}
