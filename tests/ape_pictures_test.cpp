// Pictures in APEv2 tags: the role names, items that are no pictures or are
// damaged, what the writer refuses, and a field reader that leaves pictures
// unread.
#include <gtest/gtest.h>

#include "songcore/tags/SongFileInfo.h"
#include "songcore/tags/SongPictures.h"
#include "songcore/tags/ape/ApePicture.h"
#include "songcore/tags/ape/ApeTag.h"
#include "support/Id3v2Bytes.h"
#include "support/PictureFiles.h"
#include "support/ProcessReads.h"
#include "support/TestSupport.h"

using namespace testsupport;
using songcore::ApeItem;
using songcore::ApeTag;
using songcore::Picture;

namespace {

Bytes Image(const char* name) {
    return ReadFileBytes(DataFile(std::string("pictures/") + name));
}

ApeItem Binary(const std::string& key, const std::string& description, const Bytes& data) {
    return ApeItem{key, ApeTag::kTypeBinary, Concat({ToBytes(description), {0}, data})};
}

// An AAC stream without tags, then the tag.
std::string SongWithTag(const TempDir& dir, const Bytes& tag) {
    std::string path = dir.file("song.aac");
    WriteFileBytes(path, Concat({ReadFileBytes(DataFile("id3v2/base.aac")), tag}));
    return path;
}

TEST(ApePictures, ReadsTheRolesInTheTagsOrder) {
    TempDir dir;
    Bytes jpeg = Image("front.jpg");
    Bytes png = Image("back.png");
    ApeTag tag;
    tag.items = {
        {"Title", 0, ToBytes("Song")},
        Binary("Cover Art (Back)", "back.png", png),
        {"Cover Art (Front)", 0, ToBytes("a text item is no picture")},
        Binary("cover art (front)", "", jpeg),
        Binary("Cover Art (Weird)", "w", jpeg),
        {"Cover Art (Media)", ApeTag::kTypeBinary, ToBytes("no end to the description")},
        Binary("Cover Art (Leaflet)", "empty", {}),
    };
    std::string path = SongWithTag(dir, *tag.Serialize());
    std::vector<Picture> pictures = ReadPictures(path);
    ASSERT_EQ(pictures.size(), 3u);
    EXPECT_EQ(pictures[0].type, songcore::kPictureBackCover);
    EXPECT_EQ(pictures[0].mime, "image/png");
    EXPECT_EQ(pictures[0].description, "back.png");
    EXPECT_EQ(pictures[0].data, png);
    EXPECT_EQ(pictures[1].type, songcore::kPictureFrontCover);
    EXPECT_EQ(pictures[1].mime, "image/jpeg");
    EXPECT_EQ(pictures[2].type, songcore::kPictureOther) << "a role of no known name";
    EXPECT_EQ(TitleOf(path), "Song");
}

TEST(ApePictures, ADamagedLastPictureLeavesTheFieldsAndThePicturesBeforeIt) {
    TempDir dir;
    ApeTag tag;
    tag.items = {{"Title", 0, ToBytes("Before")},
                 Binary("Cover Art (Back)", "", Image("back.png")),
                 Binary("Cover Art (Front)", "", Image("front.jpg"))};
    Bytes bytes = *tag.Serialize();
    // The last item's length, made to run far past the tag.
    size_t last = bytes.size() - ApeTag::kFooterSize - tag.items[2].value.size() -
                  tag.items[2].key.size() - 1 - 8;
    bytes[last + 3] = 0x7F;
    std::string path = SongWithTag(dir, bytes);
    std::vector<Picture> pictures = ReadPictures(path);
    ASSERT_EQ(pictures.size(), 1u);
    EXPECT_EQ(pictures[0].type, songcore::kPictureBackCover);
    EXPECT_EQ(TitleOf(path), "Before");
}

TEST(ApePictures, APictureOverTheLimitIsSkipped) {
    Bytes data = Image("front.jpg");
    data.resize(songcore::kMaxPictureSize, 0);
    EXPECT_TRUE(songcore::ParseApePicture(Binary("Cover Art (Front)", "", data)));
    data.push_back(0);
    EXPECT_FALSE(songcore::ParseApePicture(Binary("Cover Art (Front)", "", data)));
}

TEST(ApePictures, TheWriterRefusesWhatOneItemPerRoleCannotHold) {
    TempDir dir;
    std::string path = CopyDataFile(dir, "ape/ape.aac");
    Bytes before = ReadFileBytes(path);
    Picture front = *songcore::PictureFromImage(Image("front.jpg"), songcore::kPictureFrontCover);
    Picture other = front;
    other.description = "another";
    std::string error;
    EXPECT_FALSE(songcore::WriteSongPictures(path, {front, other}, error));
    EXPECT_NE(error.find("two pictures have the role front"), std::string::npos) << error;
    Picture unnamed = front;
    unnamed.type = 40;
    EXPECT_FALSE(songcore::WriteSongPictures(path, {unnamed}, error));
    EXPECT_NE(error.find("no item for the picture role 40"), std::string::npos) << error;
    Picture nul = front;
    nul.description = std::string("a\0b", 3);
    EXPECT_FALSE(songcore::WriteSongPictures(path, {nul}, error));
    EXPECT_NE(error.find("NUL"), std::string::npos) << error;
    EXPECT_EQ(ReadFileBytes(path), before);

    // Every role has its own key, and the item says only the description.
    Picture back = *songcore::PictureFromImage(Image("back.png"), songcore::kPictureBackCover);
    back.description = "back.png";
    ASSERT_TRUE(songcore::WriteSongPictures(path, {back, front}, error)) << error;
    std::vector<Picture> pictures = ReadPictures(path);
    ASSERT_EQ(pictures.size(), 2u);
    EXPECT_EQ(pictures[0].description, "back.png");
    EXPECT_EQ(pictures[1].type, songcore::kPictureFrontCover);
    EXPECT_EQ(songcore::ApePictureKey(songcore::kPictureBackCover), "Cover Art (Back)");
}

TEST(ApePictures, TheFieldReaderLeavesALargeCoverUnread) {
    ExpectALargeCoverLeftUnread("ape/ape.aac");
}

// The field reader's tag reads every field as the whole tag does.
TEST(ApePictures, LeavingPicturesOutChangesNoField) {
    ApeTag tag;
    tag.items = {{"Title", 0, ToBytes("t")},
                 Binary("Cover Art (Front)", "", Image("front.jpg")),
                 {"Artist", 0, ToBytes("a")},
                 {"Cover Art (Back)", 0, ToBytes("text")}};
    Bytes bytes = *tag.Serialize();
    auto skimmed = ApeTag::ReadWithoutPictures(songcore::SpanReader(bytes), bytes.size());
    auto whole = ApeTag::Parse(bytes);
    ASSERT_TRUE(skimmed && whole);
    EXPECT_TRUE(skimmed->complete);
    EXPECT_EQ(skimmed->ReadFields(), whole->ReadFields());
    EXPECT_EQ(skimmed->items.size(), 3u) << "only the picture is left out";
}

}  // namespace
