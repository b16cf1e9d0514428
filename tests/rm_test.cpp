// RealMedia tags: the chunk walker and content description over byte
// buffers, and reading and writing real RealAudio files checked with ffmpeg
// and ffprobe, including the offsets that must follow the media data.
#include <gtest/gtest.h>

#include <filesystem>

#include "songcore/tags/SongFileInfo.h"
#include "songcore/tags/StreamProperties.h"
#include "songcore/tags/rm/RmChunks.h"
#include "songcore/util/ByteWriter.h"
#include "songcore/util/ReadExact.h"
#include "support/MediaChecks.h"
#include "support/TestSupport.h"

using namespace songcore;
using testsupport::TempDir;

namespace {

uint32_t U32At(const std::vector<uint8_t>& bytes, size_t at) {
    return uint32_t{bytes.at(at)} << 24 | uint32_t{bytes.at(at + 1)} << 16 |
           uint32_t{bytes.at(at + 2)} << 8 | bytes.at(at + 3);
}

void PutU32(std::vector<uint8_t>& bytes, size_t at, uint32_t value) {
    for (int i = 3; i >= 0; --i) {
        bytes.at(at + i) = static_cast<uint8_t>(value);
        value >>= 8;
    }
}

struct Chunk {
    std::string id;
    uint32_t offset, size;
};

// The chunks from the file header up to and including the media data,
// walked independently of the code under test.
std::vector<Chunk> Chunks(const std::vector<uint8_t>& bytes) {
    std::vector<Chunk> chunks;
    uint32_t pos = 18;
    while (pos + 10 <= bytes.size()) {
        Chunk chunk{std::string(bytes.begin() + pos, bytes.begin() + pos + 4), pos,
                    U32At(bytes, pos + 4)};
        chunks.push_back(chunk);
        if (chunk.id == "DATA" || chunk.size < 10) {
            break;
        }
        pos += chunk.size;
    }
    return chunks;
}

std::optional<Chunk> Find(const std::vector<Chunk>& chunks, const std::string& id) {
    for (const Chunk& chunk : chunks) {
        if (chunk.id == id) {
            return chunk;
        }
    }
    return std::nullopt;
}

// PROP body fields, as offsets in a file whose PROP follows the file header.
constexpr size_t kIndexOffsetField = 18 + 10 + 28;
constexpr size_t kDataOffsetField = 18 + 10 + 32;
constexpr size_t kHeaderCountField = 14;

// Appends an index of every packet in the DATA chunk and points PROP at it,
// as RealProducer files have. Returns the packet offsets it indexed.
std::vector<uint32_t> AddIndex(std::vector<uint8_t>& bytes) {
    std::optional<Chunk> data = Find(Chunks(bytes), "DATA");
    std::vector<uint32_t> packets;
    uint32_t pos = data->offset + 18;
    while (pos + 12 <= bytes.size()) {
        uint32_t length = uint32_t{bytes[pos + 2]} << 8 | bytes[pos + 3];
        if (bytes[pos] != 0 || length < 12 || pos + length > bytes.size()) {
            break;
        }
        packets.push_back(pos);
        pos += length;
    }
    // ffmpeg ends its files with eight zero bytes, which its own reader
    // takes for packets when more follows; the index replaces them.
    bytes.resize(pos);
    ByteWriter index;
    index.text("INDX");
    index.u32be(static_cast<uint32_t>(20 + 14 * packets.size()));
    index.u16be(0);
    index.u32be(static_cast<uint32_t>(packets.size()));
    index.u16be(0);  // stream
    index.u32be(0);  // no next index
    for (size_t i = 0; i < packets.size(); ++i) {
        index.u16be(0);
        index.u32be(static_cast<uint32_t>(i * 20));
        index.u32be(packets[i]);
        index.u32be(static_cast<uint32_t>(i));
    }
    PutU32(bytes, kIndexOffsetField, static_cast<uint32_t>(bytes.size()));
    bytes.insert(bytes.end(), index.buffer().begin(), index.buffer().end());
    return packets;
}

}  // namespace

TEST(RmChunksTest, ContentDescriptionRoundTrip) {
    RmContent content{"Title", "", "(c)", "Comment"};
    auto built = content.Build();
    ASSERT_TRUE(built);
    EXPECT_EQ(built->size(), 18u + 5 + 3 + 7);
    EXPECT_EQ(std::string(built->begin(), built->begin() + 4), "CONT");
    EXPECT_EQ(U32At(*built, 4), built->size());
    auto parsed = RmContent::Parse(std::span(*built).subspan(10));
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->title, "Title");
    EXPECT_EQ(parsed->author, "");
    EXPECT_EQ(parsed->comment, "Comment");
    EXPECT_FALSE(RmContent::Parse(std::span(*built).subspan(10, 12)));
    content.comment = std::string(65535, 'c');
    EXPECT_TRUE(content.Build());
    content.comment += 'c';
    EXPECT_FALSE(content.Build());
}

TEST(RmChunksTest, WalkAndOffsetChains) {
    // Lower-case ids, a chunk of an unknown version, DATA chained to a
    // second DATA, and an index behind them.
    ByteWriter file;
    file.text(".rmf");
    file.u32be(18);
    file.u16be(0);
    file.u32be(0);
    file.u32be(6);
    file.text("prop");
    file.u32be(50);
    file.u16be(0);
    file.zeros(40);
    file.text("XTRA");
    file.u32be(12);
    file.u16be(1);
    file.zeros(2);
    file.text("cont");
    file.u32be(18);
    file.u16be(0);
    file.zeros(8);
    const uint32_t data1 = static_cast<uint32_t>(file.size());
    file.text("DATA");
    file.u32be(20);
    file.u16be(0);
    file.u32be(0);
    file.u32be(data1 + 20);  // next DATA
    file.zeros(2);
    file.text("DATA");
    file.u32be(18);
    file.u16be(0);
    file.u32be(0);
    file.u32be(0);
    const uint32_t index = static_cast<uint32_t>(file.size());
    file.text("INDX");
    file.u32be(34);
    file.u16be(0);
    file.u32be(1);
    file.u16be(0);
    file.u32be(0);
    file.u16be(0);
    file.u32be(0);
    file.u32be(data1 + 18);  // a packet
    file.u32be(0);
    std::vector<uint8_t> bytes = file.take();

    auto layout = RmLayout::Walk(SpanReader(bytes), bytes.size());
    ASSERT_TRUE(layout);
    ASSERT_EQ(layout->chunks.size(), 3u);
    EXPECT_TRUE(layout->chunks[0].Is("PROP"));
    EXPECT_EQ(layout->chunks[1].version, 1);
    EXPECT_TRUE(layout->chunks[2].Is("CONT"));
    ASSERT_TRUE(layout->stop);
    EXPECT_EQ(layout->stop->offset, data1);
    EXPECT_EQ(layout->end, data1);

    auto patches = CollectRmOffsetPatches(SpanReader(bytes), bytes.size(), *layout, index, 7);
    ASSERT_TRUE(patches);
    ASSERT_EQ(patches->size(), 2u);
    EXPECT_EQ((*patches)[0].offset, data1 + 14u);
    EXPECT_EQ(U32At((*patches)[0].bytes, 0), data1 + 27);
    EXPECT_EQ((*patches)[1].offset, index);
    EXPECT_EQ(U32At((*patches)[1].bytes, 26), data1 + 25);

    // A chain that points back at itself ends instead of looping.
    std::vector<uint8_t> loop = bytes;
    PutU32(loop, data1 + 20 + 14, data1);
    EXPECT_TRUE(CollectRmOffsetPatches(SpanReader(loop), loop.size(), *layout, index, 7));
    // An index that claims more than the file holds is refused.
    std::vector<uint8_t> cut = bytes;
    PutU32(cut, index + 4, 1000);
    EXPECT_FALSE(CollectRmOffsetPatches(SpanReader(cut), cut.size(), *layout, index, 7));
    // A header chunk cut short, and a file that is not RealMedia.
    std::vector<uint8_t> shortChunk = bytes;
    PutU32(shortChunk, 18 + 4, 5000);
    EXPECT_FALSE(RmLayout::Walk(SpanReader(shortChunk), shortChunk.size()));
    std::vector<uint8_t> other = bytes;
    other[1] = 'x';
    EXPECT_FALSE(RmLayout::Walk(SpanReader(other), other.size()));
    EXPECT_EQ(MoveRmOffset(0, data1, 7), 0u);
    EXPECT_EQ(MoveRmOffset(data1 - 1, data1, 7), data1 - 1);
}

class RmFileTest : public ::testing::Test {
protected:
    TempDir dir;
    std::string Copy(const std::string& name) {
        return testsupport::CopyDataFile(dir, "rm/" + name);
    }
    int Write(const std::string& path, const std::string& title, const std::string& artist,
              const std::string& copyright, const std::string& comment) {
        CSongFileInfo info;
        if (!info.Open(path, 0, 0)) {
            return -1;
        }
        info.SetTitle(title);
        info.SetArtist(artist);
        info.SetCopyright(copyright);
        info.SetComment(comment);
        return info.WriteSongInfo();
    }
};

TEST_F(RmFileTest, ReadsFfmpegFile) {
    CSongFileInfo info;
    ASSERT_TRUE(info.Open(testsupport::DataFile("rm/tagged.ra"), 1, 0));
    ASSERT_EQ(info.GetSongInfo(), 1);
    EXPECT_EQ(info.GetTagKind(), TAG_RM);
    EXPECT_EQ(info.GetTitle(), "Sine Title");  // blanks around texts are dropped
    EXPECT_EQ(info.GetArtist(), "Sine Author");
    EXPECT_EQ(info.GetCopyright(), "(c) Sine");
    EXPECT_EQ(info.GetComment(), "A comment");
    const auto& area = info.GetRMPropertiesArea();
    EXPECT_EQ(U32At(std::vector<uint8_t>(area.begin(), area.end()), 0), 8000u);  // max bit rate

    StreamProperties stream = ReadStreamProperties(info);
    ASSERT_TRUE(stream.find("bitrate_kbps"));
    EXPECT_EQ(std::get<int64_t>(stream.find("bitrate_kbps")->value), 8);
    EXPECT_EQ(std::get<int64_t>(stream.find("streams")->value), 1);
    EXPECT_EQ(std::get<int64_t>(stream.find("length_seconds")->value), 0);
}

TEST_F(RmFileTest, WriteMovesDataAndIndexOffsets) {
    std::string path = dir.file("indexed.ra");
    std::vector<uint8_t> bytes = testsupport::ReadFileBytes(testsupport::DataFile("rm/tagged.ra"));
    std::vector<uint32_t> packets = AddIndex(bytes);
    ASSERT_GT(packets.size(), 5u);
    testsupport::WriteFileBytes(path, bytes);
    ASSERT_EQ(testsupport::FfmpegDecodeErrors(path), "");
    std::vector<Chunk> before = Chunks(bytes);

    ASSERT_EQ(Write(path, "A much longer title than before", "Sine Author", "(c) Sine",
                    "A longer comment"),
              1);
    EXPECT_EQ(testsupport::FfmpegDecodeErrors(path), "");
    auto tags = testsupport::FfprobeTags(path);
    EXPECT_EQ(tags["title"], "A much longer title than before");
    EXPECT_EQ(tags["author"], "Sine Author");
    EXPECT_EQ(tags["copyright"], "(c) Sine");
    EXPECT_EQ(tags["comment"], "A longer comment");

    std::vector<uint8_t> after = testsupport::ReadFileBytes(path);
    uint32_t growth = static_cast<uint32_t>(after.size() - bytes.size());
    EXPECT_EQ(growth, 18u + 31 + 11 + 8 + 16 - Find(before, "CONT")->size);
    EXPECT_EQ(U32At(after, kHeaderCountField), U32At(bytes, kHeaderCountField));
    EXPECT_EQ(U32At(after, kDataOffsetField), U32At(bytes, kDataOffsetField) + growth);
    EXPECT_EQ(U32At(after, kIndexOffsetField), U32At(bytes, kIndexOffsetField) + growth);
    // The new description stands after the stream headers, before the data.
    std::vector<Chunk> chunks = Chunks(after);
    std::vector<std::string> ids;
    for (const Chunk& chunk : chunks) {
        ids.push_back(chunk.id);
    }
    EXPECT_EQ(ids, (std::vector<std::string>{"PROP", "MDPR", "CONT", "DATA"}));
    EXPECT_EQ(Find(chunks, "DATA")->offset, U32At(after, kDataOffsetField));
    // Every index entry still finds its packet.
    uint32_t index = U32At(after, kIndexOffsetField);
    ASSERT_EQ(std::string(after.begin() + index, after.begin() + index + 4), "INDX");
    for (size_t i = 0; i < packets.size(); ++i) {
        uint32_t packet = U32At(after, index + 20 + 14 * i + 6);
        EXPECT_EQ(packet, packets[i] + growth);
        EXPECT_TRUE(std::equal(bytes.begin() + packets[i], bytes.begin() + packets[i] + 32,
                               after.begin() + packet));
    }
}

TEST_F(RmFileTest, EmptyTextsRemoveTheDescriptionAndTextsAddIt) {
    std::string path = Copy("tagged.ra");
    std::vector<uint8_t> original = testsupport::ReadFileBytes(path);
    ASSERT_EQ(U32At(original, kIndexOffsetField), 0u);  // ffmpeg writes no index
    uint32_t oldContent = Find(Chunks(original), "CONT")->size;

    ASSERT_EQ(Write(path, "", "", "", ""), 1);
    std::vector<uint8_t> removed = testsupport::ReadFileBytes(path);
    EXPECT_EQ(removed.size(), original.size() - oldContent);
    EXPECT_EQ(U32At(removed, kHeaderCountField), U32At(original, kHeaderCountField) - 1);
    EXPECT_EQ(U32At(removed, kDataOffsetField), U32At(original, kDataOffsetField) - oldContent);
    EXPECT_EQ(U32At(removed, kIndexOffsetField), 0u);
    EXPECT_FALSE(Find(Chunks(removed), "CONT"));
    EXPECT_EQ(testsupport::FfmpegDecodeErrors(path), "");
    CSongFileInfo info;
    ASSERT_TRUE(info.Open(path, 1, 0));
    EXPECT_EQ(info.GetRMInfo(), 0);
    EXPECT_NE(info.GetRMPropertiesArea()[3], 0);  // PROP read all the same

    // With nothing read, the dispatch writes a RealMedia file's own tag.
    ASSERT_EQ(Write(path, "T", "", "", ""), 1);
    std::vector<uint8_t> added = testsupport::ReadFileBytes(path);
    EXPECT_EQ(added.size(), removed.size() + 19);
    EXPECT_EQ(U32At(added, kHeaderCountField), U32At(removed, kHeaderCountField) + 1);
    EXPECT_EQ(U32At(added, kDataOffsetField), U32At(removed, kDataOffsetField) + 19);
    EXPECT_EQ(U32At(added, kIndexOffsetField), 0u);
    EXPECT_EQ(testsupport::FfmpegDecodeErrors(path), "");
    EXPECT_EQ(testsupport::FfprobeTags(path)["title"], "T");
}

TEST_F(RmFileTest, TextsAreLatin1) {
    std::string path = Copy("plain.ra");
    ASSERT_EQ(Write(path, "Grüße €", "", "", ""), 1);
    std::vector<uint8_t> bytes = testsupport::ReadFileBytes(path);
    std::optional<Chunk> content = Find(Chunks(bytes), "CONT");
    ASSERT_TRUE(content);
    std::string stored(bytes.begin() + content->offset + 12, bytes.begin() + content->offset + 19);
    EXPECT_EQ(stored,
              "Gr\xFC\xDF"
              "e ?");
    CSongFileInfo info;
    ASSERT_TRUE(info.Open(path, 1, 0));
    ASSERT_EQ(info.GetRMInfo(), 1);
    EXPECT_EQ(info.GetTitle(), "Grüße ?");
}

TEST_F(RmFileTest, OddFiles) {
    std::string original = testsupport::DataFile("rm/tagged.ra");
    std::vector<uint8_t> bytes = testsupport::ReadFileBytes(original);
    std::optional<Chunk> content = Find(Chunks(bytes), "CONT");
    std::string path = dir.file("odd.ra");
    {
        // Ids in other letter case are the same ids.
        std::vector<uint8_t> lower = bytes;
        std::copy_n(".rmf", 4, lower.begin());
        std::copy_n("cont", 4, lower.begin() + content->offset);
        testsupport::WriteFileBytes(path, lower);
        CSongFileInfo info;
        ASSERT_TRUE(info.Open(path, 0, 0));
        ASSERT_EQ(info.GetRMInfo(), 1);
        EXPECT_EQ(info.GetTitle(), "Sine Title");
        info.SetTitle("Other");
        ASSERT_EQ(info.WriteRMInfo(), 1);
        ASSERT_EQ(info.GetRMInfo(), 1);
        EXPECT_EQ(info.GetTitle(), "Other");
        EXPECT_EQ(info.GetArtist(), "Sine Author");
    }
    {
        // A description of an unknown version is stepped over by the reader
        // and makes the writer refuse the file.
        std::vector<uint8_t> versioned = bytes;
        versioned[content->offset + 9] = 1;
        testsupport::WriteFileBytes(path, versioned);
        CSongFileInfo info;
        ASSERT_TRUE(info.Open(path, 0, 0));
        EXPECT_EQ(info.GetRMInfo(), 0);
        EXPECT_EQ(info.GetTitle(), "");
        info.SetTitle("x");
        EXPECT_EQ(info.WriteRMInfo(), 0);
        EXPECT_EQ(testsupport::ReadFileBytes(path), versioned);
    }
    {
        // Texts too long for the 16-bit lengths are refused before writing.
        testsupport::WriteFileBytes(path, bytes);
        EXPECT_EQ(Write(path, "t", "a", "c", std::string(70000, 'x')), 0);
        EXPECT_EQ(testsupport::ReadFileBytes(path), bytes);
    }
    {
        // A header chunk whose size runs past the end of the file.
        std::vector<uint8_t> broken = bytes;
        PutU32(broken, content->offset + 4, 100000);
        testsupport::WriteFileBytes(path, broken);
        EXPECT_EQ(Write(path, "t", "", "", ""), 0);
        EXPECT_EQ(testsupport::ReadFileBytes(path), broken);
    }
}

TEST_F(RmFileTest, CommandLine) {
    std::string path = Copy("plain.ra");
    auto result = testsupport::RunTunemoss(
        {"write", "--tag", "rm", "--title", "CLI", "--artist", "Someone", path});
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(testsupport::FfmpegDecodeErrors(path), "");
    EXPECT_EQ(testsupport::FfprobeTags(path)["author"], "Someone");
    result = testsupport::RunTunemoss({"show", "--json", path});
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_NE(result.out.find("\"title\": \"CLI\""), std::string::npos) << result.out;
    EXPECT_NE(result.out.find("\"bitrate_kbps\": 8"), std::string::npos) << result.out;
}
