// The MPEG audio scanner on real files made by lame, ffmpeg and mutagen,
// checked against ffprobe and mutagen, and through tunemoss.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "songcore/mpeg/MPAException.h"
#include "songcore/mpeg/MPAFile.h"
#include "songcore/mpeg/MpegStreamInfo.h"
#include "songcore/tags/SongFileInfo.h"
#include "songcore/tags/StreamProperties.h"
#include "songcore/tags/TagExtents.h"
#include "support/TestSupport.h"

using namespace testsupport;

namespace {

const char* const kAudioFiles[] = {
    "cbr.mp3",      "joint.mp3",    "mono.mp3",      "info.mp3",
    "vbr.mp3",      "vbr_mono.mp3", "mpeg2.mp3",     "mpeg2_mono_vbr.mp3",
    "mpeg25.mp3",   "flags.mp3",    "layer2.mp2",    "id3v2_picture.mp3",
    "tags_end.mp3", "vbri.mp3",     "truncated.mp3", "ffmpeg_low_rate.mp3",
};

std::string Sample(const std::string& name) {
    return DataFile("mpeg/" + name);
}

songcore::StreamProperties Properties(const std::string& path) {
    CSongFileInfo info;
    EXPECT_TRUE(info.Open(path, 1, 0)) << path;
    return songcore::ReadStreamProperties(info);
}

template <typename T>
T Value(const songcore::StreamProperties& properties, const std::string& key) {
    const songcore::StreamProperty* item = properties.find(key);
    if (item == nullptr || !std::holds_alternative<T>(item->value)) {
        ADD_FAILURE() << "no " << key;
        return T{};
    }
    return std::get<T>(item->value);
}

std::map<std::string, std::string> FfprobeValues(const std::string& path) {
    RunResult run =
        Run({"ffprobe", "-v", "error", "-select_streams", "a:0", "-show_entries",
             "stream=sample_rate,channels,bit_rate:format=duration", "-of", "default=nw=1", path});
    std::map<std::string, std::string> values;
    std::istringstream lines(run.out);
    std::string line;
    while (std::getline(lines, line)) {
        size_t equals = line.find('=');
        if (equals != std::string::npos) {
            values[line.substr(0, equals)] = line.substr(equals + 1);
        }
    }
    return values;
}

struct Mutagen {
    double length = 0;
    int bitrate = 0;
    int sampleRate = 0;
    int mode = 0;
};

// One run of Python for all files.
std::map<std::string, Mutagen> MutagenValues(const std::vector<std::string>& paths) {
    RunResult run = RunPython(
        "import sys\n"
        "from mutagen.mp3 import MP3\n"
        "for path in sys.argv[1:]:\n"
        "    i = MP3(path).info\n"
        "    print(path, i.length, i.bitrate, i.sample_rate, i.mode)\n",
        paths);
    std::map<std::string, Mutagen> values;
    std::istringstream lines(run.out);
    std::string path;
    Mutagen info;
    while (lines >> path >> info.length >> info.bitrate >> info.sampleRate >> info.mode) {
        values[path] = info;
    }
    return values;
}

std::unique_ptr<CMPAFile> ScanLikeTheLibrary(const std::string& path) {
    CSongFile song;
    EXPECT_TRUE(song.Open(path, CSongFile::modeRead));
    songcore::TagExtents extents;
    EXPECT_TRUE(songcore::FindTagExtents(song, extents));
    return std::make_unique<CMPAFile>(path, static_cast<uint32_t>(extents.audioBegin()),
                                      CMPAFile::kInvalidHandle, extents.audioEnd());
}

}  // namespace

TEST(MpegFiles, AgreeWithFfprobeAndMutagen) {
    std::vector<std::string> paths;
    for (const char* name : kAudioFiles) {
        paths.push_back(Sample(name));
    }
    std::map<std::string, Mutagen> mutagen;
    if (HaveMutagen()) {
        mutagen = MutagenValues(paths);
        EXPECT_EQ(mutagen.size(), paths.size());
    }
    for (const char* name : kAudioFiles) {
        SCOPED_TRACE(name);
        std::string path = Sample(name);
        songcore::StreamProperties properties = Properties(path);
        ASSERT_FALSE(properties.empty());
        double length = Value<double>(properties, "length_seconds");
        int64_t rate = Value<int64_t>(properties, "sample_rate");
        int64_t kbps = Value<int64_t>(properties, "bitrate_kbps");
        bool vbr = Value<bool>(properties, "vbr");
        std::string mode = Value<std::string>(properties, "channel_mode");

        std::map<std::string, std::string> probe = FfprobeValues(path);
        ASSERT_TRUE(probe.count("duration"));
        // Within a few frames: a length read from the wrong frame is off by far more.
        double duration = std::stod(probe["duration"]);
        EXPECT_NEAR(length, duration, std::max(0.1, duration * 0.05));
        EXPECT_EQ(rate, std::stol(probe["sample_rate"]));
        EXPECT_EQ(probe["channels"], mode == "Single Channel" ? "1" : "2");
        double probeKbps = std::stod(probe["bit_rate"]) / 1000;
        if (vbr) {
            EXPECT_NEAR(kbps, probeKbps, probeKbps * 0.1);
        } else {
            EXPECT_EQ(kbps, std::lround(probeKbps));
        }

        if (mutagen.count(path)) {
            const Mutagen& peer = mutagen[path];
            EXPECT_NEAR(length, peer.length, 1.0);
            EXPECT_EQ(rate, peer.sampleRate);
            EXPECT_EQ(mode, CMPAHeader::m_szChannelModes[peer.mode & 3]);
            if (vbr) {
                EXPECT_NEAR(kbps, peer.bitrate / 1000.0, peer.bitrate / 1000.0 * 0.15);
            } else {
                EXPECT_EQ(kbps, std::lround(peer.bitrate / 1000.0));
            }
        }
    }
}

// A stream's Xing or Info header is believed in the stream's first frame,
// even when the audio was cut short (as ffprobe, mutagen and TagLib show
// it), and not in a frame found after other bytes (as ffprobe skips it).
TEST(MpegFiles, TheFirstFramesHeaderGivesTheLengthUnlessJunkComesFirst) {
    TempDir dir;
    // lame's constant-rate file, its "Info" header then claiming 72243
    // frames (about 1887 s) for 9 KB of audio; and lame's variable-rate
    // file cut to 3000 bytes.
    std::vector<uint8_t> stale = ReadFileBytes(Sample("info.mp3"));
    auto at = std::search(stale.begin(), stale.end(), std::begin("Info"), std::end("Info") - 1);
    ASSERT_NE(at, stale.end());
    size_t count = static_cast<size_t>(at - stale.begin()) + 8;
    ASSERT_EQ(stale[count - 1] & 0x01, 0x01) << "the header has a frame count";
    for (int i = 0; i < 4; ++i) {
        stale[count + i] = static_cast<uint8_t>(72243u >> (24 - 8 * i));
    }
    std::vector<uint8_t> cut = ReadFileBytes(Sample("vbr.mp3"));
    cut.resize(3000);
    struct Case {
        const char* name;
        const std::vector<uint8_t>& audio;
        size_t junk;
        uint8_t junkByte;
        double within;  // of ffprobe's length; a variable rate is estimated
    };
    const Case cases[] = {{"stale_info.mp3", stale, 0, 0, 0.01},
                          {"cut_xing.mp3", cut, 0, 0, 0.01},
                          {"junk_info.mp3", stale, 700, 0x11, 0.01},
                          {"junk_xing.mp3", cut, 700, 0x11, 0.1},
                          {"padded_info.mp3", stale, 1, 0, 0.01}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<uint8_t> bytes(c.junk, c.junkByte);
        bytes.insert(bytes.end(), c.audio.begin(), c.audio.end());
        std::string path = dir.file(c.name);
        WriteFileBytes(path, bytes);
        double length = Value<double>(Properties(path), "length_seconds");
        std::map<std::string, std::string> probe = FfprobeValues(path);
        ASSERT_TRUE(probe.count("duration"));
        double duration = std::stod(probe["duration"]);
        EXPECT_NEAR(length, duration, duration * c.within);
        EXPECT_EQ(length > 100, &c.audio == &stale && c.junk == 0);
    }
}

TEST(MpegFiles, FindTheirKindOfVbrHeader) {
    struct Case {
        const char* name;
        CVBRHeader::VBRHeaderType type;
        bool info;
        uint32_t identifierOffset;  // into the frame
    };
    const Case cases[] = {
        {"vbr.mp3", CVBRHeader::XINGHeader, false, 36},
        {"vbr_mono.mp3", CVBRHeader::XINGHeader, false, 21},
        {"mpeg2_mono_vbr.mp3", CVBRHeader::XINGHeader, false, 13},
        {"info.mp3", CVBRHeader::XINGHeader, true, 36},
        {"mpeg2.mp3", CVBRHeader::XINGHeader, true, 21},
        {"vbri.mp3", CVBRHeader::VBRIHeader, false, 36},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto mpa = ScanLikeTheLibrary(Sample(c.name));
        ASSERT_TRUE(mpa->IsVBR());
        const CVBRHeader* vbr = mpa->GetVBRHeader();
        ASSERT_NE(vbr, nullptr);
        EXPECT_EQ(vbr->GetHeaderType(), c.type);
        EXPECT_EQ(vbr->IsInfo(), c.info);
        EXPECT_EQ(vbr->GetOffset() - mpa->GetCurrentHeader().GetOffset(), c.identifierOffset);
        EXPECT_EQ(mpa->GetEnd() - mpa->GetBegin(), vbr->GetBytes());
    }
    auto vbri = ScanLikeTheLibrary(Sample("vbri.mp3"));
    EXPECT_EQ(vbri->GetVBRHeader()->GetFrames(), 22u);
    EXPECT_EQ(vbri->GetVBRHeader()->GetTableSize(), 10u);
    for (const char* plain : {"cbr.mp3", "layer2.mp2", "mpeg25.mp3"}) {
        EXPECT_FALSE(ScanLikeTheLibrary(Sample(plain))->IsVBR()) << plain;
    }
}

TEST(MpegFiles, TagsAroundTheAudioAreNotAudio) {
    // The picture makes the ID3v2 tag larger than the frame search range:
    // scanned from the start of the file, no frame is found at all.
    std::string picture = Sample("id3v2_picture.mp3");
    try {
        CMPAFile fromStart(picture);
        FAIL() << "a frame inside the tag";
    } catch (const CMPAException& e) {
        EXPECT_EQ(e.GetErrorID(), CMPAException::NoFrame);
    }
    auto mpa = ScanLikeTheLibrary(picture);
    EXPECT_GT(mpa->GetBegin(), 24u * 1024);
    EXPECT_EQ(mpa->GetCurrentHeader().GetOffset(), 0u);
    uint64_t audio = ReadFileBytes(Sample("cbr.mp3")).size();
    EXPECT_EQ(mpa->GetEnd() - mpa->GetBegin(), audio);

    auto tagged = ScanLikeTheLibrary(Sample("tags_end.mp3"));
    EXPECT_EQ(tagged->GetBegin(), 0u);
    EXPECT_EQ(tagged->GetEnd(), audio);
    EXPECT_EQ(tagged->GetLastFrame(), 1);
    EXPECT_LT(tagged->GetCurrentHeader().GetOffset(), audio);
}

TEST(MpegFiles, HeaderFlagsAndEmphasis) {
    songcore::StreamProperties flags = Properties(Sample("flags.mp3"));
    EXPECT_TRUE(Value<bool>(flags, "copyright"));
    EXPECT_TRUE(Value<bool>(flags, "crc"));
    EXPECT_FALSE(Value<bool>(flags, "original"));
    EXPECT_FALSE(Value<bool>(flags, "private"));
    EXPECT_EQ(Value<std::string>(flags, "emphasis"), "50/15ms");
    songcore::StreamProperties plain = Properties(Sample("cbr.mp3"));
    EXPECT_TRUE(Value<bool>(plain, "original"));
    EXPECT_EQ(Value<std::string>(plain, "emphasis"), "None");
    EXPECT_EQ(Value<std::string>(plain, "mpeg_version"), "MPEG 1");
    EXPECT_EQ(Value<std::string>(Properties(Sample("mpeg25.mp3")), "mpeg_version"), "MPEG 2.5");
    EXPECT_EQ(Value<std::string>(Properties(Sample("layer2.mp2")), "layer"), "Layer II");
}

TEST(MpegFiles, TheDialogText) {
    EXPECT_EQ(songcore::MpegStreamText(Sample("flags.mp3")),
              "File size: 4388 bytes\r\nLength: 0 seconds\r\nMPEG 1 Layer III\r\n"
              "Quality: 64kbps\r\nSampling rate: 44100Hz Single Channel\r\nCopyright: Yes\r\n"
              "CRCs: Yes\r\nPrivate: No\r\nOriginal: No\r\nEmphasis: 50/15ms");
    std::string vbr = songcore::MpegStreamText(Sample("vbr.mp3"));
    EXPECT_NE(vbr.find("\r\nLength: 1 seconds\r\nMPEG 1 Layer III\r\n"), std::string::npos) << vbr;
    EXPECT_EQ(songcore::MpegStreamText(Sample("garbage.mp3")), "");
    EXPECT_EQ(songcore::MpegStreamText(Sample("missing.mp3")), "");
}

TEST(MpegFiles, NotMpegAudioHasNoStreamProperties) {
    EXPECT_TRUE(Properties(Sample("garbage.mp3")).empty());
    songcore::StreamProperties truncated = Properties(Sample("truncated.mp3"));
    EXPECT_EQ(Value<int64_t>(truncated, "frames"), 2);
}

TEST(MpegFiles, TunemossShowsTheStream) {
    RunResult text = RunTunemoss({"show", Sample("vbr.mp3")});
    EXPECT_EQ(text.status, 0) << text.err;
    EXPECT_NE(text.out.find("    channel_mode: Joint Stereo\n"), std::string::npos) << text.out;
    EXPECT_NE(text.out.find("    vbr: yes\n"), std::string::npos) << text.out;

    RunResult json = RunTunemoss({"show", "--json", Sample("mpeg25.mp3"), Sample("garbage.mp3")});
    // garbage.mp3 holds no MPEG frame: shown with a null stream, and failed.
    EXPECT_EQ(json.status, 1) << json.err;
    RunResult parsed = RunPython(
        "import json, sys\n"
        "for line in sys.argv[1].splitlines():\n"
        "    s = json.loads(line)['stream']\n"
        "    print(s and ' '.join(str(s[k]) for k in ('mpeg_version', 'layer', 'bitrate_kbps',\n"
        "        'sample_rate', 'channel_mode', 'vbr', 'frames', 'emphasis')))\n",
        {json.out});
    EXPECT_EQ(parsed.out,
              "MPEG 2.5 Layer III 16 8000 Single Channel False 9 None\n"
              "None\n");
}
