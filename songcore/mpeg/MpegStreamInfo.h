#pragma once
// The MPEG audio of a song as the frame scanner sees it, and the text the
// MP3 dialog shows of it; the dialog and tunemoss share both.

#include <cstdint>
#include <string>

class CSongFile;

namespace songcore {

struct MpegStreamInfo {
    uint64_t audioSize = 0;  // end minus begin of the audio data
    uint32_t bytesPerSecond = 0;
    // Of the first frame; indexes into CMPAHeader's name tables.
    uint32_t version = 0;
    uint32_t layer = 0;
    uint32_t channelMode = 0;
    uint32_t emphasis = 0;
    uint32_t bitrate = 0;  // bits per second
    uint32_t samplingRate = 0;
    uint32_t samplesPerFrame = 0;
    bool copyright = false;
    bool crc = false;
    bool privateBit = false;
    bool original = false;
    bool vbrHeader = false;        // a XING, "Info" or VBRI header was found
    bool variableBitrate = false;  // ... and it is not the constant-rate "Info"
    uint32_t vbrFrames = 0;        // the VBR header's frame count, 0 without one

    // Seconds of audio, with fractions.
    double LengthSeconds() const;
    // The average bit rate for variable bit rate, else the frames' rate.
    uint32_t BitrateKbps() const;
    // The VBR header's count, or the audio size over the mean frame size.
    uint32_t Frames() const;
};

// Scans the audio between the tags of an open local song (an ID3v2 tag at
// the start, APEv2 and ID3v1 tags at the end are not audio). False when the
// song is not local or holds no MPEG audio frame.
bool ScanMpegStream(CSongFile& song, MpegStreamInfo& out);

// "File size: ... bytes\r\nLength: ... seconds\r\n..." as the MP3 dialog
// shows it.
std::string FormatMpegStreamText(const MpegStreamInfo& info);
// The same for the song at path; empty when it cannot be opened or holds no
// MPEG audio.
std::string MpegStreamText(const std::string& path);

}  // namespace songcore
