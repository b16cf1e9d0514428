// The promises of picture reading and writing, checked over one table of
// sample files of every format that has a place for pictures: what Tunemoss
// writes, mutagen reads the same; what mutagen writes, Tunemoss reads the
// same; replacing and removing leave nothing behind; the other tag items and
// the stream survive.
#include <gtest/gtest.h>

#include "songcore/tags/SongFileInfo.h"
#include "songcore/tags/SongPictures.h"
#include "support/PictureFiles.h"
#include "support/PicturePeers.h"
#include "support/TestSupport.h"

using songcore::Picture;
using testsupport::DataFile;
using testsupport::MutagenAddPicture;
using testsupport::MutagenPictureLines;
using testsupport::PictureLine;
using testsupport::ReadFileBytes;
using testsupport::TempDir;

namespace {

struct Sample {
    const char* name;  // for the test's name
    const char* file;  // below tests/data
    const char* kind;  // the tag the pictures go to, as the mutagen peer names it
    bool keepsRole = true;
    bool keepsDescription = true;
};

const Sample kSamples[] = {
    {"Id3v23", "id3v2/v23.mp3", "id3"},
    {"Id3v24", "id3v2/v24.mp3", "id3"},
    {"Id3v22", "id3v2/v22.mp3", "id3"},
    {"Id3v2Untagged", "id3v2/base.mp3", "id3"},
    {"Id3v1Only", "id3v1/v11.mp3", "id3"},
    {"Apev2Aac", "ape/ape.aac", "ape"},
    {"Flac", "flac/plain.flac", "flac"},
    {"FlacPicture", "flac/picture.flac", "flac"},
    {"FlacBare", "flac/bare.flac", "flac"},
    {"Vorbis", "ogg/plain.ogg", "ogg"},
    {"Opus", "ogg/tagged.opus", "ogg"},
    {"OggFlac", "ogg/tagged.oga", "ogg"},
    // MP4 keeps neither role nor description: every cover reads as a front
    // cover without one.
    {"Mp4", "mp4/tagged_faststart.m4a", "mp4", false, false},
    {"Mp4AtTheEnd", "mp4/tagged_end.m4a", "mp4", false, false},
    {"Mp4Untagged", "mp4/faststart.m4a", "mp4", false, false},
    {"Asf", "asf/tagged.wma", "asf"},
    {"AsfPlain", "asf/plain.wma", "asf"},
    {"Wav", "wav/tagged.wav", "chunk"},
    {"WavUntagged", "wav/bare.wav", "chunk"},
    {"Aiff", "aiff/tagged.aiff", "chunk"},
    {"Dsf", "dsf/tagged.dsf", "chunk"},
    {"DsfUntagged", "dsf/bare.dsf", "chunk"},
    {"WavPack", "wavpack/tagged.wv", "ape"},
};

Picture FromImage(const std::string& name, uint8_t type, std::string description) {
    std::string why;
    auto picture =
        songcore::PictureFromImage(ReadFileBytes(DataFile("pictures/" + name)), type, &why);
    EXPECT_TRUE(picture) << why;
    picture->description = std::move(description);
    return *picture;
}

class PictureContract : public ::testing::TestWithParam<Sample> {
protected:
    void SetUp() override {
        if (!testsupport::HaveMutagen()) {
            GTEST_SKIP() << "mutagen is not installed";
        }
        path_ = testsupport::CopyDataFile(dir_, GetParam().file);
    }

    // What the format keeps of a picture.
    Picture AsStored(Picture picture) const {
        if (!GetParam().keepsRole) {
            picture.type = songcore::kPictureFrontCover;
        }
        if (!GetParam().keepsDescription) {
            picture.description.clear();
        }
        picture.width = picture.height = 0;
        return picture;
    }
    std::vector<std::string> Lines(const std::vector<Picture>& pictures) const {
        std::vector<std::string> lines;
        for (const Picture& picture : pictures) {
            lines.push_back(PictureLine(AsStored(picture)));
        }
        return lines;
    }
    std::vector<Picture> ReadOurs() const {
        std::vector<Picture> pictures;
        std::string error;
        EXPECT_TRUE(songcore::ReadSongPictures(path_, pictures, error)) << error;
        return pictures;
    }
    void Write(const std::vector<Picture>& pictures) const {
        std::string error;
        ASSERT_TRUE(songcore::WriteSongPictures(path_, pictures, error)) << error;
    }
    std::string Title() const {
        CSongFileInfo song;
        EXPECT_TRUE(song.Open(path_, 1, 0));
        song.GetSongInfo();
        return song.GetTitle();
    }

    TempDir dir_;
    std::string path_;
};

TEST_P(PictureContract, WhatWeWriteMutagenReadsAndSoDoWe) {
    std::string title = Title();
    std::vector<Picture> pictures = {
        FromImage("front.jpg", songcore::kPictureFrontCover, ""),
        FromImage("back.png", songcore::kPictureBackCover, "Rückseite — 裏")};
    Write(pictures);
    EXPECT_EQ(MutagenPictureLines(GetParam().kind, path_), Lines(pictures));
    EXPECT_EQ(Lines(ReadOurs()), Lines(pictures));
    EXPECT_EQ(Title(), title) << "the other tag items stay";

    // Replacing leaves only the new picture; removing leaves none.
    // Large enough to take other paths in some formats (ASF's 64 KB
    // attribute limit, Ogg's comment over many pages).
    Picture large = testsupport::JpegPicture(songcore::kPictureOther, "large", 300 * 1024);
    Write({large});
    EXPECT_EQ(MutagenPictureLines(GetParam().kind, path_), Lines({large}));
    EXPECT_EQ(Lines(ReadOurs()), Lines({large}));
    Write({});
    EXPECT_EQ(MutagenPictureLines(GetParam().kind, path_), std::vector<std::string>{});
    EXPECT_TRUE(ReadOurs().empty());
    EXPECT_EQ(Title(), title);
}

TEST_P(PictureContract, WhatMutagenWritesWeRead) {
    size_t before = MutagenPictureLines(GetParam().kind, path_).size();
    ASSERT_EQ(MutagenAddPicture(GetParam().kind, path_, DataFile("pictures/front.jpg"),
                                songcore::kPictureFrontCover, "Vorderseite"),
              "");
    ASSERT_EQ(MutagenAddPicture(GetParam().kind, path_, DataFile("pictures/back.png"),
                                songcore::kPictureBackCover, "Zurück"),
              "");
    std::vector<std::string> theirs = MutagenPictureLines(GetParam().kind, path_);
    EXPECT_EQ(Lines(ReadOurs()), theirs);
    EXPECT_EQ(theirs.size(), before + 2) << "a sample's own picture stays beside them";
}

TEST_P(PictureContract, WritingThePicturesAgainChangesNothing) {
    Write({FromImage("front.jpg", songcore::kPictureFrontCover, "cover")});
    std::vector<uint8_t> written = ReadFileBytes(path_);
    Write(ReadOurs());
    EXPECT_EQ(ReadFileBytes(path_), written);
}

TEST_P(PictureContract, ARefusedPictureLeavesTheFileAsItWas) {
    std::vector<uint8_t> before = ReadFileBytes(path_);
    Picture huge = FromImage("front.jpg", songcore::kPictureFrontCover, "");
    huge.data.resize(songcore::kMaxPictureSize + 1);
    std::string error;
    EXPECT_FALSE(songcore::WriteSongPictures(path_, {huge}, error));
    EXPECT_NE(error.find("16 MB"), std::string::npos) << error;
    EXPECT_EQ(ReadFileBytes(path_), before);
}

INSTANTIATE_TEST_SUITE_P(EveryFormat, PictureContract, ::testing::ValuesIn(kSamples),
                         [](const ::testing::TestParamInfo<Sample>& info) {
                             return std::string(info.param.name);
                         });

TEST(Pictures, RealMediaHasNoPlaceForThem) {
    TempDir dir;
    std::string path = testsupport::CopyDataFile(dir, "rm/tagged.ra");
    std::vector<uint8_t> before = ReadFileBytes(path);
    std::string error;
    EXPECT_FALSE(songcore::WriteSongPictures(
        path, {FromImage("front.jpg", songcore::kPictureFrontCover, "")}, error));
    EXPECT_NE(error.find("no place for pictures"), std::string::npos) << error;
    EXPECT_EQ(ReadFileBytes(path), before);
    std::vector<Picture> pictures;
    EXPECT_TRUE(songcore::ReadSongPictures(path, pictures, error));
    EXPECT_TRUE(pictures.empty());
}

TEST(Pictures, ImagesAreToldByTheirBytes) {
    struct Case {
        const char* file;
        const char* mime;
        uint32_t width, height;
    };
    // The sizes are what file(1) says of ffmpeg's images.
    for (Case c : {Case{"front.jpg", "image/jpeg", 40, 30}, Case{"back.png", "image/png", 20, 12},
                   Case{"small.gif", "image/gif", 6, 4}}) {
        std::vector<uint8_t> bytes = ReadFileBytes(DataFile(std::string("pictures/") + c.file));
        EXPECT_EQ(songcore::SniffImageMime(bytes), c.mime) << c.file;
        auto size = songcore::ImageSize(bytes);
        ASSERT_TRUE(size) << c.file;
        EXPECT_EQ(size->width, c.width) << c.file;
        EXPECT_EQ(size->height, c.height) << c.file;
        // Cut short anywhere, the bytes give no size or the right one, never
        // a read past the end (the sanitizers watch).
        for (size_t cut = 0; cut < bytes.size(); ++cut) {
            std::vector<uint8_t> part(bytes.begin(), bytes.begin() + cut);
            auto partial = songcore::ImageSize(part);
            if (partial) {
                EXPECT_EQ(partial->width, c.width) << c.file << " cut at " << cut;
            }
        }
    }
    std::string why;
    EXPECT_FALSE(songcore::PictureFromImage({'t', 'e', 'x', 't'}, 3, &why));
    EXPECT_NE(why.find("not a JPEG"), std::string::npos);
}

TEST(Pictures, RolesHaveNames) {
    EXPECT_EQ(songcore::PictureTypeName(songcore::kPictureFrontCover), "front");
    EXPECT_EQ(songcore::PictureTypeName(200), "other");
    EXPECT_EQ(songcore::PictureTypeFromName("back"), songcore::kPictureBackCover);
    EXPECT_EQ(songcore::PictureTypeFromName("20"), 20);
    EXPECT_FALSE(songcore::PictureTypeFromName("21"));
    EXPECT_FALSE(songcore::PictureTypeFromName("cover"));
    for (std::string_view name : songcore::PictureTypeNames()) {
        auto type = songcore::PictureTypeFromName(name);
        ASSERT_TRUE(type) << name;
        EXPECT_EQ(songcore::PictureTypeName(*type), name);
    }
}

TEST(Pictures, FlacPictureBodiesRoundTripAndRefuseBadLengths) {
    Picture picture = FromImage("back.png", songcore::kPictureBackCover, "desc");
    std::vector<uint8_t> body = songcore::SerializeFlacPicture(picture);
    auto parsed = songcore::ParseFlacPicture(body);
    ASSERT_TRUE(parsed);
    EXPECT_EQ(*parsed, picture);
    for (size_t cut = 0; cut < body.size(); ++cut) {
        EXPECT_FALSE(songcore::ParseFlacPicture(std::span(body).first(cut))) << cut;
    }
    // A MIME length far past the end.
    body[7] = 0xFF;
    EXPECT_FALSE(songcore::ParseFlacPicture(body));
}

}  // namespace
