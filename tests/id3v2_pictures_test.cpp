// Pictures in ID3v2 tags: the layouts other programs write (2.2 PIC, UTF-16
// descriptions, unsynchronisation), damaged and unreadable frames, what the
// writer refuses, and a field reader that leaves pictures unread.
#include <gtest/gtest.h>

#include <filesystem>

#include "songcore/tags/SongFileInfo.h"
#include "songcore/tags/SongPictures.h"
#include "songcore/tags/id3/Id3v2Picture.h"
#include "songcore/tags/id3/Id3v2Tag.h"
#include "songcore/util/Text.h"
#include "support/Id3v2Bytes.h"
#include "support/PictureFiles.h"
#include "support/ProcessReads.h"
#include "support/TestSupport.h"

using namespace testsupport;
using songcore::Picture;

namespace {

Bytes Jpeg() {
    return ReadFileBytes(DataFile("pictures/front.jpg"));
}

Bytes ApicBody(uint8_t encoding, const std::string& mime, uint8_t type, const Bytes& description,
               const Bytes& data) {
    return Concat({{encoding}, ToBytes(mime), {0, type}, description, data});
}

// An MP3 made of the tag and the audio of a sample without one.
std::string SongWithTag(const TempDir& dir, const Bytes& tag) {
    std::string path = dir.file("song.mp3");
    WriteFileBytes(path, Concat({tag, ReadFileBytes(DataFile("id3v2/base.mp3"))}));
    return path;
}

TEST(Id3v2Pictures, ReadsTheLayoutsOfEveryVersion) {
    TempDir dir;
    Bytes jpeg = Jpeg();
    // 2.2 names the image format in three letters.
    std::string v22 = SongWithTag(
        dir,
        Id3v2(
            2, 0,
            Concat({Frame22("TT2", Latin1Text("Song")),
                    Frame22("PIC", Concat({{0}, ToBytes("JPG"), {4}, ToBytes("b"), {0}, jpeg}))})));
    std::vector<Picture> pictures = ReadPictures(v22);
    ASSERT_EQ(pictures.size(), 1u);
    EXPECT_EQ(pictures[0].mime, "image/jpeg");
    EXPECT_EQ(pictures[0].type, songcore::kPictureBackCover);
    EXPECT_EQ(pictures[0].description, "b");
    EXPECT_EQ(pictures[0].data, jpeg);

    // A format name cut short by NULs (or naming nothing) leaves the type to
    // the bytes; written back, as 2.3, the picture is the same.
    for (Bytes format : {Bytes{'P', 0, 0}, Bytes{0, 0, 0}}) {
        std::string odd = SongWithTag(
            dir, Id3v2(2, 0,
                       Concat({Frame22("TT2", Latin1Text("Song")),
                               Frame22("PIC", Concat({{0}, format, {3}, ToBytes("c"), {0}, jpeg})),
                               Frame22("TP1", Latin1Text("Artist"))})));
        pictures = ReadPictures(odd);
        ASSERT_EQ(pictures.size(), 1u);
        EXPECT_EQ(pictures[0].mime.find('\0'), std::string::npos);
        EXPECT_EQ(pictures[0].type, songcore::kPictureFrontCover);
        CSongFileInfo song;
        ASSERT_TRUE(song.Open(odd, 0, 0));
        ASSERT_TRUE(song.GetSongInfo());
        song.SetTitle("Other");
        ASSERT_TRUE(song.WriteSongInfo()) << song.GetErrorMessage();
        std::vector<Picture> upgraded = ReadPictures(odd);
        ASSERT_EQ(upgraded.size(), 1u);
        EXPECT_EQ(upgraded[0].data, jpeg);
        EXPECT_EQ(upgraded[0].type, songcore::kPictureFrontCover);
        EXPECT_EQ(upgraded[0].description, "c");
        EXPECT_EQ(TitleOf(odd), "Other");
    }
    pictures = ReadPictures(v22);

    // UTF-16 with a byte order mark, and UTF-16BE without one.
    std::string description = "Rückseite — 裏";
    Bytes utf16 = Concat({{0xFF, 0xFE}, songcore::Utf8ToUtf16Le(description), {0, 0}});
    Bytes utf16be = Concat({songcore::Utf8ToUtf16Be("BE"), {0, 0}});
    std::string v23 = SongWithTag(
        dir, Id3v2(3, 0,
                   Concat({Frame23("APIC", ApicBody(1, "image/jpeg", 3, utf16, jpeg)),
                           Frame23("APIC", ApicBody(2, "image/jpeg", 0, utf16be, jpeg))})));
    pictures = ReadPictures(v23);
    ASSERT_EQ(pictures.size(), 2u);
    EXPECT_EQ(pictures[0].description, description);
    EXPECT_EQ(pictures[0].data, jpeg) << "the image starts after the two-byte terminator";
    EXPECT_EQ(pictures[1].description, "BE");

    // A 2.4 frame unsynchronised on its own, with a data length indicator.
    Bytes body = ApicBody(3, "image/jpeg", 3, Concat({ToBytes("ü"), {0}}), jpeg);
    Bytes framed = Concat({{0, 0, 0, 0}, Unsynchronise(body)});
    std::string v24 = SongWithTag(dir, Id3v2(4, 0, Frame24("APIC", framed, 0x0003)));
    pictures = ReadPictures(v24);
    ASSERT_EQ(pictures.size(), 1u);
    EXPECT_EQ(pictures[0].description, "ü");
    EXPECT_EQ(pictures[0].data, jpeg);
}

TEST(Id3v2Pictures, AnUnsynchronisedTagGivesBackTheImageBytes) {
    TempDir dir;
    Bytes jpeg = Jpeg();
    Bytes frames = Concat({Frame23("TIT2", Latin1Text("Unsynced")),
                           Frame23("APIC", ApicBody(0, "image/jpeg", 3, {0}, jpeg))});
    Bytes unsynchronised = Unsynchronise(frames);
    ASSERT_NE(unsynchronised, frames) << "the image must hold bytes that need it";
    std::string path = SongWithTag(dir, Id3v2(3, 0x80, unsynchronised));
    std::vector<Picture> pictures = ReadPictures(path);
    ASSERT_EQ(pictures.size(), 1u);
    EXPECT_EQ(pictures[0].data, jpeg);
    EXPECT_EQ(TitleOf(path), "Unsynced");
}

TEST(Id3v2Pictures, DamagedAndUnreadableFramesAreSkipped) {
    TempDir dir;
    Bytes jpeg = Jpeg();
    Bytes good =
        Frame23("APIC", ApicBody(0, "image/jpeg", 3, Concat({ToBytes("good"), {0}}), jpeg));
    Bytes noMimeEnd = Frame23("APIC", Concat({{0}, ToBytes("image/jpeg")}));
    Bytes noImage = Frame23("APIC", ApicBody(0, "image/png", 4, {0}, {}));
    Bytes linked = Frame23("APIC", ApicBody(0, "-->", 3, {0}, ToBytes("http://x/y.jpg")));
    Bytes compressed = Frame23("APIC", ApicBody(0, "image/jpeg", 5, {0}, jpeg), 0x0080);
    Bytes encrypted = Frame23("APIC", ApicBody(0, "image/jpeg", 6, {0}, jpeg), 0x0040);
    Bytes badEncoding = Frame23("APIC", ApicBody(9, "image/jpeg", 7, {0}, jpeg));
    std::string path =
        SongWithTag(dir, Id3v2(3, 0,
                               Concat({Frame23("TIT2", Latin1Text("Kept")), noMimeEnd, noImage,
                                       linked, compressed, encrypted, badEncoding, good})));
    std::vector<Picture> pictures = ReadPictures(path);
    ASSERT_EQ(pictures.size(), 1u);
    EXPECT_EQ(pictures[0].description, "good");
    EXPECT_EQ(TitleOf(path), "Kept");

    // A picture whose length runs past the tag ends the frames; the ones
    // before it stay readable.
    Bytes runaway = Frame23("APIC", ApicBody(0, "image/jpeg", 3, {0}, jpeg));
    runaway[4] = 0x7F;
    std::string damaged =
        SongWithTag(dir, Id3v2(3, 0, Concat({Frame23("TIT2", Latin1Text("Before")), runaway})));
    EXPECT_TRUE(ReadPictures(damaged).empty());
    EXPECT_EQ(TitleOf(damaged), "Before");
}

TEST(Id3v2Pictures, APictureOverTheLimitIsSkipped) {
    Bytes jpeg = Jpeg();
    jpeg.resize(songcore::kMaxPictureSize, 0);
    Bytes body = ApicBody(0, "image/jpeg", 3, {0}, jpeg);
    EXPECT_TRUE(songcore::ParseId3v2Picture(body, 3));
    body.push_back(0);
    EXPECT_FALSE(songcore::ParseId3v2Picture(body, 3));
}

TEST(Id3v2Pictures, TheWriterRefusesPicturesTheTagCannotTellApart) {
    TempDir dir;
    std::string path = CopyDataFile(dir, "id3v2/v23.mp3");
    Bytes before = ReadFileBytes(path);
    auto picture = [](uint8_t type, const std::string& description) {
        Picture p = *songcore::PictureFromImage(Jpeg(), type);
        p.description = description;
        p.width = p.height = 0;  // ID3v2 does not state them
        return p;
    };
    std::string error;
    EXPECT_FALSE(songcore::WriteSongPictures(path, {picture(3, "x"), picture(3, "x")}, error));
    EXPECT_NE(error.find("same role (front) and description"), std::string::npos) << error;
    EXPECT_FALSE(songcore::WriteSongPictures(path, {picture(1, "a"), picture(1, "b")}, error));
    EXPECT_NE(error.find("only one picture of the role icon"), std::string::npos) << error;
    EXPECT_EQ(ReadFileBytes(path), before);

    // Same description, other roles; same role, other descriptions.
    std::vector<Picture> fine = {picture(3, ""), picture(4, ""), picture(4, "other")};
    ASSERT_TRUE(songcore::WriteSongPictures(path, fine, error)) << error;
    EXPECT_EQ(ReadPictures(path), fine);
}

TEST(Id3v2Pictures, DescriptionsAreWrittenInAnEncodingThatHoldsThem) {
    Picture picture = *songcore::PictureFromImage(Jpeg(), 3);
    struct Case {
        uint8_t major;
        std::string description;
        uint8_t encoding;
    };
    for (const Case& c : {Case{3, "Café", 0}, Case{3, "裏", 1}, Case{4, "裏", 3}}) {
        picture.description = c.description;
        songcore::Id3v2Frame frame = songcore::MakeId3v2PictureFrame(picture, c.major);
        EXPECT_EQ(frame.data[0], c.encoding) << c.description;
        auto back = songcore::ParseId3v2Picture(frame.data, c.major);
        ASSERT_TRUE(back);
        EXPECT_EQ(back->description, c.description);
        EXPECT_EQ(back->data, picture.data);
    }
}

TEST(Id3v2Pictures, TheFieldReaderLeavesALargeCoverUnread) {
    ExpectALargeCoverLeftUnread("id3v2/v24.mp3");
}

// The field reader's tag without pictures reads every field as the whole
// tag does, in every sample and in the layouts built here.
TEST(Id3v2Pictures, LeavingPicturesOutChangesNoField) {
    std::vector<Bytes> tags;
    for (const char* name :
         {"id3v2/v22.mp3", "id3v2/v23.mp3", "id3v2/v24.mp3", "id3v2/tagged.aac"}) {
        tags.push_back(ReadFileBytes(DataFile(name)));
    }
    Bytes apic = ApicBody(0, "image/jpeg", 3, {0}, Jpeg());
    Bytes texts = Concat(
        {Frame24("TIT2", Latin1Text(std::string(200, 't'))), Frame24("TPE1", Latin1Text("a"))});
    tags.push_back(Id3v2(4, 0, Concat({Frame24("APIC", apic), texts}), 4096));
    tags.push_back(Id3v2(4, 0x40, Concat({{0, 0, 0, 6, 1, 0}, texts, Frame24("APIC", apic)})));
    // A 2.4 writer that stored plain sizes.
    Bytes plain = Frame23("TALB", Latin1Text(std::string(300, 'b')));
    tags.push_back(Id3v2(4, 0, Concat({plain, Frame23("APIC", apic), plain})));
    for (const Bytes& bytes : tags) {
        auto whole = songcore::Id3v2Tag::Parse(bytes);
        ASSERT_TRUE(whole);
        auto skimmed =
            songcore::Id3v2Tag::ReadWithoutPictures(songcore::SpanReader(bytes), bytes.size());
        ASSERT_TRUE(skimmed);
        EXPECT_EQ(skimmed->ReadFields(), whole->ReadFields());
        for (const songcore::Id3v2Frame& frame : skimmed->frames) {
            EXPECT_FALSE(songcore::IsId3v2PictureFrame(frame.id, skimmed->major));
        }
    }
}

}  // namespace
