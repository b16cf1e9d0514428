#include "support/PictureFiles.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "songcore/tags/SongFileInfo.h"
#include "songcore/tags/SongPictures.h"
#include "support/ProcessReads.h"
#include "support/TestSupport.h"

namespace testsupport {

songcore::Picture JpegPicture(uint8_t type, std::string description, size_t size) {
    std::string why;
    std::optional<songcore::Picture> picture =
        songcore::PictureFromImage(ReadFileBytes(DataFile("pictures/front.jpg")), type, &why);
    EXPECT_TRUE(picture) << why;
    if (!picture) {
        return {};
    }
    picture->description = std::move(description);
    while (picture->data.size() < size) {
        picture->data.push_back(static_cast<uint8_t>(picture->data.size() * 31));
    }
    return *picture;
}

std::vector<songcore::Picture> ReadPictures(const std::string& path) {
    std::vector<songcore::Picture> pictures;
    std::string error;
    EXPECT_TRUE(songcore::ReadSongPictures(path, pictures, error)) << path << ": " << error;
    return pictures;
}

void WritePictures(const std::string& path, const std::vector<songcore::Picture>& pictures) {
    std::string error;
    EXPECT_TRUE(songcore::WriteSongPictures(path, pictures, error)) << path << ": " << error;
}

std::string TitleOf(const std::string& path) {
    CSongFileInfo song;
    EXPECT_TRUE(song.Open(path, 1, 0)) << path;
    EXPECT_TRUE(song.GetSongInfo()) << path << ": the tag is taken as read";
    return song.GetTitle();
}

void ExpectALargeCoverLeftUnread(const std::string& sample) {
    TempDir dir;
    const std::string extension = std::filesystem::path(sample).extension().string();
    std::string small = CopyDataFile(dir, sample, "small" + extension);
    std::string large = CopyDataFile(dir, sample, "large" + extension);
    std::optional<songcore::Picture> cover = songcore::PictureFromImage(
        ReadFileBytes(DataFile("pictures/front.jpg")), songcore::kPictureFrontCover);
    ASSERT_TRUE(cover);
    WritePictures(small, {*cover});
    cover->data.resize(5 * 1024 * 1024, 0x55);
    WritePictures(large, {*cover});

    uint64_t readSmall = BytesReadBySongInfo(small);
    uint64_t readLarge = BytesReadBySongInfo(large);
    if (readSmall != 0) {
        EXPECT_LT(readLarge, readSmall + 256 * 1024) << sample;
    }
    EXPECT_EQ(TitleOf(large), TitleOf(small));
    std::vector<songcore::Picture> read = ReadPictures(large);
    ASSERT_EQ(read.size(), 1u);
    EXPECT_EQ(read[0].data, cover->data);
}

}  // namespace testsupport
