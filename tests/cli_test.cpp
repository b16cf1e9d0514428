// The tunemoss command as scripts use it: output, messages and exit codes.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>

#include "support/HttpTestServer.h"
#include "support/ServerProcess.h"
#include "support/TestSupport.h"

using testsupport::RunTunemoss;
using testsupport::TempDir;

TEST(Cli, HelpAndUsageErrors) {
    auto help = RunTunemoss({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("show"), std::string::npos);
    for (const char* command : {"show", "write", "remove"}) {
        auto commandHelp = RunTunemoss({command, "--help"});
        EXPECT_EQ(commandHelp.status, 0) << command;
        EXPECT_NE(commandHelp.out.find("Usage: tunemoss"), std::string::npos) << command;
    }
    EXPECT_EQ(RunTunemoss({}).status, 2);
    EXPECT_EQ(RunTunemoss({"frobnicate"}).status, 2);
    EXPECT_EQ(RunTunemoss({"show"}).status, 2);
    EXPECT_EQ(RunTunemoss({"show", "--bogus", "x.mp3"}).status, 2);
    EXPECT_EQ(RunTunemoss({"remove", "x.mp3"}).status, 2);  // no --tag
    EXPECT_EQ(RunTunemoss({"remove", "--tag", "ogg", "x.mp3"}).status, 2);
    EXPECT_EQ(RunTunemoss({"write", "x.mp3", "--track", "seven"}).status, 2);
    EXPECT_EQ(RunTunemoss({"write", "x.mp3", "--genre", "300"}).status, 2);
    EXPECT_EQ(RunTunemoss({"write", "x.mp3", "--tag", "wav"}).status, 2);
}

TEST(Cli, ShowJsonPrintsEveryKeyAndFailsOnlyTheMissingFile) {
    std::string good = testsupport::DataFile("id3v1/v11.mp3");
    auto result = RunTunemoss({"show", "--json", "/no/such.mp3", good});
    EXPECT_EQ(result.status, 1);
    EXPECT_NE(result.err.find("tunemoss: /no/such.mp3: cannot open"), std::string::npos)
        << result.err;
    auto newline = result.out.find('\n');
    ASSERT_NE(newline, std::string::npos);
    std::string missing = result.out.substr(0, newline);
    std::string line = result.out.substr(newline + 1);
    EXPECT_NE(missing.find("\"tag\": null"), std::string::npos);
    EXPECT_NE(missing.find("\"error\": \"cannot open"), std::string::npos);
    for (const char* key :
         {"path",    "song_type", "tag",          "title",      "artist",   "album_artist",
          "album",   "year",      "comment",      "genre",      "genre_id", "track",
          "disc",    "composer",  "orig_artist",  "copyright",  "url",      "encoded_by",
          "lyrics",  "performer", "organization", "location",   "contact",  "license",
          "version", "vendor",    "codec",        "codec_type", "tempo",    "compilation",
          "stream",  "error"}) {
        EXPECT_NE(line.find("\"" + std::string(key) + "\": "), std::string::npos) << key;
    }
    EXPECT_NE(line.find("\"tag\": \"ID3V1\""), std::string::npos);
    EXPECT_NE(line.find("\"song_type\": 129"), std::string::npos);
    EXPECT_NE(line.find("\"title\": \"Caf\xC3\xA9 del Mar\""), std::string::npos);
    EXPECT_NE(line.find("\"genre\": \"Ambient\", \"genre_id\": 26, \"track\": 7"),
              std::string::npos);
    EXPECT_NE(line.find("\"error\": null"), std::string::npos);
}

TEST(Cli, ShowJsonEscapesControlCharactersAndBrokenText) {
    TempDir dir;
    std::string path = testsupport::CopyDataFile(dir, "id3v1/none.mp3");
    std::string lyrics = dir.file("lyrics.txt");
    testsupport::WriteFileBytes(lyrics, {'"', 'a', '\\', '\n', 0x01});
    // Lyrics are not part of an ID3v1 tag; the comment carries a quote.
    ASSERT_EQ(RunTunemoss({"write", path, "--tag", "id3v1", "--comment", "say \"hi\"\t"}).status,
              0);
    auto result = RunTunemoss({"show", "--json", path});
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_NE(result.out.find("\"comment\": \"say \\\"hi\\\"\""), std::string::npos) << result.out;

    // A file name that is not UTF-8 still gives valid JSON.
    std::string odd = dir.file(std::string("bad\xFF") + ".mp3");
    testsupport::CopyDataFile(dir, "id3v1/v11.mp3", std::string("bad\xFF") + ".mp3");
    auto oddResult = RunTunemoss({"show", "--json", odd});
    ASSERT_EQ(oddResult.status, 0);
    EXPECT_NE(oddResult.out.find("bad\xEF\xBF\xBD.mp3"), std::string::npos);
}

TEST(Cli, ShowHumanListsTheSetFields) {
    auto result = RunTunemoss({"show", testsupport::DataFile("id3v1/v11.mp3")});
    ASSERT_EQ(result.status, 0);
    EXPECT_NE(result.out.find("  Tag: ID3V1\n"), std::string::npos) << result.out;
    EXPECT_NE(result.out.find("  Title: Caf\xC3\xA9 del Mar\n"), std::string::npos);
    EXPECT_NE(result.out.find("  Track: 7\n"), std::string::npos);
    EXPECT_EQ(result.out.find("Disc"), std::string::npos);  // not set, not shown
}

TEST(Cli, WriteKeepsFieldsNotGiven) {
    TempDir dir;
    std::string path = testsupport::CopyDataFile(dir, "id3v1/v11.mp3");
    auto write = RunTunemoss({"write", path, "--title", "Sunset", "--genre", "17"});
    ASSERT_EQ(write.status, 0) << write.err;
    auto show = RunTunemoss({"show", "--json", path});
    EXPECT_NE(show.out.find("\"title\": \"Sunset\""), std::string::npos) << show.out;
    EXPECT_NE(show.out.find("\"artist\": \"Jos\xC3\xA9 Padilla\""), std::string::npos);
    EXPECT_NE(show.out.find("\"genre\": \"Rock\""), std::string::npos);
    EXPECT_NE(show.out.find("\"track\": 7"), std::string::npos);
    // The ID3v1 tag has no album artist: an ID3v2 tag beside it holds one.
    ASSERT_EQ(RunTunemoss({"write", path, "--album-artist", " Various Artists "}).status, 0);
    auto both = RunTunemoss({"show", "--json", path});
    EXPECT_NE(both.out.find("\"tag\": \"ID3V2\""), std::string::npos) << both.out;
    EXPECT_NE(both.out.find("\"album_artist\": \"Various Artists\""), std::string::npos);
    EXPECT_NE(both.out.find("\"title\": \"Sunset\""), std::string::npos);
    EXPECT_NE(RunTunemoss({"show", path}).out.find("  Album artist: Various Artists\n"),
              std::string::npos);
    // Genre names are matched without regard to case.
    ASSERT_EQ(RunTunemoss({"write", path, "--genre", "hard rock"}).status, 0);
    EXPECT_NE(RunTunemoss({"show", "--json", path}).out.find("\"genre_id\": 79"),
              std::string::npos);
}

TEST(Cli, WriteAndRemoveReportFailuresPerFile) {
    TempDir dir;
    std::string path = testsupport::CopyDataFile(dir, "id3v1/v11.mp3");
    auto missing = RunTunemoss({"write", dir.file("gone.mp3"), "--title", "x"});
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.err.find(dir.file("gone.mp3") + ": cannot open"), std::string::npos);

    std::string twoTags = testsupport::CopyDataFile(dir, "id3v1/two_tags.mp3");
    auto removed = RunTunemoss({"remove", "--tag", "id3v1", twoTags, dir.file("gone.mp3"), path});
    EXPECT_EQ(removed.status, 1);  // one file failed, the others were processed
    auto show = RunTunemoss({"show", "--json", twoTags, path});
    EXPECT_EQ(show.out.find("\"tag\": \"ID3V1\""), std::string::npos) << show.out;
}

// libcurl and ICU, with the dozens of libraries they need, are loaded by the
// first command that uses them, not by every start.
TEST(Cli, ShowReadsAnInternetLocationAndLoadsLibcurlOnlyThen) {
    TempDir dir;
    std::string local = testsupport::CopyDataFile(dir, "id3v1/v11.mp3", "remote.mp3");
    testsupport::HttpTestServer server(dir.path());
    ASSERT_TRUE(server.ok());
    ::setenv("LD_DEBUG", "files", 1);
    auto plain = RunTunemoss({"show", "--json", local});
    auto remote = RunTunemoss({"show", "--json", server.url("remote.mp3")});
    ::unsetenv("LD_DEBUG");
    ASSERT_EQ(plain.status, 0) << plain.err;
    EXPECT_EQ(plain.err.find("libcurl"), std::string::npos);
    EXPECT_EQ(plain.err.find("libicu"), std::string::npos);
    EXPECT_EQ(plain.err.find("libavformat"), std::string::npos);
    EXPECT_EQ(plain.err.find("libebur128"), std::string::npos);
    ASSERT_EQ(remote.status, 0) << remote.err;
    EXPECT_NE(remote.err.find("file=libcurl"), std::string::npos);
    EXPECT_NE(remote.out.find("\"song_type\": 130"), std::string::npos) << remote.out;
    EXPECT_NE(remote.out.find("\"title\": \"Caf\xC3\xA9 del Mar\""), std::string::npos);
}

TEST(Cli, ShowEscapesControlCharactersInTagText) {
    TempDir dir;
    std::string path = testsupport::CopyDataFile(dir, "id3v1/v11.mp3");
    std::string title = "\x1B]0;owned\x07\x1B[2J\nTitle: forged\\n";
    ASSERT_EQ(
        RunTunemoss({"write", path, "--title", title, "--artist", "Tab\there \xC2\x9B"}).status, 0);
    std::string lyrics = dir.file("lyrics.txt");
    testsupport::WriteFileBytes(lyrics, {'o', 'n', 'e', '\r', '\n', 't', 'w', 'o', 0x1B, '[', 'H'});
    ASSERT_EQ(
        RunTunemoss({"write", path, "--tag", "id3v2", "--title", title, "--lyrics-file", lyrics})
            .status,
        0);

    auto result = RunTunemoss({"show", path});
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out.find('\x1B'), std::string::npos) << result.out;
    EXPECT_EQ(result.out.find('\x07'), std::string::npos);
    EXPECT_EQ(result.out.find("\nTitle: forged"), std::string::npos);
    EXPECT_NE(result.out.find("  Title: \\e]0;owned\\x07\\e[2J\\nTitle: forged\\\\n\n"),
              std::string::npos)
        << result.out;
    // Lyrics keep their lines; what is inside a line is escaped.
    EXPECT_NE(result.out.find("  Lyrics: \n    one\n    two\\e[H\n"), std::string::npos)
        << result.out;

    // JSON carries the text itself, in JSON's own escapes.
    auto json = RunTunemoss({"show", "--json", path});
    EXPECT_NE(json.out.find("\\u001b]0;owned\\u0007\\u001b[2J\\nTitle: forged\\\\n"),
              std::string::npos)
        << json.out;
}

TEST(Cli, ShowFailsAFileWithoutAnAudioStream) {
    TempDir dir;
    std::string text = "just some notes, not a song\n";
    std::vector<uint8_t> bytes(text.begin(), text.end());
    for (const char* name : {"notes.mp3", "notes.ogg", "notes.flac", "notes.m4a", "notes.wma"}) {
        testsupport::WriteFileBytes(dir.file(name), bytes);
        auto result = RunTunemoss({"show", dir.file(name)});
        EXPECT_EQ(result.status, 1) << name;
        EXPECT_NE(result.err.find(dir.file(name) + ": no audio stream found"), std::string::npos)
            << name << ": " << result.err;
    }
    auto mp3 = RunTunemoss({"show", "--json", dir.file("notes.mp3")});
    EXPECT_EQ(mp3.status, 1);
    EXPECT_NE(mp3.out.find("\"error\": \"no audio stream found: No frame found.\""),
              std::string::npos)
        << mp3.out;
    // A real song next to it is still shown and does not fail.
    auto both =
        RunTunemoss({"show", testsupport::DataFile("id3v1/v11.mp3"), dir.file("notes.mp3")});
    EXPECT_EQ(both.status, 1);
    EXPECT_NE(both.out.find("  Stream:\n"), std::string::npos);
    // A type we do not read has no stream to miss.
    testsupport::WriteFileBytes(dir.file("notes.txt"), bytes);
    EXPECT_EQ(RunTunemoss({"show", dir.file("notes.txt")}).status, 0);
}

TEST(Cli, InputsAndTransfersAreBounded) {
    TempDir dir;
    std::string path = testsupport::CopyDataFile(dir, "id3v1/v11.mp3");
    auto before = testsupport::ReadFileBytes(path);
    auto endless = RunTunemoss({"write", path, "--lyrics-file", "/dev/zero"});
    EXPECT_EQ(endless.status, 1);
    EXPECT_NE(endless.err.find("/dev/zero: the lyrics file is larger than 16 MB"),
              std::string::npos)
        << endless.err;
    EXPECT_EQ(testsupport::ReadFileBytes(path), before);

    testsupport::ServerProcess server("hostile_server.py", {});
    ASSERT_GT(server.port(), 0);
    std::string drip = "http://127.0.0.1:" + std::to_string(server.port()) + "/drip/x.mp3";
    auto started = std::chrono::steady_clock::now();
    auto shown = RunTunemoss({"show", "--deadline", "1", drip});
    // The drip goes on for a minute: half of that is still the deadline.
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(30));
    EXPECT_EQ(shown.status, 1);
    EXPECT_NE(shown.err.find("did not finish sending within 1 s"), std::string::npos) << shown.err;

    for (const char* bad : {"0", "soon", "86401"}) {
        EXPECT_EQ(RunTunemoss({"show", "--deadline", bad, path}).status, 2) << bad;
    }
    EXPECT_EQ(RunTunemoss({"search", "--web", drip, "--query", "x", "--deadline", "0"}).status, 2);
    EXPECT_EQ(RunTunemoss({"cddb", "motd", "--server", "127.0.0.1", "--deadline", "x"}).status, 2);
}

// What tunemoss refuses to do, and how it says so: names escaped in every
// message, no tag put into a file that is not a song, no number that does
// not fit, and its own state files never followed elsewhere.
TEST(Cli, RefusalsAreSafeAndSayWhatFailed) {
    TempDir dir;
    std::string forged = dir.file("\x1b]0;owned\x07.mp3");
    auto escaped = RunTunemoss({"write", forged, "--title", "x"});
    EXPECT_EQ(escaped.status, 1);
    EXPECT_EQ(escaped.err.find('\x1b'), std::string::npos) << escaped.err;
    EXPECT_NE(escaped.err.find("\\e]0;owned\\x07.mp3: cannot open"), std::string::npos)
        << escaped.err;

    std::string notes = dir.file("notes.mp3");
    testsupport::WriteFileBytes(notes, {'j', 'u', 's', 't', ' ', 'n', 'o', 't', 'e', 's', '\n'});
    auto text = RunTunemoss({"write", notes, "--title", "X"});
    EXPECT_EQ(text.status, 1);
    EXPECT_NE(text.err.find("notes.mp3: no audio stream found"), std::string::npos) << text.err;
    EXPECT_EQ(testsupport::ReadFileText(notes), "just notes\n");

    std::string huge =
        testsupport::CopyDataFile(dir, "files/silence.mp3", "99999999999999999999 - Song.mp3");
    std::vector<uint8_t> hugeBefore = testsupport::ReadFileBytes(huge);
    auto track = RunTunemoss({"tag-from-name", "--pattern", "%TRACK - %TITLE", huge});
    EXPECT_EQ(track.status, 1);
    EXPECT_NE(track.err.find("99999999999999999999"), std::string::npos) << track.err;
    EXPECT_EQ(track.out.find("track=99999999999999999999"), std::string::npos) << track.out;
    EXPECT_EQ(testsupport::ReadFileBytes(huge), hugeBefore);

    // The edit history is a link to a FIFO, its lock a link to nowhere.
    std::string state = dir.file("state");
    std::filesystem::create_directories(state + "/Tunemoss");
    ASSERT_EQ(::mkfifo(dir.file("fifo").c_str(), 0600), 0);
    ASSERT_EQ(::symlink(dir.file("fifo").c_str(), (state + "/Tunemoss/edit-history").c_str()), 0);
    ASSERT_EQ(::symlink(dir.file("made").c_str(), (state + "/Tunemoss/edit-history.lock").c_str()),
              0);
    std::string song = testsupport::CopyDataFile(dir, "files/silence.mp3");
    auto linked = testsupport::Run({"env", "XDG_STATE_HOME=" + state, "timeout", "120",
                                    TUNEMOSS_CLI_PATH, "write", song, "--title", "Y"});
    EXPECT_NE(linked.status, 124) << "waited on the FIFO";
    EXPECT_NE(linked.err.find("the edit cannot be undone"), std::string::npos) << linked.err;
    EXPECT_NE(linked.err.find("symbolic link"), std::string::npos) << linked.err;
    EXPECT_FALSE(std::filesystem::exists(dir.file("made")));

    EXPECT_NE(RunTunemoss({"write", "--help"}).out.find("changes nothing writes nothing"),
              std::string::npos);
}
