// The pictures of native FLAC files: PICTURE blocks read in order past
// damage, written in the comment block's company with the stream
// information first and the last-block flag right, and never read by the
// ordinary tag read.
#include <gtest/gtest.h>

#include "songcore/tags/SongFileInfo.h"
#include "songcore/tags/SongPictures.h"
#include "songcore/tags/flac/FlacMetadata.h"
#include "support/PictureFiles.h"
#include "support/ProcessReads.h"
#include "support/TestSupport.h"
#include "support/VorbisTestSupport.h"

using namespace testsupport;
using songcore::Picture;

namespace {

// plain.flac with blocks (type, body) added after its own, the last flag
// moved to the new last block.
std::vector<uint8_t> FlacWithBlocks(
    const std::vector<std::pair<uint8_t, std::vector<uint8_t>>>& blocks) {
    std::vector<uint8_t> file = ReadFileBytes(DataFile("flac/plain.flac"));
    auto layout = songcore::WalkFlacMetadata(songcore::SpanReader(file), file.size());
    EXPECT_TRUE(layout && layout->complete);
    std::vector<uint8_t> out(file.begin(), file.begin() + 4);
    for (const songcore::FlacBlock& block : layout->blocks) {
        songcore::AppendFlacBlockHeader(out, block.type, false, block.length);
        auto body = file.begin() + static_cast<ptrdiff_t>(block.bodyOffset());
        out.insert(out.end(), body, body + block.length);
    }
    for (size_t i = 0; i < blocks.size(); ++i) {
        const auto& [type, body] = blocks[i];
        songcore::AppendFlacBlockHeader(out, type, i + 1 == blocks.size(),
                                        static_cast<uint32_t>(body.size()));
        out.insert(out.end(), body.begin(), body.end());
    }
    out.insert(out.end(), file.begin() + static_cast<ptrdiff_t>(layout->audioOffset), file.end());
    return out;
}

std::vector<std::string> Descriptions(const std::vector<Picture>& pictures) {
    std::vector<std::string> out;
    for (const Picture& picture : pictures) {
        out.push_back(picture.description);
    }
    return out;
}

}  // namespace

TEST(FlacPictures, ADamagedPictureBlockIsSkippedAndReplacedWithTheOthers) {
    TempDir dir;
    std::vector<uint8_t> damaged =
        songcore::SerializeFlacPicture(JpegPicture(songcore::kPictureFrontCover, "damaged"));
    damaged[7] = 0xFF;  // a MIME length far past the block
    std::string path = dir.file("damaged.flac");
    WriteFileBytes(path,
                   FlacWithBlocks({
                       {songcore::kFlacPicture,
                        SerializeFlacPicture(JpegPicture(songcore::kPictureFrontCover, "one"))},
                       {songcore::kFlacPicture, damaged},
                       {songcore::kFlacPicture,
                        SerializeFlacPicture(JpegPicture(songcore::kPictureBackCover, "two"))},
                   }));
    EXPECT_EQ(Descriptions(ReadPictures(path)), (std::vector<std::string>{"one", "two"}));
    EXPECT_EQ(TitleOf(path), "Plain Title") << "the damage does not touch the ordinary read";

    // Writing replaces every PICTURE block, the damaged one too.
    std::string error;
    ASSERT_TRUE(songcore::WriteSongPictures(
        path, {JpegPicture(songcore::kPictureFrontCover, "new")}, error))
        << error;
    EXPECT_EQ(Descriptions(ReadPictures(path)), std::vector<std::string>{"new"});
    EXPECT_EQ(MetaflacBlockTypes(path),
              (std::vector<std::string>{"STREAMINFO", "SEEKTABLE", "VORBIS_COMMENT", "PICTURE",
                                        "PADDING"}));
    EXPECT_TRUE(FlacTestPasses(path));
}

// An encoder that declares a PICTURE block shorter than the picture it
// holds: the picture's own lengths lead to the next block and the frames, so
// it is read (as mutagen reads it), and a write puts the length right.
TEST(FlacPictures, APictureBlockDeclaredShorterThanItsPictureIsRead) {
    TempDir dir;
    std::vector<uint8_t> bytes =
        FlacWithBlocks({{songcore::kFlacPicture,
                         SerializeFlacPicture(JpegPicture(songcore::kPictureFrontCover, "short"))},
                        {songcore::kFlacPadding, std::vector<uint8_t>(100, 0)}});
    auto layout = songcore::WalkFlacMetadata(songcore::SpanReader(bytes), bytes.size());
    ASSERT_TRUE(layout);
    const songcore::FlacBlock& picture = layout->blocks.at(layout->blocks.size() - 2);
    ASSERT_EQ(picture.type, songcore::kFlacPicture);
    uint32_t declared = picture.length - 10;
    bytes[picture.offset + 1] = static_cast<uint8_t>(declared >> 16);
    bytes[picture.offset + 2] = static_cast<uint8_t>(declared >> 8);
    bytes[picture.offset + 3] = static_cast<uint8_t>(declared);
    std::string path = dir.file("short.flac");
    WriteFileBytes(path, bytes);

    EXPECT_EQ(Descriptions(ReadPictures(path)), std::vector<std::string>{"short"});
    EXPECT_EQ(TitleOf(path), "Plain Title");
    if (HaveMutagen()) {
        auto peer = RunPython(
            "import sys\nfrom mutagen.flac import FLAC\n"
            "print([p.desc for p in FLAC(sys.argv[1]).pictures])\n",
            {path});
        EXPECT_EQ(peer.out, "['short']\n") << peer.err;
    }
    CSongFileInfo info;
    ASSERT_TRUE(info.Open(path, 0, 0));
    ASSERT_EQ(info.GetFlacInfo(), 1);
    info.SetYear("2011");
    ASSERT_EQ(info.WriteFlacInfo(), 1) << info.GetErrorMessage();
    info.Close();
    EXPECT_TRUE(FlacTestPasses(path));
    EXPECT_EQ(Descriptions(ReadPictures(path)), std::vector<std::string>{"short"});
}

TEST(FlacPictures, NewPicturesFollowTheCommentsAndTakeTheirRoomFromThePadding) {
    TempDir dir;
    std::string path = CopyDataFile(dir, "flac/plain.flac");
    size_t before = ReadFileBytes(path).size();
    std::string error;
    // Small enough for the padding of 256 bytes: the audio stays in place.
    Picture tiny;
    tiny.mime = "image/png";
    tiny.data.assign(40, 7);
    ASSERT_TRUE(songcore::WriteSongPictures(path, {tiny, tiny}, error)) << error;
    EXPECT_EQ(ReadFileBytes(path).size(), before);
    EXPECT_EQ(MetaflacBlockTypes(path),
              (std::vector<std::string>{"STREAMINFO", "SEEKTABLE", "VORBIS_COMMENT", "PICTURE",
                                        "PICTURE", "PADDING"}));
    EXPECT_EQ(ReadPictures(path), (std::vector<Picture>{tiny, tiny}));

    // A large one makes the file grow; removing them all gives the room back
    // as padding.
    ASSERT_TRUE(songcore::WriteSongPictures(
        path, {JpegPicture(songcore::kPictureFrontCover, "big", 200000)}, error));
    EXPECT_TRUE(FlacTestPasses(path));
    ASSERT_TRUE(songcore::WriteSongPictures(path, {}, error)) << error;
    EXPECT_TRUE(ReadPictures(path).empty());
    EXPECT_EQ(MetaflacBlockTypes(path),
              (std::vector<std::string>{"STREAMINFO", "SEEKTABLE", "VORBIS_COMMENT", "PADDING"}));
    EXPECT_TRUE(FlacTestPasses(path));
    EXPECT_EQ(TitleOf(path), "Plain Title");
}

TEST(FlacPictures, AnOrdinaryTagWriteCarriesThePicturesOver) {
    TempDir dir;
    std::string path = CopyDataFile(dir, "flac/picture.flac");
    std::vector<Picture> before = ReadPictures(path);
    ASSERT_EQ(before.size(), 1u);
    CSongFileInfo song;
    ASSERT_TRUE(song.Open(path, 0, 0));
    ASSERT_TRUE(song.GetSongInfo());
    song.SetTitle(std::string(2000, 't'));  // grows past the room the file has
    ASSERT_TRUE(song.WriteSongInfo()) << song.GetErrorMessage();
    EXPECT_EQ(ReadPictures(path), before);
    EXPECT_TRUE(FlacTestPasses(path));
}

TEST(FlacPictures, ManyBlocksAreWalkedButNotWithoutEnd) {
    TempDir dir;
    std::vector<std::pair<uint8_t, std::vector<uint8_t>>> blocks;
    std::vector<std::string> expected;
    for (int i = 0; i < 300; ++i) {
        Picture picture;
        picture.mime = "image/png";
        picture.description = std::to_string(i);
        picture.data = {1, 2, 3};
        blocks.emplace_back(songcore::kFlacPicture, songcore::SerializeFlacPicture(picture));
        blocks.emplace_back(songcore::kFlacPadding, std::vector<uint8_t>(3));
        expected.push_back(picture.description);
    }
    std::string path = dir.file("many.flac");
    WriteFileBytes(path, FlacWithBlocks(blocks));
    EXPECT_EQ(Descriptions(ReadPictures(path)), expected);

    // Rewritten, the pictures keep their order and the file stays sound.
    std::vector<Picture> pictures = ReadPictures(path);
    std::string error;
    ASSERT_TRUE(songcore::WriteSongPictures(path, pictures, error)) << error;
    EXPECT_EQ(Descriptions(ReadPictures(path)), expected);
    std::vector<uint8_t> bytes = ReadFileBytes(path);
    auto layout = songcore::WalkFlacMetadata(songcore::SpanReader(bytes), bytes.size());
    ASSERT_TRUE(layout && layout->complete);
    EXPECT_EQ(layout->blocks.front().type, songcore::kFlacStreamInfo);
    EXPECT_TRUE(FlacTestPasses(path));

    // Past the walk's limit the blocks are not a file to write into, but the
    // reads still end and give what they found.
    blocks.assign(songcore::kMaxFlacBlocks, {songcore::kFlacPadding, {}});
    WriteFileBytes(path, FlacWithBlocks(blocks));
    EXPECT_TRUE(ReadPictures(path).empty());
    EXPECT_EQ(TitleOf(path), "Plain Title");
    EXPECT_FALSE(songcore::WriteSongPictures(path, pictures, error));
    EXPECT_NE(error.find("cut short"), std::string::npos) << error;
}

TEST(FlacPictures, TheOrdinaryReadSeeksPastALargeCover) {
    TempDir dir;
    std::string plain = CopyDataFile(dir, "flac/plain.flac");
    std::string covered = CopyDataFile(dir, "flac/plain.flac", "covered.flac");
    std::string error;
    ASSERT_TRUE(songcore::WriteSongPictures(
        covered, {JpegPicture(songcore::kPictureFrontCover, "5 MB", 5 << 20)}, error))
        << error;
    auto bytesOfOrdinaryRead = [](const std::string& path) {
        uint64_t before = BytesReadSoFar();
        EXPECT_EQ(TitleOf(path), "Plain Title");
        return BytesReadSoFar() - before;
    };
    uint64_t without = bytesOfOrdinaryRead(plain);
    uint64_t with = bytesOfOrdinaryRead(covered);
    EXPECT_LT(with, without + 64 * 1024)
        << "read " << with << " bytes, " << without << " without the cover";
    EXPECT_EQ(ReadPictures(covered).at(0).data.size(), size_t{5} << 20);
}
