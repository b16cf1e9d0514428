// The MPEG audio scanner on streams built in memory: header decoding, the
// frame searches and their bounds, navigation, errors.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "songcore/mpeg/MPAException.h"
#include "songcore/mpeg/MPAFile.h"
#include "support/MpegTestSupport.h"
#include "support/TestSupport.h"

using namespace testsupport;

namespace {

// Runs the scanner over bytes; the error id it threw, or -1.
int ScanError(const std::vector<uint8_t>& bytes, uint32_t begin = 0) {
    MemoryFile file(bytes);
    try {
        CMPAFile scanner("memory", begin, file.fd());
    } catch (const CMPAException& e) {
        return e.GetErrorID();
    }
    return -1;
}

uint32_t FirstFrameOffset(const std::vector<uint8_t>& bytes) {
    MemoryFile file(bytes);
    CMPAFile scanner("memory", 0, file.fd());
    return scanner.GetCurrentHeader().GetOffset();
}

}  // namespace

TEST(MpegHeader, DecodesAnMpeg1LayerIIIStream) {
    std::vector<uint8_t> bytes = Frames(kMpeg1Header, kMpeg1FrameSize, 5);
    MemoryFile file(bytes);
    CMPAFile scanner("memory", 0, file.fd());
    const CMPAHeader& header = scanner.GetCurrentHeader();
    EXPECT_EQ(header.GetVersion(), 3u);
    EXPECT_EQ(header.GetLayer(), 2u);
    EXPECT_FALSE(header.IsLSF());
    EXPECT_EQ(header.GetBitrate(), 128000u);
    EXPECT_EQ(header.GetSamplingRate(), 44100u);
    EXPECT_EQ(header.GetFrameSize(), 417u);
    EXPECT_EQ(header.GetRealFrameSize(), 417u);
    EXPECT_EQ(header.GetSamplesPerFrame(), 1152u);
    EXPECT_EQ(header.GetChannelMode(), 1u);
    EXPECT_EQ(header.GetModeExtension(), 2);
    EXPECT_TRUE(header.IsOriginal());
    EXPECT_FALSE(header.IsCopyright());
    EXPECT_FALSE(header.HasCRC());
    EXPECT_EQ(header.GetEmphasis(), 0u);
    EXPECT_FALSE(scanner.IsVBR());
    EXPECT_EQ(scanner.GetBytesPerSecond(), 16000u);
    EXPECT_EQ(scanner.GetBegin(), 0u);
    EXPECT_EQ(scanner.GetEnd(), bytes.size());
}

TEST(MpegHeader, OtherVersionsLayersAndModes) {
    struct Case {
        uint32_t header;
        uint32_t frameSize;
        uint32_t version, layer, bitrate, rate, samples;
        bool mono;
    };
    const Case cases[] = {
        // Layer I, 32 kbit/s, 44.1 kHz, single channel: 48 * 32000 / 44100.
        {0xFFFF10C0, 34, 3, 0, 32000, 44100, 384, true},
        // Layer II, 192 kbit/s, 48 kHz, dual channel (not mono).
        {0xFFFDA484, 576, 3, 1, 192000, 48000, 1152, false},
        // MPEG 2 Layer III, 64 kbit/s, 22.05 kHz, mono: 72 * 64000 / 22050.
        {0xFFF380C0, 208, 2, 2, 64000, 22050, 576, true},
        // MPEG 2.5 Layer III, 16 kbit/s, 8 kHz, with padding and a CRC.
        {0xFFE22AC4, 145, 0, 2, 16000, 8000, 576, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.header);
        MemoryFile file(Frames(c.header, c.frameSize, 4));
        CMPAFile scanner("memory", 0, file.fd());
        const CMPAHeader& header = scanner.GetCurrentHeader();
        EXPECT_EQ(header.GetVersion(), c.version);
        EXPECT_EQ(header.GetLayer(), c.layer);
        EXPECT_EQ(header.GetBitrate(), c.bitrate);
        EXPECT_EQ(header.GetSamplingRate(), c.rate);
        EXPECT_EQ(header.GetSamplesPerFrame(), c.samples);
        EXPECT_EQ(header.GetFrameSize(), c.frameSize);
        EXPECT_EQ(header.IsMono(), c.mono);
        EXPECT_EQ(header.IsLSF(), c.version != 3);
    }
    MemoryFile padded(Frames(0xFFE22AC4, 145, 3));
    EXPECT_EQ(CMPAFile("memory", 0, padded.fd()).GetCurrentHeader().GetPaddingSize(), 1u);
    EXPECT_TRUE(CMPAFile("memory", 0, padded.fd()).GetCurrentHeader().HasCRC());
}

TEST(MpegHeader, ReservedAndFreeFormatValuesAreNeverFrames) {
    const uint32_t invalid[] = {
        0xFFFB0064,  // bit rate index 0, free format
        0xFFFBF064,  // bit rate index 15
        0xFFEB9064,  // version 1, reserved
        0xFFF99064,  // layer bits 00
        0xFFFB9C64,  // sampling rate index 3
        0xFFFB9066,  // emphasis 2, reserved
    };
    for (uint32_t bad : invalid) {
        SCOPED_TRACE(bad);
        // Bad frames first, in a row, where the search would otherwise
        // take them; the good stream follows.
        std::vector<uint8_t> bytes = Frames(bad, kMpeg1FrameSize, 3);
        AppendFrames(bytes, kMpeg1Header, kMpeg1FrameSize, 3);
        EXPECT_EQ(FirstFrameOffset(bytes), 3 * kMpeg1FrameSize);
        EXPECT_EQ(ScanError(Frames(bad, kMpeg1FrameSize, 6)), CMPAException::NoFrame);
    }
}

TEST(MpegHeader, Crc16TableGivesTheStandardCheckValue) {
    uint16_t crc = 0;
    for (char c : std::string("123456789")) {
        crc = (crc >> 8) ^ CMPAHeader::wCRC16Table[(crc ^ static_cast<uint8_t>(c)) & 0xFF];
    }
    EXPECT_EQ(crc, 0xBB3D);
}

TEST(MpegSearch, AFirstFrameNeedsItsSuccessorWhereItsSizeSays) {
    // A lone sync word with nothing after it is skipped.
    std::vector<uint8_t> bytes = Frames(kMpeg1Header, 600, 1);
    AppendFrames(bytes, kMpeg1Header, kMpeg1FrameSize, 3);
    EXPECT_EQ(FirstFrameOffset(bytes), 600u);

    // A successor up to three bytes away is accepted...
    bytes = Frames(kMpeg1Header, kMpeg1FrameSize + 3, 1);
    AppendFrames(bytes, kMpeg1Header, kMpeg1FrameSize, 3);
    {
        MemoryFile file(bytes);
        CMPAFile scanner("memory", 0, file.fd());
        EXPECT_EQ(scanner.GetCurrentHeader().GetOffset(), 0u);
        EXPECT_EQ(scanner.GetCurrentHeader().GetRealFrameSize(), kMpeg1FrameSize + 3);
    }
    bytes = Frames(kMpeg1Header, kMpeg1FrameSize - 3, 1);
    AppendFrames(bytes, kMpeg1Header, kMpeg1FrameSize, 3);
    EXPECT_EQ(FirstFrameOffset(bytes), 0u);
    // ... four bytes away is not: the search goes on to the next frame.
    bytes = Frames(kMpeg1Header, kMpeg1FrameSize + 4, 1);
    AppendFrames(bytes, kMpeg1Header, kMpeg1FrameSize, 3);
    EXPECT_EQ(FirstFrameOffset(bytes), kMpeg1FrameSize + 4);
}

TEST(MpegSearch, TheLastFrameNeedsNoSuccessor) {
    MemoryFile whole(Frames(kMpeg1Header, kMpeg1FrameSize, 1));
    CMPAFile one("memory", 0, whole.fd());
    EXPECT_EQ(one.GetCurrentHeader().GetRealFrameSize(), kMpeg1FrameSize);

    // Cut short, it runs to the end of the data.
    std::vector<uint8_t> bytes = Frames(kMpeg1Header, kMpeg1FrameSize, 1);
    bytes.resize(300);
    MemoryFile cut(bytes);
    CMPAFile partial("memory", 0, cut.fd());
    EXPECT_EQ(partial.GetCurrentHeader().GetRealFrameSize(), 300u);
    EXPECT_EQ(partial.GetEnd(), 300u);
}

TEST(MpegSearch, GivesUpAfterTheSearchRange) {
    std::vector<uint8_t> bytes(CMPAHeader::m_dwMaxRange, 0);
    AppendFrames(bytes, kMpeg1Header, kMpeg1FrameSize, 3);
    EXPECT_EQ(FirstFrameOffset(bytes), CMPAHeader::m_dwMaxRange);

    bytes.insert(bytes.begin(), 0);
    EXPECT_EQ(ScanError(bytes), CMPAException::NoFrame);
}

TEST(MpegSearch, DataWithoutFramesEndsInNoFrame) {
    EXPECT_EQ(ScanError({}), CMPAException::NoFrame);
    EXPECT_EQ(ScanError({0xFF, 0xFB, 0x90}), CMPAException::NoFrame);
    // Sync bits everywhere, but every word decodes to bit rate index 15.
    EXPECT_EQ(ScanError(std::vector<uint8_t>(40000, 0xFF)), CMPAException::NoFrame);
    // A begin beyond the end of the file.
    EXPECT_EQ(ScanError(Frames(kMpeg1Header, kMpeg1FrameSize, 3), 5000), CMPAException::NoFrame);
}

TEST(MpegSearch, BeginAndDataEndLimitWhatIsAudio) {
    // 1000 bytes of a tag in front, frames, and 128 bytes of a tag after
    // them made of sync words that would pass for frames.
    std::vector<uint8_t> bytes(1000, 0);
    AppendFrames(bytes, kMpeg1Header, kMpeg1FrameSize, 6);
    size_t audioEnd = bytes.size();
    for (int i = 0; i < 32; ++i) {
        AppendBigEndian(bytes, kMpeg1Header, 4);
    }
    MemoryFile file(bytes);
    CMPAFile scanner("memory", 1000, file.fd(), audioEnd);
    EXPECT_EQ(scanner.GetBegin(), 1000u);
    EXPECT_EQ(scanner.GetEnd(), audioEnd);
    EXPECT_EQ(scanner.GetCurrentHeader().GetOffset(), 0u);
    ASSERT_EQ(scanner.GetLastFrame(), 1);
    EXPECT_EQ(scanner.GetCurrentHeader().GetOffset(), 5 * kMpeg1FrameSize);
    uint32_t offset = static_cast<uint32_t>(audioEnd - 1000);
    EXPECT_THROW(scanner.ExtractBytes(offset, 1, false), CMPAException);
}

TEST(MpegSearch, NavigatesThroughTheFrames) {
    std::vector<uint8_t> bytes(100, 0);
    AppendFrames(bytes, kMpeg1Header, kMpeg1FrameSize, 4);
    AppendFrames(bytes, kMpeg1Header | 0x200, kMpeg1FrameSize + 1, 1);  // padded
    AppendFrames(bytes, kMpeg1Header, kMpeg1FrameSize, 3);
    MemoryFile file(bytes);
    CMPAFile scanner("memory", 0, file.fd());
    EXPECT_EQ(scanner.GetFrameNumber(), 1u);
    std::vector<uint32_t> offsets{scanner.GetCurrentHeader().GetOffset()};
    for (int i = 0; i < 20 && scanner.GetNextFrame(); ++i) {
        offsets.push_back(scanner.GetCurrentHeader().GetOffset());
    }
    ASSERT_EQ(offsets.size(), 8u);
    EXPECT_EQ(offsets[0], 100u);
    EXPECT_EQ(offsets[5], 100 + 5 * kMpeg1FrameSize + 1);
    EXPECT_EQ(offsets[7], 100 + 7 * kMpeg1FrameSize + 1);
    EXPECT_EQ(scanner.GetFrameNumber(), 8u);

    ASSERT_EQ(scanner.GetPrevFrame(), 1);
    EXPECT_EQ(scanner.GetCurrentHeader().GetOffset(), offsets[6]);
    EXPECT_EQ(scanner.GetFrameNumber(), 7u);
    ASSERT_EQ(scanner.GetLastFrame(), 1);
    EXPECT_EQ(scanner.GetCurrentHeader().GetOffset(), offsets[7]);
    EXPECT_EQ(scanner.GetFrameNumber(), 0u);
    ASSERT_EQ(scanner.GetFirstFrame(), 1);
    EXPECT_EQ(scanner.GetCurrentHeader().GetOffset(), 100u);
    EXPECT_EQ(scanner.GetFrameNumber(), 1u);
    EXPECT_EQ(scanner.GetPrevFrame(), 0);  // nothing before the first frame
    EXPECT_EQ(scanner.GetCurrentHeader().GetOffset(), 100u);
}

TEST(MpegSearch, LongStreamsAreReadThroughABoundedBuffer) {
    // 3 MB of frames: walking them all must neither stall nor hold them.
    std::vector<uint8_t> bytes = Frames(kMpeg1Header, kMpeg1FrameSize, 7500);
    MemoryFile file(bytes);
    CMPAFile scanner("memory", 0, file.fd());
    int frames = 1;
    while (frames < 10000 && scanner.GetNextFrame()) {
        ++frames;
    }
    EXPECT_EQ(frames, 7500);
    ASSERT_EQ(scanner.GetFirstFrame(), 1);
    ASSERT_EQ(scanner.GetLastFrame(), 1);
    EXPECT_EQ(scanner.GetCurrentHeader().GetOffset(), 7499 * kMpeg1FrameSize);
}

TEST(MpegFile, ReadsBigEndianBytesAndStopsAtTheEnd) {
    MemoryFile file(Frames(kMpeg1Header, kMpeg1FrameSize, 2));
    CMPAFile scanner("memory", 0, file.fd());
    uint32_t offset = 0;
    EXPECT_EQ(scanner.ExtractBytes(offset, 2, true), 0xFFFBu);
    EXPECT_EQ(offset, 2u);
    EXPECT_EQ(scanner.ExtractBytes(offset, 2, false), 0x9064u);
    EXPECT_EQ(offset, 2u);
    offset = 2 * kMpeg1FrameSize - 2;
    try {
        scanner.ExtractBytes(offset, 4, true);
        FAIL() << "read past the data";
    } catch (const CMPAException& e) {
        EXPECT_EQ(e.GetErrorID(), CMPAException::EndOfBuffer);
    }
    EXPECT_EQ(offset, 2 * kMpeg1FrameSize - 2);
}

TEST(MpegFile, LeavesAGivenDescriptorOpen) {
    MemoryFile file(Frames(kMpeg1Header, kMpeg1FrameSize, 3));
    { CMPAFile scanner("memory", 0, file.fd()); }
    EXPECT_NE(::fcntl(file.fd(), F_GETFD), -1);
}

TEST(MpegFile, SpecialFilesEndWithoutAFrame) {
    TempDir dir;
    std::string fifo = dir.file("pipe.mp3");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    for (const std::string& path : {fifo, dir.path()}) {
        try {
            CMPAFile scanner(path);
            FAIL() << path;
        } catch (const CMPAException& e) {
            EXPECT_EQ(e.GetErrorID(), CMPAException::NoFrame) << path;
        }
    }
}

TEST(MpegException, ComposesItsTextForTheMessageHook) {
    std::string shown, caption;
    CMPAException::SetMessageHook([&](const std::string& text, const std::string& title) {
        shown = text;
        caption = title;
    });
    try {
        CMPAFile scanner("/nonexistent/song.mp3");
        FAIL();
    } catch (const CMPAException& e) {
        EXPECT_EQ(e.GetErrorID(), CMPAException::ErrOpenFile);
        e.ShowError();
    }
    EXPECT_EQ(shown,
              "CreateFile: '/nonexistent/song.mp3'\nCan't open the file.\n"
              "No such file or directory");
    EXPECT_EQ(caption, "Error");

    CMPAException(CMPAException::NoFrameInTolerance).ShowError();
    EXPECT_EQ(shown, "No subsequent frame found within tolerance range.");
    CMPAException(CMPAException::NoVBRHeader, "a.mp3").ShowError();
    EXPECT_EQ(shown, "'a.mp3'\nNo VBR Header found.");

    // At most 255 bytes, not cut inside a character.
    std::string name;
    for (int i = 0; i < 200; ++i) {
        name += "\xC3\xA9";
    }
    CMPAException(CMPAException::ErrReadFile, name, "ReadFile").ShowError();
    EXPECT_LE(shown.size(), 255u);
    EXPECT_EQ(shown.rfind("ReadFile: '\xC3\xA9", 0), 0u);
    EXPECT_NE(static_cast<unsigned char>(shown.back()), 0xC3);

    CMPAException::SetMessageHook(nullptr);
    shown.clear();
    CMPAException(CMPAException::NoFrame).ShowError();
    EXPECT_EQ(shown, "");
}
