// WavPack: the first block's header and sub-blocks over bytes, the stream
// of files wavpack made, and the tag: APEv2, else ID3v1, always written as
// APEv2, with the file still verified by wvunpack.
#include <gtest/gtest.h>

#include "songcore/edit/SongEdit.h"
#include "songcore/tags/SongFileInfo.h"
#include "songcore/tags/StreamProperties.h"
#include "songcore/tags/wavpack/WavPackBlock.h"
#include "songcore/util/ByteWriter.h"
#include "support/TestSupport.h"

using songcore::SongField;
using songcore::WavPackBlock;
using testsupport::TempDir;

namespace {

std::vector<uint8_t> Block(uint32_t flags, uint32_t total, std::vector<uint8_t> subBlocks = {},
                           uint16_t version = 0x410, uint8_t totalHigh = 0) {
    songcore::ByteWriter block;
    block.text("wvpk");
    block.u32le(static_cast<uint32_t>(24 + subBlocks.size()));
    block.u16le(version);
    block.u8(0);
    block.u8(totalHigh);
    block.u32le(total);
    block.u32le(0);
    block.u32le(4096);
    block.u32le(flags);
    block.u32le(0);
    block.bytes(subBlocks);
    return block.take();
}

constexpr uint32_t Rate(uint32_t index) {
    return index << 23;
}

TEST(WavPackBlock, DescribesTheStreamFromHeaderAndSubBlocks) {
    struct Case {
        const char* what;
        std::vector<uint8_t> block;
        uint32_t rate, channels, bits;
        std::optional<uint64_t> total;
    };
    const std::vector<uint8_t> customRate = {0x27 | 0x40, 2, 0x58, 0x1B, 0x00, 0x00};  // 7000
    const std::vector<uint8_t> sixChannels = {0x0D, 2, 6, 0x3F, 0, 0};
    const std::vector<uint8_t> large = {0x80 | 0x04, 1, 0, 0, 0, 0};  // a 2-byte sub-block
    const Case cases[] = {
        {"16-bit stereo at 44.1 kHz", Block(1 | Rate(9), 44100), 44100, 2, 16, 44100},
        {"8-bit mono at 8 kHz", Block(0 | 4 | Rate(1), 100), 8000, 1, 8, 100},
        {"24 bits shifted to 20", Block(2 | (4u << 13) | Rate(13), 5), 96000, 2, 20, 5},
        {"a rate outside the table", Block(1 | Rate(15), 7000, customRate), 7000, 2, 16, 7000},
        {"six channels", Block(1 | Rate(10), 1, sixChannels), 48000, 6, 16, 1},
        {"a large sub-block first",
         Block(1 | Rate(10), 1,
               [&] {
                   std::vector<uint8_t> both = large;
                   both.insert(both.end(), sixChannels.begin(), sixChannels.end());
                   return both;
               }()),
         48000, 6, 16, 1},
        {"an unknown length", Block(1 | Rate(9), UINT32_MAX), 44100, 2, 16, std::nullopt},
        {"a 40-bit length", Block(1 | Rate(9), 5, {}, 0x410, 1), 44100, 2, 16,
         (uint64_t{1} << 32) - 1 + 5},
        {"a sub-block past the block", Block(1 | Rate(15), 7, {0x27, 9, 1, 2, 3}), 0, 2, 16, 7},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::optional<songcore::WavPackStream> stream = WavPackBlock::ParseFirst(c.block);
        ASSERT_TRUE(stream);
        EXPECT_EQ(stream->sampleRate, c.rate);
        EXPECT_EQ(stream->channels, c.channels);
        EXPECT_EQ(stream->bitsPerSample, c.bits);
        EXPECT_EQ(stream->totalSamples, c.total);
    }
    EXPECT_FALSE(WavPackBlock::ParseFirst(Block(1, 1, {}, 0x3FF)));
    std::vector<uint8_t> renamed = Block(1, 1);
    renamed[0] = 'W';
    EXPECT_FALSE(WavPackBlock::ParseFirst(renamed));
    std::vector<uint8_t> cut = Block(1, 1);
    cut.resize(20);
    EXPECT_FALSE(WavPackBlock::ParseFirst(cut));
    EXPECT_EQ(WavPackBlock::BlockSize(Block(1, 1, {1, 2})), 34u);
}

class WavPackFiles : public ::testing::Test {
protected:
    void SetUp() override { ::setenv("XDG_STATE_HOME", state_.path().c_str(), 1); }
    TempDir state_;
    TempDir dir_;
};

TEST_F(WavPackFiles, StreamPropertiesOfFilesWavpackMade) {
    struct Case {
        const char* file;
        const char* codec;
        int64_t channels, rate, bits, samples;
    };
    for (const Case& c : {Case{"wavpack/bare.wv", "WavPack", 1, 8000, 16, 1600},
                          Case{"wavpack/odd_rate.wv", "WavPack", 2, 7000, 24, 1400},
                          Case{"wavpack/hybrid.wv", "WavPack (hybrid)", 2, 7000, 24, 1400}}) {
        SCOPED_TRACE(c.file);
        CSongFileInfo song;
        ASSERT_TRUE(song.Open(testsupport::DataFile(c.file), 1, 0));
        song.GetSongInfo();
        songcore::StreamProperties stream = songcore::ReadStreamProperties(song);
        ASSERT_FALSE(stream.empty());
        EXPECT_EQ(std::get<std::string>(stream.find("codec")->value), c.codec);
        EXPECT_EQ(std::get<int64_t>(stream.find("channels")->value), c.channels);
        EXPECT_EQ(std::get<int64_t>(stream.find("sample_rate")->value), c.rate);
        EXPECT_EQ(std::get<int64_t>(stream.find("bits_per_sample")->value), c.bits);
        EXPECT_EQ(std::get<int64_t>(stream.find("total_samples")->value), c.samples);
        EXPECT_DOUBLE_EQ(std::get<double>(stream.find("length_seconds")->value), 0.2);
    }
}

TEST_F(WavPackFiles, TheApeTagElseId3v1IsReadAndApeWritten) {
    CSongFileInfo tagged;
    ASSERT_TRUE(tagged.Open(testsupport::DataFile("wavpack/tagged.wv"), 1, 0));
    ASSERT_EQ(tagged.GetSongInfo(), 1);
    EXPECT_EQ(tagged.GetTitle(), "Pack Title");
    EXPECT_EQ(tagged.GetTrackNum(), 6u);
    EXPECT_EQ(tagged.GetTrackTotal(), 11u);

    std::string path = testsupport::CopyDataFile(dir_, "wavpack/id3v1.wv");
    {
        CSongFileInfo song;
        ASSERT_TRUE(song.Open(path, 1, 0));
        ASSERT_EQ(song.GetSongInfo(), 1);
        EXPECT_EQ(song.GetTitle(), "One Title");
        EXPECT_EQ(song.GetTrackNum(), 4u);
        EXPECT_EQ(song.GetTagKind(), TAG_ID3V1);
        EXPECT_EQ(song.GetWriteTagKind(), TAG_APEV2);
    }
    std::vector<uint8_t> before = testsupport::ReadFileBytes(path);
    songcore::SongEditResult result = songcore::EditSong(path, {{SongField::Title, "Two Title"}});
    ASSERT_TRUE(result.ok) << result.error;
    CSongFileInfo song;
    ASSERT_TRUE(song.Open(path, 1, 0));
    ASSERT_EQ(song.GetSongInfo(), 1);
    EXPECT_EQ(song.GetTagKind(), TAG_APEV2);
    EXPECT_EQ(song.GetTitle(), "Two Title");
    EXPECT_EQ(song.GetArtist(), "One Artist") << "the ID3v1 fields carried into the APEv2 tag";
    // The ID3v1 tag stays last, the audio before the new tag as it was.
    std::vector<uint8_t> after = testsupport::ReadFileBytes(path);
    EXPECT_TRUE(std::equal(before.end() - 128, before.end(), after.end() - 128));
    EXPECT_TRUE(std::equal(before.begin(), before.end() - 128, after.begin()));
    testsupport::RunResult verify = testsupport::Run({"wvunpack", "-q", "-v", path});
    EXPECT_EQ(verify.status, 0) << verify.out << verify.err;
    if (testsupport::HaveMutagen()) {
        testsupport::RunResult peer = testsupport::RunPython(
            "import sys\nfrom mutagen.wavpack import WavPack\n"
            "print(WavPack(sys.argv[1])['Title'])\n",
            {path});
        EXPECT_EQ(peer.out, "Two Title\n") << peer.err;
    }
}

}  // namespace
