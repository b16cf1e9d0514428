#pragma once
// Builders of MPEG audio streams for the scanner tests: frames with a given
// header, XING and VBRI frames, held in memory behind a file descriptor.

#include <cstdint>
#include <string>
#include <vector>

namespace testsupport {

// An anonymous in-memory file holding the bytes; closed at the end of scope.
class MemoryFile {
public:
    explicit MemoryFile(const std::vector<uint8_t>& bytes);
    ~MemoryFile();
    MemoryFile(const MemoryFile&) = delete;
    MemoryFile& operator=(const MemoryFile&) = delete;
    int fd() const { return fd_; }

private:
    int fd_ = -1;
};

// MPEG 1 Layer III, 128 kbit/s, 44100 Hz, joint stereo: 417-byte frames.
constexpr uint32_t kMpeg1Header = 0xFFFB9064;
constexpr uint32_t kMpeg1FrameSize = 417;

void PutBigEndian(std::vector<uint8_t>& bytes, size_t offset, uint32_t value, int count);
void AppendBigEndian(std::vector<uint8_t>& bytes, uint32_t value, int count);
void AppendText(std::vector<uint8_t>& bytes, const std::string& text);

// count frames of frameSize bytes, each the header followed by zeros.
std::vector<uint8_t> Frames(uint32_t header, uint32_t frameSize, int count);
void AppendFrames(std::vector<uint8_t>& bytes, uint32_t header, uint32_t frameSize, int count);

// A 417-byte MPEG 1 frame carrying body at offset 36 (behind the side
// information), as XING and VBRI headers stand.
std::vector<uint8_t> Mpeg1FrameWith(const std::vector<uint8_t>& body);

struct XingFields {
    std::string id = "Xing";
    uint32_t flags = 0x0F;
    uint32_t frames = 0;
    uint32_t bytes = 0;
    std::vector<uint8_t> table;  // 100 entries when flag 4 is set
    uint32_t quality = 0;
};
std::vector<uint8_t> XingBody(const XingFields& fields);

struct VbriFields {
    uint32_t bytes = 0;
    uint32_t frames = 0;
    uint32_t scale = 1;
    uint32_t bytesPerEntry = 2;
    uint32_t framesPerEntry = 1;
    uint32_t storedEntries = 0;   // the table holds this many plus one
    std::vector<uint32_t> table;  // written as given
};
std::vector<uint8_t> VbriBody(const VbriFields& fields);

}  // namespace testsupport
