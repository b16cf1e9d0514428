// tunemoss art, run as a user would: list, set, extract and remove the
// pictures of a song, and the errors for what cannot be done.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <filesystem>

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

// Where --out points decides how the picture is written: a new or regular
// file gets it whole (never half written), a device or a FIFO receives it
// as cp would give it, and nothing is ever renamed over what is not a plain
// file of the user's.
TEST(CliArt, ExtractWritesWhereOutPointsWithoutReplacingWhatIsNotAPlainFile) {
    TempDir dir;
    std::string song = testsupport::CopyDataFile(dir, "id3v2/base.mp3");
    ASSERT_EQ(RunTunemoss({"art", song, "--set", DataFile("pictures/front.jpg")}).status, 0);
    std::vector<uint8_t> songBytes = ReadFileBytes(song);
    std::vector<uint8_t> picture = ReadFileBytes(DataFile("pictures/front.jpg"));
    auto extract = [&](const std::string& out) {
        return RunTunemoss({"art", song, "--extract", "1", "--out", out});
    };

    // A new file, and a file that is there (its mode kept).
    std::string fresh = dir.file("cover.jpg");
    ASSERT_EQ(extract(fresh).status, 0);
    EXPECT_EQ(ReadFileBytes(fresh), picture);
    testsupport::WriteFileBytes(fresh, {1, 2, 3});
    ::chmod(fresh.c_str(), 0604);
    ASSERT_EQ(extract(fresh).status, 0);
    EXPECT_EQ(ReadFileBytes(fresh), picture);
    struct stat st {};
    ::stat(fresh.c_str(), &st);
    EXPECT_EQ(st.st_mode & 0777, 0604u);

    // The song itself, directly or through a link, is refused.
    std::string link = dir.file("link.jpg");
    ASSERT_EQ(::symlink(song.c_str(), link.c_str()), 0);
    for (const std::string& out : {song, link}) {
        auto itself = extract(out);
        EXPECT_EQ(itself.status, 1) << out;
        EXPECT_NE(itself.err.find("is the song itself"), std::string::npos) << itself.err;
    }
    EXPECT_EQ(ReadFileBytes(song), songBytes);

    // A FIFO gets the bytes and stays a FIFO.
    std::string fifo = dir.file("pipe");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    int reader = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    ASSERT_EQ(extract(fifo).status, 0);
    std::vector<uint8_t> got(picture.size() + 16);
    ssize_t n = ::read(reader, got.data(), got.size());
    ::close(reader);
    ASSERT_EQ(n, static_cast<ssize_t>(picture.size()));
    got.resize(static_cast<size_t>(n));
    EXPECT_EQ(got, picture);
    ::lstat(fifo.c_str(), &st);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));

    if (::geteuid() != 0) {
        return;  // what follows needs another user and device nodes
    }
    std::string null = dir.file("null");
    ASSERT_EQ(::mknod(null.c_str(), S_IFCHR | 0666, makedev(1, 3)), 0);
    ASSERT_EQ(extract(null).status, 0);
    ::lstat(null.c_str(), &st);
    EXPECT_TRUE(S_ISCHR(st.st_mode)) << "a device stays a device";

    // A link that another user planted in a shared folder is not followed.
    std::string shared = dir.file("shared");
    std::filesystem::create_directory(shared);
    ::chmod(shared.c_str(), 01777);
    std::string secret = dir.file("secret");
    testsupport::WriteFileBytes(secret, {'k', 'e', 'y'});
    ::chmod(secret.c_str(), 0600);
    std::string planted = shared + "/cover.jpg";
    ASSERT_EQ(::symlink(secret.c_str(), planted.c_str()), 0);
    ASSERT_EQ(::lchown(planted.c_str(), 4242, 4242), 0);
    auto refused = extract(planted);
    EXPECT_EQ(refused.status, 1);
    EXPECT_NE(refused.err.find("symbolic link"), std::string::npos) << refused.err;
    EXPECT_EQ(testsupport::ReadFileText(secret), "key");
}

// What --set takes: an image of at most 16 MB whose header holds its size.
TEST(CliArt, SetTakesOnlyWholeImagesFromRegularFiles) {
    TempDir dir;
    std::string song = testsupport::CopyDataFile(dir, "id3v2/base.mp3");
    std::vector<uint8_t> before = ReadFileBytes(song);
    struct Case {
        const char* name;
        std::vector<uint8_t> bytes;
        const char* says;
    };
    std::vector<uint8_t> large = ReadFileBytes(DataFile("pictures/front.jpg"));
    large.resize((16u << 20) + 1, 0);
    const Case cases[] = {
        {"signature.png", {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'}, "no image size"},
        {"cut.gif", {'G', 'I', 'F', '8', '9', 'a', 1, 0}, "no image size"},
        {"large.jpg", large, "larger than 16 MB"},
    };
    for (const Case& c : cases) {
        std::string image = dir.file(c.name);
        testsupport::WriteFileBytes(image, c.bytes);
        auto result = RunTunemoss({"art", song, "--set", image});
        EXPECT_EQ(result.status, 1) << c.name;
        EXPECT_NE(result.err.find(c.says), std::string::npos) << c.name << ": " << result.err;
    }
    // A FIFO is not waited on.
    std::string fifo = dir.file("cover.jpg");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    auto result =
        testsupport::Run({"timeout", "120", TUNEMOSS_CLI_PATH, "art", song, "--set", fifo});
    EXPECT_EQ(result.status, 1);
    EXPECT_NE(result.err.find("not a regular file"), std::string::npos) << result.err;
    EXPECT_EQ(ReadFileBytes(song), before);
}

}  // namespace
