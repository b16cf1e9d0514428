#include "support/PictureFiles.h"

#include <gtest/gtest.h>

#include "songcore/tags/SongFileInfo.h"
#include "songcore/tags/SongPictures.h"

namespace testsupport {

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

}  // namespace testsupport
