#include "songcore/mpeg/MPAHeader.h"

#include <cstdint>

#include "songcore/mpeg/MPAException.h"
#include "songcore/mpeg/MPAFile.h"

namespace {

constexpr std::array<uint16_t, 256> MakeCrc16Table() {
    std::array<uint16_t, 256> table{};
    for (uint32_t i = 0; i < 256; ++i) {
        uint32_t crc = i;
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc & 1) ? (crc >> 1) ^ 0xA001 : crc >> 1;  // 0x8005 reflected
        }
        table[i] = static_cast<uint16_t>(crc);
    }
    return table;
}

// Leading frames of silence are skipped only this far; a stream of nothing
// but quiet frames is not worth reading to its end.
constexpr int kMaxEmptyFrames = 4096;

}  // namespace

const std::array<uint16_t, 256> CMPAHeader::wCRC16Table = MakeCrc16Table();

CMPAHeader::CMPAHeader(CMPAFile* file, uint32_t expectedOffset, bool subsequent, bool reverse)
    : file_(file) {
    bool reachedEnd = false;
    if (subsequent) {
        // The successor of a frame stands where the frame's size says, give
        // or take a few bytes: look there first, then outwards.
        if (TryCandidate(expectedOffset, false, reachedEnd)) {
            return;
        }
        for (uint32_t step = 1; step <= m_dwTolerance; ++step) {
            if (expectedOffset <= UINT32_MAX - step &&
                TryCandidate(expectedOffset + step, false, reachedEnd)) {
                return;
            }
            if (expectedOffset >= step && TryCandidate(expectedOffset - step, false, reachedEnd)) {
                return;
            }
        }
        // Running into the end of the data means the frame before was the
        // last one, which the sync test tells apart from a broken stream.
        throw CMPAException(reachedEnd ? CMPAException::NoFrame
                                       : CMPAException::NoFrameInTolerance);
    }
    for (uint32_t distance = 0; distance <= m_dwMaxRange; ++distance) {
        uint32_t offset = 0;
        if (reverse) {
            if (distance > expectedOffset) {
                break;
            }
            offset = expectedOffset - distance;
        } else {
            if (expectedOffset > UINT32_MAX - distance) {
                break;
            }
            offset = expectedOffset + distance;
        }
        bool pastEnd = false;
        if (TryCandidate(offset, true, pastEnd)) {
            return;
        }
        if (pastEnd && !reverse) {
            break;  // every later offset lies beyond the data as well
        }
    }
    throw CMPAException(CMPAException::NoFrame);
}

bool CMPAHeader::TryCandidate(uint32_t offset, bool checkNext, bool& reachedEnd) {
    try {
        if (IsSync(offset, checkNext) == noError) {
            offset_ = offset;
            return true;
        }
    } catch (const CMPAException& e) {
        if (e.GetErrorID() != CMPAException::EndOfBuffer) {
            throw;
        }
        reachedEnd = true;
    }
    return false;
}

CMPAHeader::HeaderError CMPAHeader::IsSync(uint32_t offset, bool checkNext) {
    uint32_t position = offset;
    uint32_t header = file_->ExtractBytes(position, 4, false);
    if ((header & 0xFFE00000u) != 0xFFE00000u) {
        return noSync;
    }
    HeaderError error = DecodeHeader(header, false);
    if (error != noError) {
        return error;
    }
    realFrameSize_ = 0;
    if (checkNext) {
        uint64_t next = uint64_t{offset} + frameSize_;
        try {
            if (next > UINT32_MAX) {
                throw CMPAException(CMPAException::NoFrame);
            }
            CMPAHeader successor(file_, static_cast<uint32_t>(next), true, false);
            realFrameSize_ = successor.offset_ - offset;
        } catch (const CMPAException& e) {
            if (e.GetErrorID() != CMPAException::NoFrame) {
                return noSync;
            }
            // The last frame: it runs to the end of the data when cut short.
            uint32_t dataSize = file_->GetDataSize();
            realFrameSize_ = next > dataSize ? dataSize - offset : frameSize_;
        }
    }
    return noError;
}

CMPAHeader::HeaderError CMPAHeader::DecodeHeader(uint32_t header, bool skipDetails) {
    if ((header & 0xFFE00000u) != 0xFFE00000u) {
        return noSync;
    }
    version_ = (header >> 19) & 3;
    if (version_ == 1) {
        return headerCorrupt;
    }
    lsf_ = version_ != 3;
    layer_ = 3 - ((header >> 17) & 3);
    if (layer_ == 3) {
        return headerCorrupt;
    }
    crc_ = !((header >> 16) & 1);
    uint32_t bitrateIndex = (header >> 12) & 0xF;
    if (bitrateIndex == 15) {
        return headerCorrupt;
    }
    bitrate_ = m_dwBitrates[lsf_][layer_][bitrateIndex] * 1000;
    if (bitrate_ == 0) {
        return freeBitrate;
    }
    uint32_t rateIndex = (header >> 10) & 3;
    if (rateIndex == 3) {
        return headerCorrupt;
    }
    samplingRate_ = m_dwSamplingRates[version_][rateIndex];
    paddingSize_ = ((header >> 9) & 1) ? m_dwPaddingSizes[layer_] : 0;
    frameSize_ = m_dwCoefficients[lsf_][layer_] * bitrate_ / samplingRate_ + paddingSize_;
    samplesPerFrame_ = m_dwSamplesPerFrames[lsf_][layer_];
    if (skipDetails) {
        return noError;
    }
    private_ = (header >> 8) & 1;
    channelMode_ = (header >> 6) & 3;
    modeExtension_ = static_cast<uint8_t>((header >> 4) & 3);
    copyright_ = (header >> 3) & 1;
    original_ = (header >> 2) & 1;
    emphasis_ = header & 3;
    return emphasis_ == 2 ? headerCorrupt : noError;
}

uint32_t CMPAHeader::GetLengthSecond(uint32_t frames) const {
    if (samplingRate_ == 0) {
        return 0;
    }
    return static_cast<uint32_t>(uint64_t{frames} * samplesPerFrame_ / samplingRate_);
}

uint32_t CMPAHeader::GetBytesPerSecond(uint32_t frames, uint32_t bytes) const {
    uint32_t seconds = GetLengthSecond(frames);
    return seconds == 0 ? 0 : bytes / seconds;
}

int CMPAHeader::SkipEmptyFrames() {
    bool skipped = false;
    for (int count = 0; bitrate_ <= 32000; ++count) {
        if (count >= kMaxEmptyFrames || realFrameSize_ == 0 ||
            offset_ > UINT32_MAX - realFrameSize_) {
            return 0;
        }
        try {
            *this = CMPAHeader(file_, offset_ + realFrameSize_, false, false);
        } catch (const CMPAException&) {
            return 0;
        }
        skipped = true;
    }
    return skipped ? 1 : 0;
}
