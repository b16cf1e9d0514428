#pragma once
// CMPAHeader: one MPEG audio frame header (MPEG 1, 2 and 2.5, Layers I to
// III), found in the data of a CMPAFile and decoded. A first frame is only
// believed when the next header stands where its frame size says; random
// bytes that happen to carry a sync word are not.

#include <array>
#include <cstdint>

class CMPAFile;

class CMPAHeader {
public:
    enum HeaderError {
        noError = 0,
        noSync = 1,
        freeBitrate = 2,
        headerCorrupt = 3,
    };

    // Searches for a header from the expected offset (relative to the
    // file's begin). A subsequent frame is looked for a few bytes around the
    // expected offset; any other frame forwards (or backwards with reverse),
    // and it must be followed by another frame where its size says. Throws
    // CMPAException: NoFrame or NoFrameInTolerance when there is none, the
    // file's read errors otherwise.
    CMPAHeader(CMPAFile* file, uint32_t expectedOffset, bool subsequent, bool reverse);

    uint32_t GetBytesPerSecond() const { return bitrate_ / 8; }
    // Whole seconds of the given number of frames.
    uint32_t GetLengthSecond(uint32_t frames) const;
    // Average bytes per second of bytes spread over frames; 0 when they
    // last less than a second.
    uint32_t GetBytesPerSecond(uint32_t frames, uint32_t bytes) const;
    bool IsMono() const { return channelMode_ == 3; }
    bool IsLSF() const { return lsf_; }

    // Steps over leading frames of at most 32 kbit/s (encoders' silence).
    // 1 when it stopped on a frame above that after skipping, else 0.
    int SkipEmptyFrames();

    uint32_t GetVersion() const { return version_; }
    uint32_t GetLayer() const { return layer_; }
    uint32_t GetEmphasis() const { return emphasis_; }
    uint32_t GetChannelMode() const { return channelMode_; }
    uint32_t GetSamplingRate() const { return samplingRate_; }
    uint32_t GetSamplesPerFrame() const { return samplesPerFrame_; }
    uint32_t GetBitrate() const { return bitrate_; }
    uint32_t GetOffset() const { return offset_; }
    uint32_t GetFrameSize() const { return frameSize_; }
    uint32_t GetRealFrameSize() const { return realFrameSize_; }
    uint32_t GetPaddingSize() const { return paddingSize_; }
    bool IsCopyright() const { return copyright_; }
    bool IsPrivate() const { return private_; }
    bool IsOriginal() const { return original_; }
    bool HasCRC() const { return crc_; }
    uint8_t GetModeExtension() const { return modeExtension_; }

    // [LSF][layer][index], kbit/s; index 0 is free format.
    static constexpr uint32_t m_dwBitrates[2][3][15] = {
        {{0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448},
         {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384},
         {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320}},
        {{0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256},
         {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160},
         {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160}}};
    // [version][index]; version 1 is reserved.
    static constexpr uint32_t m_dwSamplingRates[4][3] = {
        {11025, 12000, 8000}, {0, 0, 0}, {22050, 24000, 16000}, {44100, 48000, 32000}};
    static constexpr uint32_t m_dwSamplesPerFrames[2][3] = {{384, 1152, 1152}, {384, 1152, 576}};
    static constexpr uint32_t m_dwCoefficients[2][3] = {{48, 144, 144}, {48, 144, 72}};
    static constexpr uint32_t m_dwPaddingSizes[3] = {4, 1, 1};
    // [LSF][layer][mono]: Layer III side information, in bytes.
    static constexpr uint32_t m_dwSideinfoSizes[2][3][2] = {{{0, 0}, {0, 0}, {32, 17}},
                                                            {{0, 0}, {0, 0}, {17, 9}}};
    // Bytes a subsequent frame may stand away from where it is expected.
    static constexpr uint32_t m_dwTolerance = 3;
    // Bytes searched for a first frame before giving up.
    static constexpr uint32_t m_dwMaxRange = 16384;

    static constexpr const char* m_szMPEGVersions[4] = {"MPEG 2.5", "", "MPEG 2", "MPEG 1"};
    static constexpr const char* m_szLayers[3] = {"Layer I", "Layer II", "Layer III"};
    static constexpr const char* m_szChannelModes[4] = {"Stereo", "Joint Stereo", "Dual Channel",
                                                        "Single Channel"};
    static constexpr const char* m_szEmphasis[4] = {"None", "50/15ms", "", "CCIT J.17"};

    // CRC-16 of the frames' protection words: polynomial 0x8005, reflected.
    static const std::array<uint16_t, 256> wCRC16Table;

private:
    HeaderError IsSync(uint32_t offset, bool checkNext);
    HeaderError DecodeHeader(uint32_t header, bool skipDetails);
    // Tries the candidate; true when a frame stands there. Notes in
    // reachedEnd when the data ended under it.
    bool TryCandidate(uint32_t offset, bool checkNext, bool& reachedEnd);

    bool lsf_ = false;
    CMPAFile* file_ = nullptr;
    uint32_t version_ = 0;
    uint32_t layer_ = 0;
    uint32_t emphasis_ = 0;
    uint32_t channelMode_ = 0;
    uint32_t samplingRate_ = 0;
    uint32_t samplesPerFrame_ = 0;
    uint32_t bitrate_ = 0;
    uint32_t offset_ = 0;
    uint32_t frameSize_ = 0;
    uint32_t realFrameSize_ = 0;
    uint32_t paddingSize_ = 0;
    bool copyright_ = false;
    bool private_ = false;
    bool original_ = false;
    bool crc_ = false;
    uint8_t modeExtension_ = 0;
};
