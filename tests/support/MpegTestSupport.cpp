#include "support/MpegTestSupport.h"

#include <sys/mman.h>
#include <unistd.h>

#include <stdexcept>

namespace testsupport {

MemoryFile::MemoryFile(const std::vector<uint8_t>& bytes) {
    fd_ = ::memfd_create("mpeg-test", MFD_CLOEXEC);
    if (fd_ < 0) {
        throw std::runtime_error("memfd_create failed");
    }
    size_t written = 0;
    while (written < bytes.size()) {
        ssize_t got = ::write(fd_, bytes.data() + written, bytes.size() - written);
        if (got <= 0) {
            ::close(fd_);
            throw std::runtime_error("writing the memory file failed");
        }
        written += static_cast<size_t>(got);
    }
}

MemoryFile::~MemoryFile() {
    ::close(fd_);
}

void PutBigEndian(std::vector<uint8_t>& bytes, size_t offset, uint32_t value, int count) {
    for (int i = 0; i < count; ++i) {
        bytes.at(offset + i) = static_cast<uint8_t>(value >> (8 * (count - 1 - i)));
    }
}

void AppendBigEndian(std::vector<uint8_t>& bytes, uint32_t value, int count) {
    bytes.resize(bytes.size() + count);
    PutBigEndian(bytes, bytes.size() - count, value, count);
}

void AppendText(std::vector<uint8_t>& bytes, const std::string& text) {
    bytes.insert(bytes.end(), text.begin(), text.end());
}

void AppendFrames(std::vector<uint8_t>& bytes, uint32_t header, uint32_t frameSize, int count) {
    for (int i = 0; i < count; ++i) {
        size_t start = bytes.size();
        bytes.resize(start + frameSize, 0);
        PutBigEndian(bytes, start, header, 4);
    }
}

std::vector<uint8_t> Frames(uint32_t header, uint32_t frameSize, int count) {
    std::vector<uint8_t> bytes;
    AppendFrames(bytes, header, frameSize, count);
    return bytes;
}

std::vector<uint8_t> Mpeg1FrameWith(const std::vector<uint8_t>& body) {
    std::vector<uint8_t> frame = Frames(kMpeg1Header, kMpeg1FrameSize, 1);
    if (36 + body.size() > frame.size()) {
        throw std::runtime_error("body too large for one frame");
    }
    std::copy(body.begin(), body.end(), frame.begin() + 36);
    return frame;
}

std::vector<uint8_t> XingBody(const XingFields& fields) {
    std::vector<uint8_t> body;
    AppendText(body, fields.id);
    AppendBigEndian(body, fields.flags, 4);
    if (fields.flags & 1) {
        AppendBigEndian(body, fields.frames, 4);
    }
    if (fields.flags & 2) {
        AppendBigEndian(body, fields.bytes, 4);
    }
    if (fields.flags & 4) {
        std::vector<uint8_t> table = fields.table;
        table.resize(100, 0);
        body.insert(body.end(), table.begin(), table.end());
    }
    if (fields.flags & 8) {
        AppendBigEndian(body, fields.quality, 4);
    }
    return body;
}

std::vector<uint8_t> VbriBody(const VbriFields& fields) {
    std::vector<uint8_t> body;
    AppendText(body, "VBRI");
    AppendBigEndian(body, 1, 2);     // version
    AppendBigEndian(body, 1105, 2);  // delay
    AppendBigEndian(body, 75, 2);    // quality
    AppendBigEndian(body, fields.bytes, 4);
    AppendBigEndian(body, fields.frames, 4);
    AppendBigEndian(body, fields.storedEntries, 2);
    AppendBigEndian(body, fields.scale, 2);
    AppendBigEndian(body, fields.bytesPerEntry, 2);
    AppendBigEndian(body, fields.framesPerEntry, 2);
    for (uint32_t entry : fields.table) {
        AppendBigEndian(body, entry, static_cast<int>(std::min<uint32_t>(fields.bytesPerEntry, 4)));
    }
    return body;
}

}  // namespace testsupport
