#pragma once
// CMPAFile: finds the frames of an MPEG audio stream in a file and works out
// where the audio begins and ends and how many bytes make a second. It reads
// through its own descriptor and buffer, apart from CSongFile, and only the
// bytes between the tags that callers tell it about.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "songcore/mpeg/MPAHeader.h"
#include "songcore/mpeg/VBRHeader.h"

class CMPAFile {
public:
    static constexpr int kInvalidHandle = -1;
    static constexpr uint32_t m_dwInitBufferSize = 1024;

    // begin: file offset where the audio starts (after an ID3v2 tag); frame
    // offsets are relative to it. handle: an open descriptor to read
    // through (not closed), or kInvalidHandle to open the path. dataEnd:
    // file offset where the audio stops (before APEv2/ID3v1 tags), 0 for the
    // end of the file. Throws CMPAException when the file cannot be opened
    // or read, or holds no frame.
    explicit CMPAFile(const std::string& path, uint32_t begin = 0, int handle = kInvalidHandle,
                      uint64_t dataEnd = 0);
    ~CMPAFile();
    CMPAFile(const CMPAFile&) = delete;
    CMPAFile& operator=(const CMPAFile&) = delete;

    // Move the current header; 1 on success, 0 (current header kept) when
    // no frame is found there.
    int GetFirstFrame();
    int GetNextFrame();
    int GetPrevFrame();
    int GetLastFrame();

    // count (1 to 4) bytes at offset, relative to begin, most significant
    // first; with move, offset is advanced past them. Throws EndOfBuffer
    // beyond the audio data.
    uint32_t ExtractBytes(uint32_t& offset, uint32_t count, bool move);

    const std::string& GetFilename() const { return fileName_; }
    uint64_t GetBegin() const { return begin_; }
    // End of the audio: begin plus the VBR header's byte count when it has
    // one, else where the data ends.
    uint64_t GetEnd() const { return end_; }
    bool IsVBR() const { return vbr_; }
    uint32_t GetBytesPerSecond() const { return bytesPerSecond_; }
    // Bits per second of the first frame of audio: the frame after a XING,
    // "Info" or VBRI frame, which may be written at another rate.
    uint32_t GetAudioBitrate() const { return audioBitrate_; }
    const CMPAHeader& GetCurrentHeader() const { return *header_; }
    uint32_t GetFrameNumber() const { return frameNumber_; }
    const CVBRHeader* GetVBRHeader() const { return vbrHeader_.get(); }
    // Bytes of audio data that can be read, from begin.
    uint32_t GetDataSize() const { return dataSize_; }

private:
    // Closes the descriptor when the scanner opened it, also when the
    // constructor throws half-way.
    class Handle {
    public:
        Handle() = default;
        ~Handle();
        Handle(const Handle&) = delete;
        Handle& operator=(const Handle&) = delete;
        int fd = kInvalidHandle;
        bool owned = false;
    };

    void Open(const std::string& path);
    uint32_t Read(uint8_t* buffer, uint32_t count, uint32_t offset);
    // Makes count bytes at offset available in the buffer, as far as the
    // data reaches.
    void FillBuffer(uint32_t offset, uint32_t count);
    bool Buffered(uint32_t offset, uint32_t count) const;
    bool ReplaceHeader(uint32_t offset, bool reverse);
    // The mean rate of the frames from offset on, over the first few; 0
    // when there are none.
    uint32_t MeanBytesPerSecond(uint32_t offset);

    Handle handle_;
    std::string fileName_;
    uint64_t begin_ = 0;
    uint64_t end_ = 0;
    bool vbr_ = false;
    uint32_t bytesPerSecond_ = 0;
    uint32_t audioBitrate_ = 0;
    std::unique_ptr<CMPAHeader> header_;
    uint32_t frameNumber_ = 0;
    std::unique_ptr<CVBRHeader> vbrHeader_;
    // A window of the data: bufferFill_ bytes from relative offset
    // bufferBase_. It grows from the start and slides once it is large, so a
    // scan of a long file never holds the file.
    std::vector<uint8_t> buffer_;
    uint32_t bufferBase_ = 0;
    uint32_t bufferFill_ = 0;
    uint32_t dataSize_ = 0;
};
