#include "songcore/mpeg/VBRHeader.h"

#include <algorithm>
#include <cmath>
#include <new>

#include "songcore/mpeg/MPAException.h"
#include "songcore/mpeg/MPAFile.h"

namespace {

constexpr uint32_t kXingFrames = 0x01;
constexpr uint32_t kXingBytes = 0x02;
constexpr uint32_t kXingTable = 0x04;
constexpr uint32_t kXingQuality = 0x08;
constexpr uint32_t kXingTableSize = 100;

}  // namespace

int CVBRHeader::IsVBRHeaderAvailable(CMPAFile* file, VBRHeaderType& type, uint32_t& offset) {
    const CMPAHeader& header = file->GetCurrentHeader();
    const struct {
        uint64_t position;
        VBRHeaderType type;
    } candidates[] = {
        {uint64_t{offset} + m_dwXINGOffsets[header.IsLSF()][header.IsMono()], XINGHeader},
        {uint64_t{offset} + m_dwVBRIOffset, VBRIHeader},
    };
    for (const auto& candidate : candidates) {
        if (candidate.position > UINT32_MAX) {
            continue;
        }
        uint32_t position = static_cast<uint32_t>(candidate.position);
        bool found =
            candidate.type == XINGHeader ? CheckXING(file, position) : CheckVBRI(file, position);
        if (found) {
            type = candidate.type;
            offset = static_cast<uint32_t>(candidate.position);
            return 1;
        }
    }
    type = NoHeader;
    return 0;
}

CVBRHeader::CVBRHeader(CMPAFile* file, VBRHeaderType type, uint32_t offset)
    : file_(file), type_(type), offset_(offset) {
    const CMPAHeader& header = file->GetCurrentHeader();
    samplesPerFrame_ = header.GetSamplesPerFrame();
    samplingRate_ = header.GetSamplingRate();
    int found = 0;
    if (type == XINGHeader) {
        found = ExtractXINGHeader(offset);
    } else if (type == VBRIHeader) {
        found = ExtractVBRIHeader(offset);
    }
    if (!found) {
        throw CMPAException(CMPAException::NoVBRHeader, file->GetFilename());
    }
    // Averaged over the exact playing time: whole seconds would overstate
    // the rate of short songs and leave songs under a second without one.
    uint64_t samples = uint64_t{frames_} * samplesPerFrame_;
    uint64_t rate = samples == 0 ? 0 : uint64_t{bytes_} * samplingRate_ / samples;
    if (bytes_ == 0 || rate == 0 || rate > UINT32_MAX) {
        throw CMPAException(CMPAException::IncompleteVBRHeader, file->GetFilename());
    }
    bytesPerSecond_ = static_cast<uint32_t>(rate);
}

CVBRHeader::~CVBRHeader() = default;

int CVBRHeader::CheckID(CMPAFile* file, const char* id, uint32_t& offset) {
    try {
        uint32_t position = offset;
        for (int i = 0; i < 4; ++i) {
            if (file->ExtractBytes(position, 1, true) != static_cast<uint8_t>(id[i])) {
                return 0;
            }
        }
        offset = position;
        return 1;
    } catch (const CMPAException&) {
        return 0;  // a frame too short to hold the identifier has none
    }
}

int CVBRHeader::CheckXING(CMPAFile* file, uint32_t& offset) {
    return CheckID(file, "Xing", offset) || CheckID(file, "Info", offset);
}

int CVBRHeader::CheckVBRI(CMPAFile* file, uint32_t& offset) {
    return CheckID(file, "VBRI", offset);
}

int CVBRHeader::ExtractLAMETag(uint32_t offset) {
    return CheckID(file_, "LAME", offset) || CheckID(file_, "GOGO", offset);
}

int CVBRHeader::ExtractXINGHeader(uint32_t offset) {
    uint32_t position = offset;
    if (CheckID(file_, "Info", position)) {
        info_ = true;
    } else if (!CheckID(file_, "Xing", position)) {
        return 0;
    }
    uint32_t flags = file_->ExtractBytes(position, 4, true);
    if (flags & kXingFrames) {
        frames_ = file_->ExtractBytes(position, 4, true);
    }
    if (flags & kXingBytes) {
        bytes_ = file_->ExtractBytes(position, 4, true);
    }
    if (flags & kXingTable) {
        std::vector<uint32_t> table(kXingTableSize);
        for (uint32_t& entry : table) {
            entry = file_->ExtractBytes(position, 1, true);
        }
        table_ = std::move(table);
        tableSize_ = kXingTableSize;
    }
    quality_ = -1;
    if (flags & kXingQuality) {
        quality_ = static_cast<int32_t>(file_->ExtractBytes(position, 4, true));
    }
    return 1;
}

int CVBRHeader::ExtractVBRIHeader(uint32_t offset) {
    uint32_t position = offset;
    if (!CheckVBRI(file_, position)) {
        return 0;
    }
    version_ = file_->ExtractBytes(position, 2, true);
    delay_ = static_cast<float>(file_->ExtractBytes(position, 2, true));
    quality_ = static_cast<int32_t>(file_->ExtractBytes(position, 2, true));
    bytes_ = file_->ExtractBytes(position, 4, true);
    frames_ = file_->ExtractBytes(position, 4, true);
    tableSize_ = file_->ExtractBytes(position, 2, true) + 1;
    scale_ = file_->ExtractBytes(position, 2, true);
    bytesPerEntry_ = file_->ExtractBytes(position, 2, true);
    framesPerEntry_ = file_->ExtractBytes(position, 2, true);
    if (bytesPerEntry_ < 1 || bytesPerEntry_ > 4) {
        return 1;  // entries of a width no encoder writes: keep the counts only
    }
    uint64_t tableBytes = uint64_t{tableSize_} * bytesPerEntry_;
    if (position + tableBytes > file_->GetDataSize()) {
        throw CMPAException(CMPAException::EndOfBuffer);
    }
    try {
        std::vector<uint32_t> table(tableSize_);
        for (uint32_t& entry : table) {
            entry = file_->ExtractBytes(position, bytesPerEntry_, true);
        }
        table_ = std::move(table);
    } catch (const std::bad_alloc&) {
        table_.clear();  // the counts are still good without seek points
    }
    return 1;
}

uint32_t CVBRHeader::LengthSeconds() const {
    if (samplingRate_ == 0) {
        return 0;
    }
    return static_cast<uint32_t>(uint64_t{frames_} * samplesPerFrame_ / samplingRate_);
}

int CVBRHeader::SeekPoint(float percent, uint32_t& seekPoint) const {
    if (table_.empty() || bytes_ == 0) {
        return 0;
    }
    if (!(percent >= 0.0f)) {
        percent = 0.0f;  // negative, or not a number
    }
    percent = std::min(percent, 100.0f);
    if (type_ == XINGHeader) {
        seekPoint = SeekPointXING(percent);
    } else if (type_ == VBRIHeader) {
        if (framesPerEntry_ == 0 || LengthSeconds() == 0) {
            return 0;
        }
        seekPoint = SeekPointVBRI(percent);
    } else {
        return 0;
    }
    return 1;
}

uint32_t CVBRHeader::SeekPointXING(float percent) const {
    uint32_t i = std::min(static_cast<uint32_t>(percent), 99u);
    double a = table_[i];
    double b = i < 99 ? table_[i + 1] : 256.0;
    double point = (a + (percent - i) * (b - a)) * bytes_ / 256.0;
    return static_cast<uint32_t>(std::clamp(point, 0.0, static_cast<double>(bytes_)));
}

uint32_t CVBRHeader::SeekPointVBRI(float percent) const {
    float milliseconds = static_cast<float>(LengthSeconds()) * percent * 0.01f * 1000.0f;
    return SeekPointByTimeVBRI(milliseconds);
}

uint32_t CVBRHeader::SeekPointByTimeVBRI(float milliseconds) const {
    float length = static_cast<float>(LengthSeconds()) * 1000.0f;
    milliseconds = std::min(milliseconds, length);
    float perEntry = length / static_cast<float>(table_.size());
    // Entries count bytes in units of the scale factor.
    uint64_t scale = scale_ == 0 ? 1 : scale_;
    float time = 0;
    uint64_t sum = 0;
    size_t i = 0;
    while (i < table_.size()) {
        time += perEntry;
        sum += table_[i] * scale;
        ++i;
        if (time > milliseconds) {
            break;
        }
    }
    // Step back by the frames the running time overshot, rounded.
    double frames = std::trunc(framesPerEntry_ *
                               (1.0 / (2.0 * framesPerEntry_) + (time - milliseconds) / perEntry));
    double back = std::trunc(frames * static_cast<double>(table_[i - 1]) *
                             static_cast<double>(scale) / framesPerEntry_);
    double point = static_cast<double>(sum) - back;
    return static_cast<uint32_t>(std::clamp(point, 0.0, static_cast<double>(bytes_)));
}
