// tunemoss art, run as a user would: list, set, extract and remove the
// pictures of a song, and the errors for what cannot be done.
#include <gtest/gtest.h>

#include "support/TestSupport.h"

using testsupport::DataFile;
using testsupport::ReadFileBytes;
using testsupport::RunTunemoss;
using testsupport::TempDir;

namespace {

TEST(CliArt, SetListExtractAndRemove) {
    TempDir dir;
    std::string song = testsupport::CopyDataFile(dir, "id3v2/base.mp3");
    EXPECT_EQ(RunTunemoss({"art", song}).out, song + ": no pictures\n");

    ASSERT_EQ(RunTunemoss({"art", song, "--set", DataFile("pictures/front.jpg")}).status, 0);
    auto set = RunTunemoss({"art", song, "--set", DataFile("pictures/back.png"), "--type", "back",
                            "--description", "Rückseite"});
    ASSERT_EQ(set.status, 0) << set.err;
    auto list = RunTunemoss({"art", song});
    EXPECT_EQ(list.out, song +
                            ": 2 pictures\n"
                            "  1. front  image/jpeg  233 bytes  40x30\n"
                            "  2. back  image/png  192 bytes  20x12  \"Rückseite\"\n");
    auto json = RunTunemoss({"art", "--json", song});
    EXPECT_NE(json.out.find("\"pictures\": [{\"index\": 1, \"type\": \"front\", \"mime\": "
                            "\"image/jpeg\", \"description\": \"\", \"size\": 233, "
                            "\"dimensions\": \"40x30\"},{\"index\": 2"),
              std::string::npos)
        << json.out;

    // A new front cover takes the old one's place.
    ASSERT_EQ(RunTunemoss({"art", song, "--set", DataFile("pictures/small.gif")}).status, 0);
    EXPECT_NE(RunTunemoss({"art", song}).out.find("1. front  image/gif"), std::string::npos);

    std::string out = dir.file("back.png");
    ASSERT_EQ(RunTunemoss({"art", song, "--extract", "2", "--out", out}).status, 0);
    EXPECT_EQ(ReadFileBytes(out), ReadFileBytes(DataFile("pictures/back.png")));

    ASSERT_EQ(RunTunemoss({"art", song, "--remove", "1"}).status, 0);
    EXPECT_NE(RunTunemoss({"art", song}).out.find("1 picture\n  1. back"), std::string::npos);
    ASSERT_EQ(RunTunemoss({"art", song, "--remove", "all"}).status, 0);
    EXPECT_EQ(RunTunemoss({"art", song}).out, song + ": no pictures\n");
}

TEST(CliArt, RefusesWhatCannotBeDone) {
    TempDir dir;
    std::string song = testsupport::CopyDataFile(dir, "id3v2/base.mp3");
    std::vector<uint8_t> before = ReadFileBytes(song);

    auto none = RunTunemoss({"art", song, "--extract", "1", "--out", dir.file("x")});
    EXPECT_EQ(none.status, 2);
    EXPECT_NE(none.err.find(song + " has no pictures"), std::string::npos) << none.err;
    EXPECT_EQ(RunTunemoss({"art", song, "--remove", "3"}).status, 2);
    auto type =
        RunTunemoss({"art", song, "--set", DataFile("pictures/front.jpg"), "--type", "cover"});
    EXPECT_EQ(type.status, 2);
    EXPECT_NE(type.err.find("unknown picture type \"cover\""), std::string::npos) << type.err;

    std::string text = dir.file("notes.jpg");
    testsupport::WriteFileBytes(text, {'h', 'e', 'l', 'l', 'o'});
    auto notImage = RunTunemoss({"art", song, "--set", text});
    EXPECT_EQ(notImage.status, 1);
    EXPECT_NE(notImage.err.find(text + ": not a JPEG"), std::string::npos) << notImage.err;
    EXPECT_EQ(ReadFileBytes(song), before);

    std::string real = testsupport::CopyDataFile(dir, "rm/tagged.ra");
    auto rm = RunTunemoss({"art", real, "--set", DataFile("pictures/front.jpg")});
    EXPECT_EQ(rm.status, 1);
    EXPECT_NE(rm.err.find(real + ": cannot write the pictures: this format has no place"),
              std::string::npos)
        << rm.err;

    auto missing = RunTunemoss({"art", dir.file("gone.mp3")});
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.err.find("gone.mp3: cannot read the pictures"), std::string::npos);
}

}  // namespace
