// The CD side of CCDDB: the table of contents through libcdio and the disc
// identifier computed from it.
#include <cdio/cdio.h>
#include <cdio/logging.h>

#include <cstdlib>
#include <memory>
#include <mutex>

#include "songcore/cddb/CDDB.h"

namespace {

// What libcdio last complained about on this thread.
thread_local std::string tLastDeviceMessage;

void KeepDeviceMessage(cdio_log_level_t level, const char* message) {
    // libcdio's own handler ends the process on an error; a library must not.
    // The first complaint names the cause; later ones are drivers giving up.
    if (level < CDIO_LOG_WARN || message == nullptr || !tLastDeviceMessage.empty()) {
        return;
    }
    std::string text;
    for (const char* c = message; *c != '\0'; ++c) {
        if (*c == '\n' || *c == '\r') {
            if (!text.empty() && text.back() != ' ') {
                text += ' ';
            }
        } else {
            text += *c;
        }
    }
    while (!text.empty() && text.back() == ' ') {
        text.pop_back();
    }
    tLastDeviceMessage = text;
}

void InstallDeviceLog() {
    static std::once_flag once;
    std::call_once(once, [] { cdio_log_set_handler(KeepDeviceMessage); });
    tLastDeviceMessage.clear();
}

struct CdioClose {
    void operator()(CdIo_t* cdio) const { cdio_destroy(cdio); }
};

int DigitSum(int64_t value) {
    if (value < 0) {
        value = -value;
    }
    int sum = 0;
    for (; value > 0; value /= 10) {
        sum += static_cast<int>(value % 10);
    }
    return sum;
}

}  // namespace

int CCDDB::GetCDROMDrives(std::vector<std::string>& drives) {
    drives.clear();
    InstallDeviceLog();
    char** list = cdio_get_devices(DRIVER_DEVICE);
    if (list == nullptr) {
        return 0;
    }
    for (char** entry = list; *entry != nullptr; ++entry) {
        drives.emplace_back(*entry);
    }
    cdio_free_device_list(list);
    return static_cast<int>(drives.size());
}

int CCDDB::GetTrackPositions(std::vector<CCDDBTrackPosition>& positions, const char* drive) {
    BeginCommand();
    positions.clear();
    InstallDeviceLog();
    auto fail = [&](uint32_t error) {
        lastError_ = error;
        deviceMessage_ = tLastDeviceMessage;
        positions.clear();
        return 0;
    };
    // A path may name a drive or an image (a CUE sheet with its data file);
    // libcdio tells them apart.
    std::unique_ptr<CdIo_t, CdioClose> cdio(drive != nullptr && *drive != '\0'
                                                ? cdio_open(drive, DRIVER_UNKNOWN)
                                                : cdio_open(nullptr, DRIVER_DEVICE));
    if (!cdio) {
        return fail(errorDeviceName);
    }
    track_t first = cdio_get_first_track_num(cdio.get());
    track_t count = cdio_get_num_tracks(cdio.get());
    if (first == CDIO_INVALID_TRACK || count == CDIO_INVALID_TRACK || count == 0) {
        return fail(errorNoAudioTracks);
    }
    for (unsigned track = first; track < unsigned{first} + count; ++track) {
        lba_t start = cdio_get_track_lba(cdio.get(), static_cast<track_t>(track));
        if (start == CDIO_INVALID_LBA || start < 0) {
            return fail(errorDeviceHardware);
        }
        positions.push_back(CCDDBTrackPosition::FromFrames(static_cast<uint32_t>(start)));
    }
    lba_t leadOut = cdio_get_track_lba(cdio.get(), CDIO_CDROM_LEADOUT_TRACK);
    if (leadOut == CDIO_INVALID_LBA || leadOut < 0) {
        return fail(errorDeviceHardware);
    }
    positions.push_back(CCDDBTrackPosition::FromFrames(static_cast<uint32_t>(leadOut)));
    return 1;
}

uint32_t CCDDB::ComputeDiscID(const std::vector<CCDDBTrackPosition>& positions) {
    if (positions.size() < 2) {
        return 0;
    }
    const size_t tracks = positions.size() - 1;
    uint32_t n = 0;
    for (size_t i = 0; i < tracks; ++i) {
        n += static_cast<uint32_t>(DigitSum(positions[i].Seconds()));
    }
    int64_t t = positions.back().Seconds() - positions.front().Seconds();
    return (n % 255) * (1u << 24) + static_cast<uint32_t>(t) * 256u + static_cast<uint32_t>(tracks);
}

int CCDDB::ComputeDiscID(uint32_t& discId, const char* drive) {
    std::vector<CCDDBTrackPosition> positions;
    if (!GetTrackPositions(positions, drive)) {
        return 0;
    }
    discId = ComputeDiscID(positions);
    return 1;
}
