#pragma once
// CVBRHeader: the header that a variable-bit-rate encoder writes into the
// first frame of an MPEG audio stream, XING ("Xing", or "Info" for constant
// bit rate) or VBRI. It gives the stream's frame and byte counts, hence its
// true average bytes per second, and a table of seek points.

#include <cstdint>
#include <vector>

class CMPAFile;

class CVBRHeader {
public:
    enum VBRHeaderType {
        NoHeader = 0,
        XINGHeader = 1,
        VBRIHeader = 2,
    };

    // In: offset of the current frame of the scanner. Out: offset of the
    // identifier. 1 with type set when a header is there, else 0 and type
    // NoHeader.
    static int IsVBRHeaderAvailable(CMPAFile* file, VBRHeaderType& type, uint32_t& offset);

    // Reads the header at the identifier's offset. Throws CMPAException:
    // NoVBRHeader when it is not there, IncompleteVBRHeader when it lacks
    // the counts, EndOfBuffer when it runs past the data.
    CVBRHeader(CMPAFile* file, VBRHeaderType type, uint32_t offset);
    ~CVBRHeader();
    CVBRHeader(const CVBRHeader&) = delete;
    CVBRHeader& operator=(const CVBRHeader&) = delete;

    // Byte offset (from the start of the stream) of a percentage of the
    // playing time, clamped to 0..100. 0 when there is no table or no byte
    // count.
    int SeekPoint(float percent, uint32_t& seekPoint) const;

    uint32_t GetBytesPerSecond() const { return bytesPerSecond_; }
    uint32_t GetBytes() const { return bytes_; }
    uint32_t GetFrames() const { return frames_; }
    VBRHeaderType GetHeaderType() const { return type_; }
    // True for the XING layout under the "Info" identifier: constant bit rate.
    bool IsInfo() const { return info_; }
    uint32_t GetOffset() const { return offset_; }
    int32_t GetQuality() const { return quality_; }
    // Number of entries the header declares; the table is empty when it
    // could not be kept.
    uint32_t GetTableSize() const { return tableSize_; }
    const std::vector<uint32_t>& GetTable() const { return table_; }
    float GetDelay() const { return delay_; }
    uint32_t GetScale() const { return scale_; }
    uint32_t GetBytesPerEntry() const { return bytesPerEntry_; }
    uint32_t GetFramesPerEntry() const { return framesPerEntry_; }
    uint32_t GetVersion() const { return version_; }

    // Position of the XING identifier after the start of a frame, [LSF][mono].
    static constexpr uint32_t m_dwXINGOffsets[2][2] = {{4 + 32, 4 + 17}, {4 + 17, 4 + 9}};
    static constexpr uint32_t m_dwVBRIOffset = 4 + 32;

private:
    int ExtractLAMETag(uint32_t offset);
    static int CheckID(CMPAFile* file, const char* id, uint32_t& offset);
    static int CheckXING(CMPAFile* file, uint32_t& offset);
    static int CheckVBRI(CMPAFile* file, uint32_t& offset);
    int ExtractXINGHeader(uint32_t offset);
    int ExtractVBRIHeader(uint32_t offset);
    uint32_t SeekPointXING(float percent) const;
    uint32_t SeekPointVBRI(float percent) const;
    uint32_t SeekPointByTimeVBRI(float milliseconds) const;
    // Whole seconds of the stream, by its frame count.
    uint32_t LengthSeconds() const;

    uint32_t bytesPerSecond_ = 0;
    uint32_t bytes_ = 0;
    uint32_t frames_ = 0;
    CMPAFile* file_ = nullptr;
    VBRHeaderType type_ = NoHeader;
    uint32_t offset_ = 0;
    int32_t quality_ = -1;
    std::vector<uint32_t> table_;
    uint32_t tableSize_ = 0;
    float delay_ = 0;
    uint32_t scale_ = 0;
    uint32_t bytesPerEntry_ = 0;
    uint32_t framesPerEntry_ = 0;
    uint32_t version_ = 0;
    bool info_ = false;
    // Of the first frame, which the counts are measured in.
    uint32_t samplesPerFrame_ = 0;
    uint32_t samplingRate_ = 0;
};
