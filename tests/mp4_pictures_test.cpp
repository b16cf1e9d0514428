// Cover art in MP4 files: several covers in one item, the image types, damaged
// cover art, what the writer refuses, the chunk offsets when the movie atom
// grows, and a field reader that leaves covers unread.
#include <gtest/gtest.h>

#include "songcore/tags/SongFileInfo.h"
#include "songcore/tags/SongPictures.h"
#include "songcore/tags/mp4/Mp4Cover.h"
#include "support/Mp4TestFiles.h"
#include "support/PictureFiles.h"
#include "support/PicturePeers.h"
#include "support/ProcessReads.h"
#include "support/TestSupport.h"

using namespace testsupport;
using songcore::Picture;
using Bytes = std::vector<uint8_t>;

namespace {

const std::vector<std::string> kCovr = {"moov", "udta", "meta", "ilst", "covr"};

Picture FromImage(const char* name) {
    return *songcore::PictureFromImage(ReadFileBytes(DataFile(std::string("pictures/") + name)),
                                       songcore::kPictureFrontCover);
}

TEST(Mp4Pictures, OneItemHoldsEveryCoverInOrder) {
    TempDir dir;
    std::string path = CopyDataFile(dir, "mp4/tagged_faststart.m4a");
    std::vector<Picture> covers = {FromImage("small.gif"), FromImage("back.png"),
                                   FromImage("front.jpg")};
    WritePictures(path, covers);
    std::vector<Picture> read = ReadPictures(path);
    ASSERT_EQ(read.size(), 3u);
    for (size_t i = 0; i < covers.size(); ++i) {
        EXPECT_EQ(read[i].mime, covers[i].mime);
        EXPECT_EQ(read[i].data, covers[i].data);
        EXPECT_EQ(read[i].type, songcore::kPictureFrontCover);
    }
    Bytes file = ReadFileBytes(path);
    ASSERT_EQ(FindChildren(file, {"moov", "udta", "meta", "ilst"}, "covr").size(), 1u);
    std::vector<AtomSpot> data = FindChildren(file, kCovr, "data");
    ASSERT_EQ(data.size(), 3u);
    EXPECT_EQ(GetU32(file, data[0].offset + 8), 12u) << "GIF";
    EXPECT_EQ(GetU32(file, data[1].offset + 8), 14u) << "PNG";
    EXPECT_EQ(GetU32(file, data[2].offset + 8), 13u) << "JPEG";
    // After the other items.
    auto ilst = FindAtom(file, {"moov", "udta", "meta", "ilst"});
    auto covr = FindAtom(file, kCovr);
    ASSERT_TRUE(ilst && covr);
    EXPECT_EQ(covr->offset + covr->size, ilst->offset + ilst->size);
    if (HaveMutagen()) {
        EXPECT_EQ(MutagenPictureLines("mp4", path).size(), 3u);
    }

    // A cover marked as plain binary data is told by its bytes.
    PutU32(file, data[1].offset + 8, 0);
    WriteFileBytes(path, file);
    read = ReadPictures(path);
    ASSERT_EQ(read.size(), 3u);
    EXPECT_EQ(read[1].mime, "image/png");
}

TEST(Mp4Pictures, DamagedCoverArtCostsNothingElse) {
    TempDir dir;
    std::string path = CopyDataFile(dir, "mp4/tagged_faststart.m4a");
    std::string title = TitleOf(path);
    WritePictures(path, {FromImage("front.jpg"), FromImage("back.png")});
    Bytes file = ReadFileBytes(path);
    std::vector<AtomSpot> data = FindChildren(file, kCovr, "data");
    ASSERT_EQ(data.size(), 2u);

    PutU32(file, data[1].offset, 0xFFFF);  // runs past the cover item
    WriteFileBytes(path, file);
    std::vector<Picture> read = ReadPictures(path);
    ASSERT_EQ(read.size(), 1u) << "the cover before the damage";
    EXPECT_EQ(read[0].mime, "image/jpeg");
    EXPECT_EQ(TitleOf(path), title);

    // Writing the other fields carries the damaged item over as it is.
    auto covrBefore = FindAtom(file, kCovr);
    ASSERT_TRUE(covrBefore);
    Bytes covrBytes(file.begin() + static_cast<long>(covrBefore->offset),
                    file.begin() + static_cast<long>(covrBefore->offset + covrBefore->size));
    {
        CSongFileInfo song;
        ASSERT_TRUE(song.Open(path, 0, 0));
        ASSERT_TRUE(song.GetSongInfo());
        song.SetTitle("New title");
        ASSERT_TRUE(song.WriteSongInfo()) << song.GetErrorMessage();
    }
    EXPECT_EQ(TitleOf(path), "New title");
    Bytes after = ReadFileBytes(path);
    auto covrAfter = FindAtom(after, kCovr);
    ASSERT_TRUE(covrAfter);
    EXPECT_EQ(Bytes(after.begin() + static_cast<long>(covrAfter->offset),
                    after.begin() + static_cast<long>(covrAfter->offset + covrAfter->size)),
              covrBytes);

    // New pictures take its place.
    WritePictures(path, {FromImage("back.png")});
    ASSERT_EQ(ReadPictures(path).size(), 1u);
    EXPECT_EQ(FfmpegErrors(path), "");
}

TEST(Mp4Pictures, ACoverOverTheLimitIsSkipped) {
    songcore::Mp4Data data{13, FromImage("front.jpg").data};
    data.value.resize(songcore::kMaxPictureSize, 0);
    EXPECT_TRUE(songcore::ParseMp4Cover(data));
    data.value.push_back(0);
    EXPECT_FALSE(songcore::ParseMp4Cover(data));
}

TEST(Mp4Pictures, ImagesMp4CannotMarkAreRefused) {
    TempDir dir;
    std::string path = CopyDataFile(dir, "mp4/tagged_faststart.m4a");
    Bytes before = ReadFileBytes(path);
    Bytes webp = {'R', 'I', 'F', 'F', 24, 0, 0, 0, 'W', 'E', 'B', 'P', 'V', 'P', '8', ' '};
    webp.resize(32, 0);
    Picture picture;
    picture.mime = "image/webp";
    picture.data = webp;
    std::string error;
    EXPECT_FALSE(songcore::WriteSongPictures(path, {FromImage("front.jpg"), picture}, error));
    EXPECT_NE(error.find("JPEG, PNG, GIF or BMP image, not image/webp"), std::string::npos)
        << error;
    EXPECT_EQ(ReadFileBytes(path), before);
}

TEST(Mp4Pictures, ChunkOffsetsFollowTheMediaWhenTheMovieGrowsAndShrinks) {
    TempDir dir;
    std::string path = CopyDataFile(dir, "mp4/tagged_faststart.m4a");
    Bytes before = ReadFileBytes(path);
    std::vector<uint64_t> offsets = ChunkOffsets(before);
    ASSERT_FALSE(offsets.empty());
    Picture large = FromImage("front.jpg");
    large.data.resize(300 * 1024, 0x33);
    WritePictures(path, {large});
    Bytes grown = ReadFileBytes(path);
    int64_t delta = static_cast<int64_t>(grown.size()) - static_cast<int64_t>(before.size());
    ASSERT_GT(delta, 200 * 1024) << "the sample's own cover gives way";
    std::vector<uint64_t> moved = ChunkOffsets(grown);
    ASSERT_EQ(moved.size(), offsets.size());
    for (size_t i = 0; i < offsets.size(); ++i) {
        EXPECT_EQ(static_cast<int64_t>(moved[i]) - static_cast<int64_t>(offsets[i]), delta);
        EXPECT_EQ(grown[moved[i]], before[offsets[i]]) << "chunk " << i;
    }
    EXPECT_EQ(FfmpegErrors(path), "");
    WritePictures(path, {});
    EXPECT_TRUE(ReadPictures(path).empty());
    EXPECT_EQ(FfmpegErrors(path), "");
}

TEST(Mp4Pictures, TheFieldReaderLeavesALargeCoverUnread) {
    ExpectALargeCoverLeftUnread("mp4/tagged_end.m4a");
}

}  // namespace
