// The tunemoss command as scripts use it: output, messages and exit codes.
#include <gtest/gtest.h>

#include "support/HttpTestServer.h"
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
    EXPECT_EQ(RunTunemoss({"write", "x.mp3", "--genre", "Polka Metal"}).status, 2);
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
         {"path",      "song_type",    "tag",        "title",    "artist",      "album",
          "year",      "comment",      "genre",      "genre_id", "track",       "disc",
          "composer",  "orig_artist",  "copyright",  "url",      "encoded_by",  "lyrics",
          "performer", "organization", "location",   "contact",  "license",     "version",
          "vendor",    "codec",        "codec_type", "tempo",    "compilation", "stream",
          "error"}) {
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

TEST(Cli, ShowReadsAnInternetLocation) {
    TempDir dir;
    testsupport::CopyDataFile(dir, "id3v1/v11.mp3", "remote.mp3");
    testsupport::HttpTestServer server(dir.path());
    ASSERT_TRUE(server.ok());
    auto result = RunTunemoss({"show", "--json", server.url("remote.mp3")});
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_NE(result.out.find("\"song_type\": 130"), std::string::npos) << result.out;
    EXPECT_NE(result.out.find("\"title\": \"Caf\xC3\xA9 del Mar\""), std::string::npos);
}
