// Stream properties of MPEG audio songs, from the frame scanner.
#include <cmath>
#include <cstdio>

#include "songcore/mpeg/MPAException.h"
#include "songcore/mpeg/MPAFile.h"
#include "songcore/mpeg/MpegStreamInfo.h"
#include "songcore/tags/SongFileInfo.h"
#include "songcore/tags/StreamProperties.h"
#include "songcore/tags/TagExtents.h"

namespace songcore {

namespace {

const char* YesNo(bool value) {
    return value ? "Yes" : "No";
}

}  // namespace

double MpegStreamInfo::LengthSeconds() const {
    // A VBR header's frame count gives the length exactly; its mean rate is
    // rounded to whole bytes, which a stream cut short far below its count
    // would turn into a large error.
    if (vbrFrames != 0 && samplingRate != 0 && samplesPerFrame != 0) {
        return static_cast<double>(vbrFrames) * samplesPerFrame / samplingRate;
    }
    return bytesPerSecond == 0 ? 0.0 : static_cast<double>(audioSize) / bytesPerSecond;
}

uint32_t MpegStreamInfo::BitrateKbps() const {
    if (variableBitrate) {
        return static_cast<uint32_t>(std::lround(bytesPerSecond * 8.0 / 1000.0));
    }
    return bitrate / 1000;
}

uint32_t MpegStreamInfo::Frames() const {
    if (vbrFrames != 0) {
        return vbrFrames;
    }
    double frameSeconds =
        samplingRate == 0 ? 0.0 : static_cast<double>(samplesPerFrame) / samplingRate;
    return frameSeconds == 0 ? 0
                             : static_cast<uint32_t>(std::lround(LengthSeconds() / frameSeconds));
}

bool ScanMpegStream(CSongFile& song, MpegStreamInfo& out) {
    if (!(song.GetSongType() & SONG_TYPE_LOCAL) || !song.IsOpen()) {
        return false;
    }
    TagExtents extents;
    if (!FindTagExtents(song, extents) || extents.audioBegin() > UINT32_MAX) {
        return false;
    }
    try {
        // Through the song's own descriptor: the path may name another file
        // by now, and a second open costs as much as the scan.
        CMPAFile file(song.GetFileName(), static_cast<uint32_t>(extents.audioBegin()),
                      song.LocalDescriptor(), extents.audioEnd());
        const CMPAHeader& header = file.GetCurrentHeader();
        out = MpegStreamInfo{};
        // Bytes before the first frame (junk, stray padding) are not audio.
        uint64_t span = file.GetEnd() - file.GetBegin();
        out.audioSize = file.GetVBRHeader() != nullptr || header.GetOffset() > span
                            ? span
                            : span - header.GetOffset();
        out.bytesPerSecond = file.GetBytesPerSecond();
        out.version = header.GetVersion();
        out.layer = header.GetLayer();
        out.channelMode = header.GetChannelMode();
        out.emphasis = header.GetEmphasis();
        out.bitrate = file.GetAudioBitrate();
        out.samplingRate = header.GetSamplingRate();
        out.samplesPerFrame = header.GetSamplesPerFrame();
        out.copyright = header.IsCopyright();
        out.crc = header.HasCRC();
        out.privateBit = header.IsPrivate();
        out.original = header.IsOriginal();
        if (const CVBRHeader* vbr = file.GetVBRHeader()) {
            out.vbrHeader = true;
            out.variableBitrate = !vbr->IsInfo();
            out.vbrFrames = vbr->GetFrames();
        }
    } catch (const CMPAException&) {
        return false;
    }
    return true;
}

std::string FormatMpegStreamText(const MpegStreamInfo& info) {
    char text[512];
    std::snprintf(
        text, sizeof text,
        "File size: %ld bytes\r\nLength: %d seconds\r\n%s %s\r\nQuality: %dkbps\r\n"
        "Sampling rate: %dHz %s\r\nCopyright: %s\r\nCRCs: %s\r\nPrivate: %s\r\n"
        "Original: %s\r\nEmphasis: %s",
        static_cast<long>(info.audioSize),
        static_cast<int>(info.bytesPerSecond == 0 ? 0 : info.audioSize / info.bytesPerSecond),
        CMPAHeader::m_szMPEGVersions[info.version & 3], CMPAHeader::m_szLayers[info.layer % 3],
        static_cast<int>(info.bitrate / 1000), static_cast<int>(info.samplingRate),
        CMPAHeader::m_szChannelModes[info.channelMode & 3], YesNo(info.copyright), YesNo(info.crc),
        YesNo(info.privateBit), YesNo(info.original), CMPAHeader::m_szEmphasis[info.emphasis & 3]);
    return text;
}

std::string MpegStreamText(const std::string& path) {
    CSongFile song;
    MpegStreamInfo info;
    if (!song.Open(path, CSongFile::modeRead | CSongFile::shareDenyNone) ||
        !ScanMpegStream(song, info)) {
        return {};
    }
    return FormatMpegStreamText(info);
}

void AddMpegStreamProperties(CSongFileInfo& song, StreamProperties& out) {
    MpegStreamInfo info;
    if (!ScanMpegStream(song, info)) {
        return;
    }
    out.add("mpeg_version", CMPAHeader::m_szMPEGVersions[info.version & 3]);
    out.add("layer", CMPAHeader::m_szLayers[info.layer % 3]);
    out.add("bitrate_kbps", static_cast<int64_t>(info.BitrateKbps()));
    out.add("sample_rate", static_cast<int64_t>(info.samplingRate));
    out.add("channel_mode", CMPAHeader::m_szChannelModes[info.channelMode & 3]);
    out.add("vbr", info.variableBitrate);
    out.add("length_seconds", info.LengthSeconds());
    out.add("frames", static_cast<int64_t>(info.Frames()));
    out.add("copyright", info.copyright);
    out.add("crc", info.crc);
    out.add("private", info.privateBit);
    out.add("original", info.original);
    out.add("emphasis", CMPAHeader::m_szEmphasis[info.emphasis & 3]);
}

}  // namespace songcore
