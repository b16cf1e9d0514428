#include "songcore/mpeg/MPAFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "songcore/mpeg/MPAException.h"

namespace {

// Largest buffer before it starts to slide, and the window it then keeps.
constexpr uint32_t kMaxBufferSize = 64 * 1024;
constexpr uint32_t kWindowSize = 16 * 1024;

}  // namespace

CMPAFile::Handle::~Handle() {
    if (owned && fd >= 0) {
        ::close(fd);
    }
}

CMPAFile::CMPAFile(const std::string& path, uint32_t begin, int handle, uint64_t dataEnd)
    : fileName_(path), begin_(begin), frameNumber_(1) {
    if (handle == kInvalidHandle) {
        Open(path);
    } else {
        handle_.fd = handle;
    }
    struct stat info {};
    if (::fstat(handle_.fd, &info) != 0) {
        throw CMPAException(CMPAException::ErrSetPosition, fileName_, "SetFilePointer", true);
    }
    uint64_t fileSize = S_ISREG(info.st_mode) ? static_cast<uint64_t>(info.st_size) : 0;
    uint64_t limit = dataEnd == 0 ? fileSize : std::min(dataEnd, fileSize);
    if (limit > begin_) {
        dataSize_ = static_cast<uint32_t>(std::min<uint64_t>(limit - begin_, UINT32_MAX));
    }

    header_ = std::make_unique<CMPAHeader>(this, 0, false, false);

    CVBRHeader::VBRHeaderType type = CVBRHeader::NoHeader;
    uint32_t offset = header_->GetOffset();
    if (CVBRHeader::IsVBRHeaderAvailable(this, type, offset)) {
        try {
            vbrHeader_ = std::make_unique<CVBRHeader>(this, type, offset);
        } catch (const CMPAException&) {
            vbrHeader_.reset();  // a broken VBR header: go on by the frame header
        }
    }
    audioBitrate_ = header_->GetBitrate();
    if (vbrHeader_) {
        // The audio's rate is that of the frame after the header's frame: an
        // encoder may write that frame at a higher rate than the stream
        // (ffmpeg does at low rates), to make room for its fields.
        try {
            CMPAHeader audio(this, header_->GetOffset() + header_->GetRealFrameSize(), true, false);
            if (audio.GetBitrate() != 0) {
                audioBitrate_ = audio.GetBitrate();
            }
        } catch (const CMPAException&) {
            // a stream of one frame: the header frame's rate has to do
        }
    }
    if (vbrHeader_ && header_->GetOffset() != 0) {
        // A Xing, Info or VBRI header counts for its stream only in the
        // stream's first frame, where the encoder put it. One in a frame
        // found after other bytes (junk, stray padding) may be left from
        // another stream, and the players go by the data then; a file cut
        // short keeps its header's length, as every other reader shows it.
        vbrHeader_.reset();
        uint32_t mean = MeanBytesPerSecond(header_->GetOffset() + header_->GetRealFrameSize());
        bytesPerSecond_ = mean != 0 ? mean : header_->GetBytesPerSecond();
    }
    if (vbrHeader_) {
        vbr_ = true;
        bytesPerSecond_ = vbrHeader_->GetBytesPerSecond();
        if (vbrHeader_->GetBytes() != 0) {
            end_ = begin_ + vbrHeader_->GetBytes();
        }
    } else if (bytesPerSecond_ == 0) {
        vbr_ = false;
        bytesPerSecond_ = header_->GetBytesPerSecond();
    }
    if (end_ == 0) {
        end_ = begin_ + dataSize_;
    }
}

CMPAFile::~CMPAFile() = default;

uint32_t CMPAFile::MeanBytesPerSecond(uint32_t offset) {
    // As many frames as a player reads before it settles on a rate.
    constexpr int kFrames = 16;
    uint64_t bytes = 0;
    double seconds = 0;
    try {
        for (int i = 0; i < kFrames; ++i) {
            CMPAHeader frame(this, offset, true, false);
            if (frame.GetSamplingRate() == 0 || frame.GetFrameSize() == 0) {
                break;
            }
            bytes += frame.GetFrameSize();
            seconds += static_cast<double>(frame.GetSamplesPerFrame()) / frame.GetSamplingRate();
            offset = frame.GetOffset() + frame.GetFrameSize();
        }
    } catch (const CMPAException&) {
        // the frames end here
    }
    return seconds > 0 ? static_cast<uint32_t>(static_cast<double>(bytes) / seconds) : 0;
}

void CMPAFile::Open(const std::string& path) {
    // Non-blocking, so that a named pipe given as a song cannot hang the scan.
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        throw CMPAException(CMPAException::ErrOpenFile, fileName_, "CreateFile", true);
    }
    handle_.fd = fd;
    handle_.owned = true;
}

uint32_t CMPAFile::Read(uint8_t* buffer, uint32_t count, uint32_t offset) {
    // The tags after the audio are never read as frames.
    if (offset >= dataSize_) {
        return 0;
    }
    count = std::min(count, dataSize_ - offset);
    uint32_t total = 0;
    while (total < count) {
        // pread leaves the descriptor's position alone: it may be a song's,
        // read elsewhere too.
        ssize_t got = ::pread(handle_.fd, buffer + total, count - total,
                              static_cast<off_t>(begin_ + offset + total));
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            throw CMPAException(CMPAException::ErrReadFile, fileName_, "ReadFile", true);
        }
        if (got == 0) {
            break;  // the file got shorter since it was measured
        }
        total += static_cast<uint32_t>(got);
    }
    return total;
}

bool CMPAFile::Buffered(uint32_t offset, uint32_t count) const {
    return offset >= bufferBase_ && uint64_t{offset} + count <= uint64_t{bufferBase_} + bufferFill_;
}

void CMPAFile::FillBuffer(uint32_t offset, uint32_t count) {
    uint64_t needEnd = uint64_t{offset} + count;
    if (needEnd > dataSize_) {
        return;  // cannot be had; the caller reports the end of the data
    }
    if (offset >= bufferBase_ && offset <= uint64_t{bufferBase_} + bufferFill_ &&
        needEnd - bufferBase_ <= kMaxBufferSize) {
        // Grow the buffer at its end, doubling it as the scan goes on.
        uint64_t size = bufferFill_ == 0 ? m_dwInitBufferSize : uint64_t{bufferFill_} * 2;
        size = std::max(size, needEnd - bufferBase_);
        size = std::min<uint64_t>(size, kMaxBufferSize);
        size = std::min<uint64_t>(size, uint64_t{dataSize_} - bufferBase_);
        buffer_.resize(size);
        bufferFill_ += Read(buffer_.data() + bufferFill_, static_cast<uint32_t>(size) - bufferFill_,
                            bufferBase_ + bufferFill_);
        return;
    }
    // Slide: a window around the bytes asked for serves a scan in either
    // direction.
    uint64_t base = needEnd > kWindowSize / 2 ? needEnd - kWindowSize / 2 : 0;
    base = std::min<uint64_t>(base, offset);
    uint64_t size = std::min<uint64_t>(kWindowSize, uint64_t{dataSize_} - base);
    size = std::max(size, needEnd - base);
    buffer_.assign(size, 0);
    bufferBase_ = static_cast<uint32_t>(base);
    bufferFill_ = 0;
    bufferFill_ = Read(buffer_.data(), static_cast<uint32_t>(size), bufferBase_);
}

uint32_t CMPAFile::ExtractBytes(uint32_t& offset, uint32_t count, bool move) {
    if (count == 0 || count > 4) {
        throw CMPAException(CMPAException::EndOfBuffer);
    }
    if (!Buffered(offset, count)) {
        FillBuffer(offset, count);
        if (!Buffered(offset, count)) {
            throw CMPAException(CMPAException::EndOfBuffer);
        }
    }
    uint32_t value = 0;
    const uint8_t* bytes = buffer_.data() + (offset - bufferBase_);
    for (uint32_t i = 0; i < count; ++i) {
        value = (value << 8) | bytes[i];
    }
    if (move) {
        offset += count;
    }
    return value;
}

bool CMPAFile::ReplaceHeader(uint32_t offset, bool reverse) {
    try {
        header_ = std::make_unique<CMPAHeader>(this, offset, false, reverse);
    } catch (const CMPAException&) {
        return false;
    }
    return true;
}

int CMPAFile::GetFirstFrame() {
    if (!ReplaceHeader(0, false)) {
        return 0;
    }
    frameNumber_ = 1;
    return 1;
}

int CMPAFile::GetNextFrame() {
    uint64_t next = uint64_t{header_->GetOffset()} + header_->GetRealFrameSize();
    // A header without a known successor distance would find itself again.
    if (header_->GetRealFrameSize() == 0 || next > UINT32_MAX ||
        !ReplaceHeader(static_cast<uint32_t>(next), false)) {
        return 0;
    }
    if (frameNumber_ != 0) {
        ++frameNumber_;
    }
    return 1;
}

int CMPAFile::GetPrevFrame() {
    if (header_->GetOffset() < 4 || !ReplaceHeader(header_->GetOffset() - 4, true)) {
        return 0;
    }
    if (frameNumber_ != 0) {
        --frameNumber_;
    }
    return 1;
}

int CMPAFile::GetLastFrame() {
    // The end may come from a VBR header's byte count; never start the
    // search beyond the data that is there.
    uint64_t last = std::min<uint64_t>(end_ - begin_, dataSize_);
    if (last < 4 || !ReplaceHeader(static_cast<uint32_t>(last - 4), true)) {
        return 0;
    }
    frameNumber_ = 0;
    return 1;
}
