// DSF files built from the published layout and tagged by mutagen: the
// header read over bytes, the tag the header points to, the stream, and
// writes that append, replace and remove the tag with the header's length
// and offset kept right, as mutagen reads them.
#include <gtest/gtest.h>

#include "songcore/edit/SongEdit.h"
#include "songcore/tags/SongFileInfo.h"
#include "songcore/tags/StreamProperties.h"
#include "songcore/tags/dsf/DsfHeader.h"
#include "support/TestSupport.h"

using songcore::DsfHeader;
using songcore::SongField;
using testsupport::CopyDataFile;
using testsupport::ReadFileBytes;
using testsupport::TempDir;

namespace {

std::optional<DsfHeader> HeaderOf(const std::vector<uint8_t>& bytes) {
    return DsfHeader::Read(songcore::SpanReader(bytes), bytes.size());
}

void Put64(std::vector<uint8_t>& bytes, size_t at, uint64_t value) {
    for (int i = 0; i < 8; ++i) {
        bytes[at + i] = static_cast<uint8_t>(value >> (8 * i));
    }
}

TEST(DsfHeader, ReadsTheChunksAndRefusesWhatDoesNotFit) {
    const std::vector<uint8_t> bare = ReadFileBytes(testsupport::DataFile("dsf/bare.dsf"));
    std::optional<DsfHeader> header = HeaderOf(bare);
    ASSERT_TRUE(header);
    EXPECT_EQ(header->totalSize, bare.size());
    EXPECT_EQ(header->metadataOffset, 0u);
    EXPECT_EQ(header->channels, 2u);
    EXPECT_EQ(header->sampleRate, 2822400u);
    EXPECT_EQ(header->bitsPerSample, 1u);
    EXPECT_EQ(header->sampleCount, 32768u);
    EXPECT_EQ(header->audioEnd(), bare.size());

    struct Damage {
        const char* what;
        size_t at;
        uint64_t value;
    };
    const Damage damages[] = {
        {"the DSD chunk's size", 4, 29},
        {"the fmt chunk's size, past the file", 32, 1u << 30},
        {"the fmt chunk's size, below its fields", 32, 20},
        {"the data chunk's size, past the file", 84, bare.size()},
        {"the data chunk's size, below its header", 84, 11},
    };
    for (const Damage& damage : damages) {
        std::vector<uint8_t> bytes = bare;
        Put64(bytes, damage.at, damage.value);
        EXPECT_FALSE(HeaderOf(bytes)) << damage.what;
    }
    std::vector<uint8_t> renamed = bare;
    renamed[80] = 'D';  // "data" is "Data"
    EXPECT_FALSE(HeaderOf(renamed));
    EXPECT_FALSE(HeaderOf(std::vector<uint8_t>(bare.begin(), bare.begin() + 60)));
}

class DsfFiles : public ::testing::Test {
protected:
    void SetUp() override { ::setenv("XDG_STATE_HOME", state_.path().c_str(), 1); }
    TempDir state_;
    TempDir dir_;
};

TEST_F(DsfFiles, ReadsTheTagAndTheStream) {
    CSongFileInfo song;
    ASSERT_TRUE(song.Open(testsupport::DataFile("dsf/tagged.dsf"), 1, 0));
    ASSERT_EQ(song.GetSongInfo(), 1);
    EXPECT_EQ(song.GetTitle(), "Ruhe");
    EXPECT_EQ(song.GetArtist(), "DSD Artist");
    EXPECT_EQ(song.GetTrackNum(), 2u);
    EXPECT_EQ(song.GetTrackTotal(), 4u);
    songcore::StreamProperties stream = songcore::ReadStreamProperties(song);
    ASSERT_FALSE(stream.empty());
    EXPECT_EQ(std::get<std::string>(stream.find("codec")->value), "DSD");
    EXPECT_EQ(std::get<int64_t>(stream.find("sample_rate")->value), 2822400);
    EXPECT_EQ(std::get<int64_t>(stream.find("channels")->value), 2);
    EXPECT_EQ(std::get<int64_t>(stream.find("total_samples")->value), 32768);
    EXPECT_EQ(std::get<int64_t>(stream.find("bitrate_kbps")->value), 5644);
}

// The header's length and offset as mutagen reads them, against the file's
// length, and the title mutagen reads.
std::string MutagenView(const std::string& path) {
    testsupport::RunResult run = testsupport::RunPython(R"(
import os, sys
from mutagen.dsf import DSF
import struct
f = DSF(sys.argv[1])
head = open(sys.argv[1], 'rb').read(28)
total, offset = struct.unpack('<QQ', head[12:28])
print(total == os.path.getsize(sys.argv[1]), offset, f.tags['TIT2'].text[0] if f.tags else '-')
)",
                                                        {path});
    EXPECT_EQ(run.status, 0) << run.err;
    return run.out.substr(0, run.out.find('\n'));
}

TEST_F(DsfFiles, TheTagIsAppendedReplacedInPlaceAndRemoved) {
    if (!testsupport::HaveMutagen()) {
        GTEST_SKIP() << "mutagen is not installed";
    }
    std::string path = CopyDataFile(dir_, "dsf/bare.dsf");
    const std::vector<uint8_t> bare = ReadFileBytes(path);
    const std::string audio =
        testsupport::Run({"ffmpeg", "-v", "error", "-i", path, "-map", "0:a", "-f", "md5", "-"})
            .out;
    ASSERT_TRUE(songcore::EditSong(path, {{SongField::Title, std::string(2000, 't')}}).ok);
    EXPECT_EQ(MutagenView(path), "True 8284 " + std::string(2000, 't'));
    const size_t grown = ReadFileBytes(path).size();

    // A shorter tag fills the old one's room: same length, in place.
    ASSERT_TRUE(songcore::EditSong(path, {{SongField::Title, "Kurz"}}).ok);
    EXPECT_EQ(MutagenView(path), "True 8284 Kurz");
    EXPECT_EQ(ReadFileBytes(path).size(), grown);
    EXPECT_EQ(
        testsupport::Run({"ffmpeg", "-v", "error", "-i", path, "-map", "0:a", "-f", "md5", "-"})
            .out,
        audio);

    CSongFileInfo song;
    ASSERT_TRUE(song.Open(path, 0, 0));
    ASSERT_EQ(song.RemoveID3V2Info(), 1) << song.GetErrorMessage();
    song.Close();
    EXPECT_EQ(ReadFileBytes(path), bare);
}

TEST_F(DsfFiles, AnOffsetIntoTheAudioIsNeitherReadNorWritten) {
    std::vector<uint8_t> bytes = ReadFileBytes(testsupport::DataFile("dsf/tagged.dsf"));
    Put64(bytes, 20, 100);  // the tag "starts" inside the data chunk
    std::string path = dir_.file("wrong.dsf");
    testsupport::WriteFileBytes(path, bytes);
    CSongFileInfo song;
    ASSERT_TRUE(song.Open(path, 1, 0));
    EXPECT_EQ(song.GetSongInfo(), 0);
    songcore::SongEditResult result = songcore::EditSong(path, {{SongField::Title, "No"}});
    EXPECT_FALSE(result.ok);
    EXPECT_NE(result.error.find("metadata offset points into its audio"), std::string::npos)
        << result.error;
    CSongFileInfo remover;
    ASSERT_TRUE(remover.Open(path, 0, 0));
    EXPECT_EQ(remover.RemoveID3V2Info(), 0);
    EXPECT_EQ(ReadFileBytes(path), bytes);
}

}  // namespace
