// The pictures of ASF files: WM/Picture attributes in the extended content
// description and, past its 64 KB values, the metadata library, in the order
// mutagen reads them back; damaged ones skipped; never read by the ordinary
// tag read.
#include <gtest/gtest.h>

#include "songcore/tags/SongFileInfo.h"
#include "songcore/tags/SongPictures.h"
#include "songcore/tags/StreamProperties.h"
#include "songcore/tags/asf/AsfHeader.h"
#include "songcore/tags/asf/AsfObjects.h"
#include "songcore/util/ByteWriter.h"
#include "support/MediaChecks.h"
#include "support/PictureFiles.h"
#include "support/PicturePeers.h"
#include "support/ProcessReads.h"
#include "support/TestSupport.h"

using namespace testsupport;
using songcore::Picture;

namespace {

std::vector<std::string> Lines(const std::vector<Picture>& pictures) {
    std::vector<std::string> lines;
    for (Picture picture : pictures) {
        picture.width = picture.height = 0;
        lines.push_back(PictureLine(picture));
    }
    return lines;
}

std::map<std::string, std::string> TagsButPictures(const std::string& path) {
    std::map<std::string, std::string> tags = MutagenAsfTags(path);
    tags.erase("WM/Picture");
    return tags;
}

// plain.wma with its header extension holding extension objects instead of
// its own (without one at all when extension is nothing).
std::vector<uint8_t> WmaWithExtension(
    const std::optional<std::vector<std::vector<uint8_t>>>& extension) {
    using songcore::AsfHeader;
    std::vector<uint8_t> file = ReadFileBytes(DataFile("asf/plain.wma"));
    auto size = AsfHeader::ParseSize(file);
    EXPECT_TRUE(size);
    std::vector<uint8_t> header(file.begin(), file.begin() + static_cast<ptrdiff_t>(*size));
    auto layout = AsfHeader::Parse(header);
    EXPECT_TRUE(layout && layout->exact);
    songcore::ByteWriter out;
    out.bytes(std::span(header).first(AsfHeader::kPreambleSize));
    uint32_t count = 0;
    for (const AsfHeader::Object& object : layout->objects) {
        std::span<const uint8_t> bytes = std::span(header).subspan(object.offset, object.size);
        if (object.guid != songcore::asfguid::kHeaderExtension) {
            out.bytes(bytes);
        } else if (extension) {
            std::vector<std::span<const uint8_t>> inner(extension->begin(), extension->end());
            out.bytes(*AsfHeader::BuildExtension(bytes, inner));
        } else {
            continue;
        }
        ++count;
    }
    out.putU64le(16, out.size());
    out.putU32le(24, count);
    std::vector<uint8_t> result = out.take();
    result.insert(result.end(), file.begin() + static_cast<ptrdiff_t>(*size), file.end());
    return result;
}

std::vector<uint8_t> Library(const std::vector<songcore::AsfDescriptor>& descriptors) {
    songcore::AsfMetadata library;
    for (const songcore::AsfDescriptor& descriptor : descriptors) {
        library.records.push_back({0, 0, descriptor});
    }
    return *library.Build(songcore::asfguid::kMetadataLibrary);
}

}  // namespace

TEST(AsfPictures, PicturesOver64KBGoToTheLibraryAndKeepTheirOrder) {
    if (!HaveMutagen()) {
        GTEST_SKIP() << "mutagen is not installed";
    }
    TempDir dir;
    std::string path = CopyDataFile(dir, "asf/tagged.wma");
    std::map<std::string, std::string> others = TagsButPictures(path);
    // A description's value holds 65535 bytes: the first picture just fits.
    std::vector<Picture> pictures = {JpegPicture(songcore::kPictureFrontCover, "fits", 65535 - 64),
                                     JpegPicture(songcore::kPictureFrontCover, "large", 300000),
                                     JpegPicture(songcore::kPictureBackCover, "small after", 100)};
    WritePictures(path, pictures);
    EXPECT_EQ(Lines(ReadPictures(path)), Lines(pictures));
    EXPECT_EQ(MutagenPictureLines("asf", path), Lines(pictures));
    EXPECT_EQ(TagsButPictures(path), others);
    EXPECT_EQ(TitleOf(path), "Sine Title");
    EXPECT_EQ(FfmpegDecodeErrors(path), "");

    // Back to small ones: nothing is left in the library.
    WritePictures(path, {pictures[2]});
    EXPECT_EQ(MutagenPictureLines("asf", path), Lines({pictures[2]}));
    EXPECT_EQ(TagsButPictures(path), others);
    EXPECT_EQ(FfmpegDecodeErrors(path), "");
}

TEST(AsfPictures, ADamagedPictureIsSkipped) {
    if (!HaveMutagen()) {
        GTEST_SKIP() << "mutagen is not installed";
    }
    TempDir dir;
    std::string path = CopyDataFile(dir, "asf/plain.wma");
    // One sound picture, one whose length runs past its value, one whose MIME
    // type has no terminator, then another sound one.
    RunResult result = RunPython(
        "import struct, sys\n"
        "from mutagen.asf import ASF, ASFByteArrayAttribute\n"
        "def pic(role, size, data, mime='image/png\\0'):\n"
        "    return ASFByteArrayAttribute(struct.pack('<BI', role, size) +\n"
        "        mime.encode('utf-16-le') + 'd\\0'.encode('utf-16-le') + data)\n"
        "f = ASF(sys.argv[1])\n"
        "f['Title'] = 'Damaged'\n"
        "f['WM/Picture'] = [pic(3, 3, b'abc'), pic(4, 1000, b'abc'),\n"
        "                   ASFByteArrayAttribute(b'\\x03\\x01\\0\\0\\0i\\0m\\0'),\n"
        "                   pic(4, 3, b'xyz')]\n"
        "f.save()\n",
        {path});
    ASSERT_EQ(result.status, 0) << result.err;
    std::vector<Picture> pictures = ReadPictures(path);
    ASSERT_EQ(pictures.size(), 2u);
    EXPECT_EQ(pictures[0].data, (std::vector<uint8_t>{'a', 'b', 'c'}));
    EXPECT_EQ(pictures[1].data, (std::vector<uint8_t>{'x', 'y', 'z'}));
    EXPECT_EQ(pictures[1].type, songcore::kPictureBackCover);
    EXPECT_EQ(TitleOf(path), "Damaged");

    // Writing replaces the damaged ones too.
    Picture picture = JpegPicture(songcore::kPictureFrontCover, "new", 0);
    WritePictures(path, {picture});
    EXPECT_EQ(MutagenPictureLines("asf", path), Lines({picture}));
    EXPECT_EQ(TitleOf(path), "Damaged");
}

TEST(AsfPictures, TheOrdinaryReadReadsPastALargeCover) {
    TempDir dir;
    std::string plain = CopyDataFile(dir, "asf/tagged.wma");
    std::string covered = CopyDataFile(dir, "asf/tagged.wma", "covered.wma");
    WritePictures(covered, {JpegPicture(songcore::kPictureFrontCover, "small", 30000),
                            JpegPicture(songcore::kPictureFrontCover, "5 MB", 5 << 20)});
    auto bytesOfOrdinaryRead = [](const std::string& path) {
        uint64_t before = BytesReadSoFar();
        CSongFileInfo song;
        EXPECT_TRUE(song.Open(path, 1, 0));
        EXPECT_TRUE(song.GetSongInfo());
        EXPECT_EQ(song.GetTitle(), "Sine Title");
        EXPECT_EQ(song.GetAlbum(), "Sine Album");
        EXPECT_FALSE(songcore::ReadStreamProperties(song).empty());
        return BytesReadSoFar() - before;
    };
    uint64_t without = bytesOfOrdinaryRead(plain);
    uint64_t with = bytesOfOrdinaryRead(covered);
    // The file's read buffer takes a few blocks around the covers, never them.
    EXPECT_LT(with, without + 256 * 1024)
        << "read " << with << " bytes, " << without << " without the covers";
    std::vector<Picture> pictures = ReadPictures(covered);
    ASSERT_EQ(pictures.size(), 2u);
    EXPECT_EQ(pictures[1].data.size(), size_t{5} << 20);
}

TEST(AsfPictures, EveryMetadataLibraryKeepsItsOwnRecords) {
    if (!HaveMutagen()) {
        GTEST_SKIP() << "mutagen is not installed";
    }
    TempDir dir;
    std::string path = dir.file("libraries.wma");
    // Two libraries: the first holds a field and a picture, the second
    // another attribute that a rewrite of the first must not touch.
    WriteFileBytes(path, WmaWithExtension(std::vector<std::vector<uint8_t>>{
                             Library({songcore::AsfDescriptor::Text("WM/Composer", "Old"),
                                      songcore::AsfPictureDescriptor(
                                          JpegPicture(songcore::kPictureFrontCover, "old", 0))}),
                             Library({songcore::AsfDescriptor::Text("Custom/Kept", "kept")})}));
    ASSERT_EQ(Lines(ReadPictures(path)),
              Lines({JpegPicture(songcore::kPictureFrontCover, "old", 0)}));
    {
        CSongFileInfo song;
        ASSERT_TRUE(song.Open(path, 0, 0));
        ASSERT_TRUE(song.GetSongInfo());
        EXPECT_EQ(song.GetComposer(), "Old");
        song.SetComposer("New");
        ASSERT_TRUE(song.WriteSongInfo()) << song.GetErrorMessage();
    }
    std::map<std::string, std::string> tags = MutagenAsfTags(path);
    EXPECT_EQ(tags["Custom/Kept"], "[('ASFUnicodeAttribute', 'kept')]");
    EXPECT_EQ(tags["WM/Composer"], "[('ASFUnicodeAttribute', 'New')]");
    EXPECT_EQ(ReadPictures(path).size(), 1u);

    Picture large = JpegPicture(songcore::kPictureFrontCover, "large", 100000);
    WritePictures(path, {large});
    EXPECT_EQ(MutagenPictureLines("asf", path), Lines({large})) << "one copy, in the first library";
    EXPECT_EQ(MutagenAsfTags(path)["Custom/Kept"], "[('ASFUnicodeAttribute', 'kept')]");
    EXPECT_EQ(FfmpegDecodeErrors(path), "");
}

TEST(AsfPictures, WithoutAHeaderExtensionALargePictureIsRefused) {
    TempDir dir;
    std::string path = dir.file("noextension.wma");
    WriteFileBytes(path, WmaWithExtension(std::nullopt));
    std::vector<uint8_t> before = ReadFileBytes(path);
    std::string error;
    EXPECT_FALSE(songcore::WriteSongPictures(
        path, {JpegPicture(songcore::kPictureFrontCover, "large", 70000)}, error));
    EXPECT_NE(error.find("header extension"), std::string::npos) << error;
    EXPECT_EQ(ReadFileBytes(path), before);
    // One that fits a description needs no extension.
    Picture small = JpegPicture(songcore::kPictureFrontCover, "small", 1000);
    WritePictures(path, {small});
    EXPECT_EQ(Lines(ReadPictures(path)), Lines({small}));
}
