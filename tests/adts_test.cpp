// Raw AAC: the ADTS headers, the frame walk over damaged and tagged streams,
// and the stream properties of real files.
#include <gtest/gtest.h>

#include <variant>

#include "songcore/tags/SongFileInfo.h"
#include "songcore/tags/StreamProperties.h"
#include "songcore/tags/StreamText.h"
#include "songcore/tags/aac/AdtsStream.h"
#include "support/TestSupport.h"

using namespace songcore;

namespace {

// One frame header: LC, 44100 Hz, stereo, no CRC, of length bytes.
std::vector<uint8_t> Header(uint32_t length, uint8_t rateIndex = 4, uint8_t blocks = 0) {
    return {0xFF,
            0xF1,
            static_cast<uint8_t>((1 << 6) | (rateIndex << 2) | 0),
            static_cast<uint8_t>((2 << 6) | ((length >> 11) & 0x03)),
            static_cast<uint8_t>(length >> 3),
            static_cast<uint8_t>(((length & 0x07) << 5) | 0x1F),
            static_cast<uint8_t>(0xFC | blocks)};
}

std::vector<uint8_t> Frames(size_t count, uint32_t length) {
    std::vector<uint8_t> bytes;
    for (size_t i = 0; i < count; ++i) {
        std::vector<uint8_t> header = Header(length);
        bytes.insert(bytes.end(), header.begin(), header.end());
        bytes.resize(bytes.size() + length - header.size(), 0x21);
    }
    return bytes;
}

}  // namespace

TEST(Adts, HeadersAreReadAndOddOnesRefused) {
    std::optional<AdtsHeader> header = AdtsHeader::Parse(Header(371, 4, 1));
    ASSERT_TRUE(header);
    EXPECT_EQ(header->profile, 1);
    EXPECT_EQ(header->sampleRate, 44100u);
    EXPECT_EQ(header->channels, 2);
    EXPECT_EQ(header->frameLength, 371u);
    EXPECT_EQ(header->samples, 2048u);

    std::vector<uint8_t> layer = Header(100);
    layer[1] |= 0x02;  // layer 1 is MPEG audio, not ADTS
    std::vector<uint8_t> rate = Header(100, 13);
    std::vector<uint8_t> shortened = Header(100);
    shortened.pop_back();
    std::vector<uint8_t> mpeg = {0xFF, 0xFB, 0x90, 0x64, 0x00, 0x00, 0x00};
    for (const std::vector<uint8_t>& bad : {Header(6), layer, rate, shortened, mpeg}) {
        EXPECT_FALSE(AdtsHeader::Parse(bad));
    }
}

TEST(Adts, TheWalkCountsFramesAndStopsAtWhatIsNotOne) {
    struct Case {
        const char* name;
        std::vector<uint8_t> bytes;
        uint64_t frames;
    };
    std::vector<uint8_t> lead(300, 0x00);
    std::vector<uint8_t> led = lead;
    std::vector<uint8_t> body = Frames(43, 200);
    led.insert(led.end(), body.begin(), body.end());
    std::vector<uint8_t> tagged = Frames(10, 150);
    tagged.insert(tagged.end(), 128, 'T');  // an ID3v1-like tail
    std::vector<uint8_t> cut = Frames(5, 150);
    cut.resize(cut.size() - 20);
    const Case cases[] = {
        {"plain", Frames(43, 200), 43},   {"after junk", led, 43},
        {"before a tag", tagged, 10},     {"last frame cut", cut, 4},
        {"one frame", Frames(1, 300), 1},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.name);
        auto stream = ScanAdts(SpanReader(test.bytes), 0, test.bytes.size());
        ASSERT_TRUE(stream);
        EXPECT_EQ(stream->frames, test.frames);
        EXPECT_EQ(stream->samples, test.frames * 1024);
    }
    EXPECT_NEAR(ScanAdts(SpanReader(Frames(43, 200)), 0, 43 * 200)->LengthSeconds(),
                43 * 1024 / 44100.0, 1e-9);
    std::vector<uint8_t> noise(5000, 0xFF);
    EXPECT_FALSE(ScanAdts(SpanReader(noise), 0, noise.size()));
}

TEST(Adts, RealFilesHaveALengthAndAStreamText) {
    for (const char* sample : {"ape/ape.aac", "id3v2/tagged.aac"}) {
        SCOPED_TRACE(sample);
        CSongFileInfo song;
        ASSERT_TRUE(song.Open(testsupport::DataFile(sample), 1, 0));
        song.GetSongInfo();
        StreamProperties properties = ReadStreamProperties(song);
        const StreamProperty* length = properties.find("length_seconds");
        ASSERT_NE(length, nullptr);
        // 0.3 s of sine, with the encoder's priming frames.
        EXPECT_GT(std::get<double>(length->value), 0.25);
        EXPECT_LT(std::get<double>(length->value), 0.5);
        EXPECT_EQ(std::get<int64_t>(properties.find("sample_rate")->value), 44100);
        EXPECT_EQ(std::get<int64_t>(properties.find("channels")->value), 2);
        std::string text = StreamText(song, 1000);
        EXPECT_NE(text.find("Length: 0:0."), std::string::npos) << text;
        EXPECT_NE(text.find("Profile: AAC LC\nChannels: 2\nSampling rate: 44100Hz\n"),
                  std::string::npos)
            << text;
    }
}
