// XING, "Info" and VBRI headers in the first frame of a stream, built in
// memory, and the seek points they give.
#include <gtest/gtest.h>

#include <vector>

#include "songcore/mpeg/MPAException.h"
#include "songcore/mpeg/MPAFile.h"
#include "support/MpegTestSupport.h"

using namespace testsupport;

namespace {

// The header frame followed by a few plain frames.
std::vector<uint8_t> StreamWith(const std::vector<uint8_t>& body, int frames = 3) {
    std::vector<uint8_t> bytes = Mpeg1FrameWith(body);
    AppendFrames(bytes, kMpeg1Header, kMpeg1FrameSize, frames);
    return bytes;
}

std::vector<uint8_t> Ramp() {
    std::vector<uint8_t> table(100);
    for (int i = 0; i < 100; ++i) {
        table[i] = static_cast<uint8_t>(i * 2);
    }
    return table;
}

}  // namespace

TEST(MpegXing, ReadsEveryFieldAndAveragesTheRate) {
    XingFields fields;
    fields.frames = 383;  // 10.005 s at 44.1 kHz
    fields.bytes = 160000;
    fields.table = Ramp();
    fields.quality = 57;
    MemoryFile plain(StreamWith(XingBody(fields)));
    CMPAFile mpa("memory", 0, plain.fd());
    ASSERT_TRUE(mpa.IsVBR());
    const CVBRHeader* vbr = mpa.GetVBRHeader();
    ASSERT_NE(vbr, nullptr);
    EXPECT_EQ(vbr->GetHeaderType(), CVBRHeader::XINGHeader);
    EXPECT_FALSE(vbr->IsInfo());
    EXPECT_EQ(vbr->GetOffset(), 36u);
    EXPECT_EQ(vbr->GetFrames(), 383u);
    EXPECT_EQ(vbr->GetBytes(), 160000u);
    EXPECT_EQ(vbr->GetQuality(), 57);
    ASSERT_EQ(vbr->GetTable().size(), 100u);
    EXPECT_EQ(vbr->GetTable()[99], 198u);
    // 160000 bytes over 383 * 1152 / 44100 seconds.
    EXPECT_EQ(mpa.GetBytesPerSecond(), 15992u);
    EXPECT_EQ(mpa.GetEnd(), 160000u);
}

TEST(MpegXing, InfoIsReadLikeXing) {
    XingFields fields;
    fields.id = "Info";
    fields.flags = 0x03;
    fields.frames = 100;
    fields.bytes = 41700;
    MemoryFile file(StreamWith(XingBody(fields), 99));
    CMPAFile mpa("memory", 0, file.fd());
    ASSERT_NE(mpa.GetVBRHeader(), nullptr);
    EXPECT_TRUE(mpa.GetVBRHeader()->IsInfo());
    EXPECT_EQ(mpa.GetVBRHeader()->GetQuality(), -1);
    EXPECT_TRUE(mpa.GetVBRHeader()->GetTable().empty());
    uint32_t point = 0;
    EXPECT_EQ(mpa.GetVBRHeader()->SeekPoint(50, point), 0);  // no table
}

TEST(MpegXing, AHeaderInTheFirstFrameIsBelievedOneAfterOtherBytesIsNot) {
    // 20 frames of 417 bytes, claimed to be 72243 (about 1887 s): a file
    // cut short keeps the length its header gives, as other readers show it.
    XingFields fields;
    fields.id = "Info";
    fields.flags = 0x03;
    fields.frames = 72243;
    fields.bytes = 72243 * kMpeg1FrameSize;
    MemoryFile info(StreamWith(XingBody(fields), 19));
    CMPAFile cut("memory", 0, info.fd());
    ASSERT_NE(cut.GetVBRHeader(), nullptr);
    EXPECT_EQ(cut.GetVBRHeader()->GetFrames(), 72243u);
    EXPECT_EQ(cut.GetEnd(), 72243 * kMpeg1FrameSize);

    // The same frames after a few other bytes: the data gives the length.
    std::vector<uint8_t> junk(3, 0x00);
    std::vector<uint8_t> stream = StreamWith(XingBody(fields), 19);
    junk.insert(junk.end(), stream.begin(), stream.end());
    MemoryFile late(junk);
    CMPAFile data("memory", 0, late.fd());
    EXPECT_EQ(data.GetVBRHeader(), nullptr);
    EXPECT_NEAR(data.GetBytesPerSecond(), 16000u, 160u);  // the frames' own mean
    EXPECT_EQ(data.GetEnd(), 3 + 20 * kMpeg1FrameSize);
}

TEST(MpegXing, HeadersWithoutUsableCountsAreIgnored) {
    XingFields none;
    none.flags = 0;
    XingFields framesOnly;
    framesOnly.flags = 0x01;
    framesOnly.frames = 100;
    XingFields tooFewBytes;  // averages to nothing per second
    tooFewBytes.flags = 0x03;
    tooFewBytes.frames = 1000000;
    tooFewBytes.bytes = 1;
    XingFields cutShort;  // announces a table that the file does not hold
    cutShort.flags = 0x07;
    cutShort.frames = 100;
    cutShort.bytes = 41800;
    std::vector<uint8_t> cut = XingBody(cutShort);
    cut.resize(40);
    for (const auto& body : {XingBody(none), XingBody(framesOnly), XingBody(tooFewBytes)}) {
        MemoryFile file(StreamWith(body));
        CMPAFile mpa("memory", 0, file.fd());
        EXPECT_FALSE(mpa.IsVBR());
        EXPECT_EQ(mpa.GetVBRHeader(), nullptr);
        EXPECT_EQ(mpa.GetBytesPerSecond(), 16000u);
        EXPECT_EQ(mpa.GetEnd(), 4 * kMpeg1FrameSize);
    }
    std::vector<uint8_t> bytes = Mpeg1FrameWith(cut);
    bytes.resize(36 + 40);
    MemoryFile file(bytes);
    CMPAFile mpa("memory", 0, file.fd());
    EXPECT_FALSE(mpa.IsVBR());
}

TEST(MpegXing, SongsUnderASecondKeepTheirHeader) {
    XingFields fields;
    fields.flags = 0x03;
    fields.frames = 20;  // 0.52 s
    fields.bytes = 8000;
    MemoryFile file(StreamWith(XingBody(fields)));
    CMPAFile mpa("memory", 0, file.fd());
    ASSERT_TRUE(mpa.IsVBR());
    EXPECT_EQ(mpa.GetBytesPerSecond(), 8000u * 44100 / (20 * 1152));
}

TEST(MpegXing, MonoMpeg2HasItsIdentifierAt13) {
    // MPEG 2 Layer III, 64 kbit/s, 22.05 kHz, mono: 208-byte frames.
    std::vector<uint8_t> bytes = Frames(0xFFF380C0, 208, 4);
    XingFields fields;
    fields.flags = 0x03;
    fields.frames = 4;
    fields.bytes = 832;
    std::vector<uint8_t> body = XingBody(fields);
    std::copy(body.begin(), body.end(), bytes.begin() + 13);
    MemoryFile file(bytes);
    CMPAFile mpa("memory", 0, file.fd());
    ASSERT_NE(mpa.GetVBRHeader(), nullptr);
    EXPECT_EQ(mpa.GetVBRHeader()->GetOffset(), 13u);
}

TEST(MpegXing, SeekPointsFollowTheTable) {
    XingFields fields;
    fields.frames = 383;
    fields.bytes = 100000;
    fields.table = Ramp();
    MemoryFile file(StreamWith(XingBody(fields)));
    CMPAFile mpa("memory", 0, file.fd());
    const CVBRHeader* vbr = mpa.GetVBRHeader();
    ASSERT_NE(vbr, nullptr);
    uint32_t point = 1;
    ASSERT_EQ(vbr->SeekPoint(-5, point), 1);
    EXPECT_EQ(point, 0u);
    ASSERT_EQ(vbr->SeekPoint(50, point), 1);
    EXPECT_EQ(point, 100u * 100000 / 256);
    ASSERT_EQ(vbr->SeekPoint(50.5f, point), 1);
    EXPECT_EQ(point, 101u * 100000 / 256);
    ASSERT_EQ(vbr->SeekPoint(100, point), 1);
    EXPECT_EQ(point, 100000u);
    ASSERT_EQ(vbr->SeekPoint(150, point), 1);
    EXPECT_EQ(point, 100000u);
}

TEST(MpegVbri, ReadsTheHeaderAndItsTable) {
    VbriFields fields;
    fields.frames = 383;  // 10 whole seconds
    fields.bytes = 100000;
    fields.storedEntries = 99;
    fields.framesPerEntry = 4;
    fields.table.assign(100, 1000);
    MemoryFile file(StreamWith(VbriBody(fields)));
    CMPAFile mpa("memory", 0, file.fd());
    ASSERT_TRUE(mpa.IsVBR());
    const CVBRHeader* vbr = mpa.GetVBRHeader();
    ASSERT_NE(vbr, nullptr);
    EXPECT_EQ(vbr->GetHeaderType(), CVBRHeader::VBRIHeader);
    EXPECT_EQ(vbr->GetOffset(), 36u);
    EXPECT_EQ(vbr->GetVersion(), 1u);
    EXPECT_FLOAT_EQ(vbr->GetDelay(), 1105.0f);
    EXPECT_EQ(vbr->GetQuality(), 75);
    EXPECT_EQ(vbr->GetTableSize(), 100u);
    EXPECT_EQ(vbr->GetTable().size(), 100u);
    EXPECT_EQ(vbr->GetFramesPerEntry(), 4u);
    EXPECT_EQ(mpa.GetEnd(), 100000u);

    uint32_t point = 1;
    ASSERT_EQ(vbr->SeekPoint(45, point), 1);
    EXPECT_EQ(point, 45000u);
    ASSERT_EQ(vbr->SeekPoint(100, point), 1);
    EXPECT_EQ(point, 100000u);
    ASSERT_EQ(vbr->SeekPoint(0, point), 1);
    EXPECT_EQ(point, 0u);
}

TEST(MpegVbri, TableEntriesCountInUnitsOfTheScale) {
    VbriFields fields;
    fields.frames = 383;
    fields.bytes = 100000;
    fields.storedEntries = 99;
    fields.framesPerEntry = 4;
    fields.scale = 2;
    fields.table.assign(100, 500);
    MemoryFile file(StreamWith(VbriBody(fields)));
    CMPAFile mpa("memory", 0, file.fd());
    ASSERT_NE(mpa.GetVBRHeader(), nullptr);
    EXPECT_EQ(mpa.GetVBRHeader()->GetTable()[0], 500u);  // kept as stored
    uint32_t point = 0;
    ASSERT_EQ(mpa.GetVBRHeader()->SeekPoint(45, point), 1);
    EXPECT_EQ(point, 45000u);
}

TEST(MpegVbri, OddTablesCostTheSeekPointsOrTheHeader) {
    // Entries six bytes wide: the counts hold, seek points do not.
    VbriFields wide;
    wide.frames = 383;
    wide.bytes = 100000;
    wide.bytesPerEntry = 6;
    wide.framesPerEntry = 4;
    MemoryFile wideFile(StreamWith(VbriBody(wide)));
    CMPAFile wideMpa("memory", 0, wideFile.fd());
    ASSERT_NE(wideMpa.GetVBRHeader(), nullptr);
    uint32_t point = 0;
    EXPECT_EQ(wideMpa.GetVBRHeader()->SeekPoint(50, point), 0);

    // No frames per entry: nothing to divide by.
    VbriFields flat = wide;
    flat.bytesPerEntry = 2;
    flat.framesPerEntry = 0;
    flat.table.assign(1, 1000);
    MemoryFile flatFile(StreamWith(VbriBody(flat)));
    CMPAFile flatMpa("memory", 0, flatFile.fd());
    ASSERT_NE(flatMpa.GetVBRHeader(), nullptr);
    EXPECT_EQ(flatMpa.GetVBRHeader()->SeekPoint(50, point), 0);

    // 65536 entries announced, far more than the file holds: no allocation
    // of that size and no VBR header.
    VbriFields huge = flat;
    huge.storedEntries = 0xFFFF;
    huge.bytesPerEntry = 4;
    MemoryFile hugeFile(StreamWith(VbriBody(huge)));
    CMPAFile hugeMpa("memory", 0, hugeFile.fd());
    EXPECT_FALSE(hugeMpa.IsVBR());
    EXPECT_EQ(hugeMpa.GetBytesPerSecond(), 16000u);
}
