#include "songcore/player/MCIWnd.h"

#include "songcore/player/MpvLibrary.h"

#include <sys/stat.h>

#include <algorithm>
#include <clocale>
#include <cmath>
#include <mutex>
#include <string_view>

namespace {

constexpr auto kOpenTimeOut = std::chrono::seconds(15);

// Text requests give at most len - 1 characters, as a fixed buffer would.
long PutText(std::string& out, const std::string& text, unsigned len) {
    out = len == 0 ? std::string() : text.substr(0, len - 1);
    return 0;
}

bool IsUrl(const std::string& path) {
    return path.find("://") != std::string::npos;
}

// Called only while a player exists, and so after the library was loaded.
const songcore::MpvLibrary& Mpv() {
    return *songcore::MpvLibrary::Get();
}

}  // namespace

struct CMCIWnd::WakeupRelay {
    std::mutex mutex;
    std::function<void()> hook;

    static void Wake(void* data) {
        auto* relay = static_cast<WakeupRelay*>(data);
        std::lock_guard lock(relay->mutex);
        if (relay->hook) {
            relay->hook();
        }
    }
};

void CMCIWnd::MpvDeleter::operator()(mpv_handle* handle) const {
    Mpv().terminate_destroy(handle);
}

CMCIWnd::CMCIWnd() : relay_(std::make_unique<WakeupRelay>()) {}

CMCIWnd::~CMCIWnd() {
    Destroy();
}

int CMCIWnd::Create(const Options& options) {
    if (mpv_) {
        return 1;
    }
    // libmpv refuses to start unless numbers are formatted the C way.
    std::setlocale(LC_NUMERIC, "C");
    if (!songcore::MpvLibrary::Get()) {
        return 0;
    }
    std::unique_ptr<mpv_handle, MpvDeleter> handle(Mpv().create());
    if (!handle) {
        return 0;
    }
    mpv_handle* h = handle.get();
    // An audio player for a desktop program: no video window, no user
    // configuration or scripts, no terminal output, and a file that stays
    // loaded at its end so its length and position can still be asked.
    const std::pair<const char*, const char*> settings[] = {
        {"config", "no"},
        {"load-scripts", "no"},
        {"terminal", "no"},
        {"video", "no"},
        {"audio-display", "no"},
        {"input-default-bindings", "no"},
        {"idle", "yes"},
        {"keep-open", "yes"},
        {"osc", "no"},
        {"ytdl", "no"},
        {"load-stats-overlay", "no"},
        {"load-osd-console", "no"},
        {"resume-playback", "no"},
        {"pause", "yes"},
        // An output that cannot be opened becomes the silent one, so the song
        // stays loaded and CheckAudioOutput can tell the failure by name;
        // otherwise libmpv drops the song's audio at once, and whether it was
        // there to play is a race with the check.
        {"audio-fallback-to-null", "yes"},
    };
    for (const auto& [name, value] : settings) {
        Mpv().set_option_string(h, name, value);  // an option this build lacks is harmless
    }
    if (!options.audioOutput.empty()) {
        Mpv().set_option_string(h, "ao", options.audioOutput.c_str());
    }
    silentOutputChosen_ = options.audioOutput == kSilentOutput;
    if (options.untimed) {
        Mpv().set_option_string(h, "ao-null-untimed", "yes");
    }
    if (!options.audioDevice.empty()) {
        Mpv().set_option_string(h, "audio-device", options.audioDevice.c_str());
    }
    Mpv().set_option_string(h, "replaygain", options.replayGain.c_str());
    if (Mpv().initialize(h) < 0) {
        return 0;
    }
    Mpv().observe_property(h, 1, "pause", MPV_FORMAT_FLAG);
    Mpv().observe_property(h, 2, "eof-reached", MPV_FORMAT_FLAG);
    // Only to wake the owner while the position moves.
    Mpv().observe_property(h, 3, "time-pos", MPV_FORMAT_NONE);
    Mpv().set_wakeup_callback(h, &WakeupRelay::Wake, relay_.get());
    mpv_ = std::move(handle);
    return 1;
}

void CMCIWnd::SetWakeupHook(std::function<void()> hook) {
    std::lock_guard lock(relay_->mutex);
    relay_->hook = std::move(hook);
}

const char* const CMCIWnd::kNoAudioOutputText =
    "no audio output could be opened (no sound server is running and no sound device can be "
    "used)";

long CMCIWnd::Fail(long error, std::string text) {
    errorNumber_ = error;
    errorText_ = std::move(text);
    return error;
}

void CMCIWnd::SetMode(long mode) {
    if (mode_ == mode) {
        return;
    }
    mode_ = mode;
    ++modeSerial_;
    // The owner hears of it from ProcessEvents, as from a posted message.
    WakeupRelay::Wake(relay_.get());
}

long CMCIWnd::Open(const char* file, unsigned) {
    if (!mpv_) {
        return Fail(errDeviceNotReady, "the player has not been created");
    }
    Close();
    std::string path = file ? file : "";
    struct stat st;
    if (!IsUrl(path) && (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode))) {
        return Fail(errFileNotFound, "the file does not exist: " + path);
    }
    const char* command[] = {"loadfile", path.c_str(), "replace", nullptr};
    if (Mpv().command(mpv_.get(), command) < 0) {
        return Fail(errInvalidFile, "the file cannot be played: " + path);
    }
    // Opening is a synchronous request: wait for the outcome, handing on
    // whatever else happens meanwhile.
    auto deadline = std::chrono::steady_clock::now() + kOpenTimeOut;
    while (std::chrono::steady_clock::now() < deadline) {
        mpv_event* event = Mpv().wait_event(mpv_.get(), 0.1);
        if (event->event_id == MPV_EVENT_FILE_LOADED) {
            int64_t audioTracks = 0;
            Mpv().get_property(mpv_.get(), "current-tracks/audio/id", MPV_FORMAT_INT64,
                               &audioTracks);
            if (audioTracks <= 0) {
                const char* stop[] = {"stop", nullptr};
                Mpv().command(mpv_.get(), stop);
                // An audio track that was not selected: the output failed.
                if (HasAudioTrack()) {
                    return Fail(errNoAudioOutput, kNoAudioOutputText);
                }
                return Fail(errInvalidFile, "the file has no sound that can be played: " + path);
            }
            fileName_ = path;
            hasMedium_ = true;
            // Until playback of the new file has started, libmpv may still
            // report the end of the previous one.
            seekPending_ = true;
            seekIssued_ = std::chrono::steady_clock::now();
            atEnd_ = false;
            audioChecked_ = false;
            errorNumber_ = 0;
            errorText_.clear();
            SetMode(modeStopped);
            return 0;
        }
        if (event->event_id == MPV_EVENT_END_FILE) {
            auto* end = static_cast<mpv_event_end_file*>(event->data);
            if (end->reason == MPV_END_FILE_REASON_ERROR) {
                return Fail(errInvalidFile, std::string("the file cannot be played: ") + path +
                                                " (" + Mpv().error_string(end->error) + ")");
            }
        } else if (event->event_id != MPV_EVENT_NONE) {
            HandleEvent(*event);
        }
    }
    const char* stop[] = {"stop", nullptr};
    Mpv().command(mpv_.get(), stop);
    return Fail(errDeviceNotReady, "opening took too long: " + path);
}

long CMCIWnd::New(const char*) {
    Close();
    return 0;
}

void CMCIWnd::Close() {
    if (mpv_ && hasMedium_) {
        const char* stop[] = {"stop", nullptr};
        Mpv().command(mpv_.get(), stop);
        Mpv().set_property_string(mpv_.get(), "pause", "yes");
    }
    hasMedium_ = false;
    atEnd_ = false;
    playTo_ = -1;
    fileName_.clear();
    SetMode(modeNotReady);
}

void CMCIWnd::Destroy() {
    Close();
    mpv_.reset();
    mode_ = modeNotReady;
    notifiedSerial_ = modeSerial_;
}

bool CMCIWnd::SetPaused(bool paused) {
    int flag = paused ? 1 : 0;
    return Mpv().set_property(mpv_.get(), "pause", MPV_FORMAT_FLAG, &flag) >= 0;
}

long CMCIWnd::Play() {
    if (!CanPlay()) {
        return Fail(errDeviceNotReady, "no song is open");
    }
    if (atEnd_) {
        // Playing a song that has ended starts it again.
        SeekSeconds(0);
        atEnd_ = false;
    }
    if (!SetPaused(false)) {
        return Fail(errDeviceNotReady, "the player refused to play");
    }
    SetMode(modePlaying);
    return 0;
}

long CMCIWnd::PlayFrom(long position) {
    long result = Seek(position);
    return result != 0 ? result : Play();
}

long CMCIWnd::PlayTo(long position) {
    playTo_ = position;
    return Play();
}

long CMCIWnd::PlayFromTo(long from, long to) {
    long result = Seek(from);
    return result != 0 ? result : PlayTo(to);
}

long CMCIWnd::Pause() {
    if (!CanPlay()) {
        return Fail(errDeviceNotReady, "no song is open");
    }
    SetPaused(true);
    SetMode(modePaused);
    return 0;
}

long CMCIWnd::Resume() {
    if (mode_ != modePaused) {
        return CanPlay() ? 0 : Fail(errDeviceNotReady, "no song is open");
    }
    return Play();
}

long CMCIWnd::Stop() {
    if (!CanPlay()) {
        return Fail(errDeviceNotReady, "no song is open");
    }
    SetPaused(true);
    playTo_ = -1;
    SetMode(modeStopped);
    return 0;
}

long CMCIWnd::SeekSeconds(double seconds) {
    std::string target = std::to_string(seconds);
    const char* command[] = {"seek", target.c_str(), "absolute+exact", nullptr};
    if (Mpv().command(mpv_.get(), command) < 0) {
        return Fail(errOutOfRange, "cannot seek");
    }
    seekPending_ = true;
    seekIssued_ = std::chrono::steady_clock::now();
    return 0;
}

long CMCIWnd::Seek(long position) {
    if (!CanPlay()) {
        return Fail(errDeviceNotReady, "no song is open");
    }
    long length = GetLength();
    // -1 and -2 stand for the start and the end of the medium.
    long target = position == -1 ? 0 : position == -2 ? length : position;
    if (target < 0 || target > length) {
        return Fail(errOutOfRange, "the position is outside the song");
    }
    // A seek stops playback, as the media window's seek does.
    SetPaused(true);
    atEnd_ = target >= length;
    long result = SeekSeconds(target / 1000.0);
    if (result == 0) {
        SetMode(modeStopped);
    }
    return result;
}

long CMCIWnd::MoveTo(long position) {
    if (!CanPlay()) {
        return Fail(errDeviceNotReady, "no song is open");
    }
    long length = GetLength();
    if (position < 0 || position > length) {
        return Fail(errOutOfRange, "the position is outside the song");
    }
    // Just short of the end, so a playing song still ends the usual way.
    atEnd_ = false;
    return SeekSeconds(std::min(position, std::max(0L, length - 50)) / 1000.0);
}

long CMCIWnd::Step(long count) {
    // Audio has no frames: a step moves by that many milliseconds.
    long target = std::max(0L, std::min(GetLength(), GetPosition() + count));
    return Seek(target);
}

long CMCIWnd::CanPlay() const {
    return mpv_ && hasMedium_ ? 1 : 0;
}

bool CMCIWnd::ReachedEnd() const {
    int eof = 0;
    return CanPlay() && Mpv().get_property(mpv_.get(), "eof-reached", MPV_FORMAT_FLAG, &eof) >= 0 &&
           eof != 0;
}

long CMCIWnd::GetLength() const {
    double seconds = 0;
    if (!CanPlay() || Mpv().get_property(mpv_.get(), "duration", MPV_FORMAT_DOUBLE, &seconds) < 0) {
        return 0;
    }
    return std::lround(seconds * 1000);
}

long CMCIWnd::GetPosition() const {
    double seconds = 0;
    if (!CanPlay() || Mpv().get_property(mpv_.get(), "time-pos", MPV_FORMAT_DOUBLE, &seconds) < 0) {
        return 0;
    }
    return std::max(0L, std::lround(seconds * 1000));
}

long CMCIWnd::GetPositionString(std::string& text, unsigned len) const {
    long position = GetPosition();
    if (len == 0) {
        return position;
    }
    PutText(text, std::to_string(position), len);
    return 0;
}

long CMCIWnd::GetMode(std::string& text, unsigned len) const {
    static const char* kNames[] = {"not ready", "stopped", "playing", "recording",
                                   "seeking",   "paused",  "open"};
    long index = mode_ - modeNotReady;
    PutText(text, index >= 0 && index < 7 ? kNames[index] : "unknown", len);
    return mode_;
}

long CMCIWnd::GetFileName(std::string& text, unsigned len) const {
    PutText(text, fileName_, len);
    return 0;
}

long CMCIWnd::GetDevice(std::string& text, unsigned len) const {
    PutText(text, mpv_ ? "mpv" : "", len);
    return 0;
}

long CMCIWnd::GetError(std::string& text, unsigned len) const {
    if (len == 0) {
        return errorNumber_;
    }
    PutText(text, errorText_, len);
    return errorNumber_;
}

long CMCIWnd::GetTimeFormatA(std::string& text, unsigned len) const {
    PutText(text, "milliseconds", len);
    return 0;
}

long CMCIWnd::ReturnString(std::string& text, unsigned len) const {
    PutText(text, errorText_, len);
    return 0;
}

long CMCIWnd::SetTimeFormat(const char* format) {
    std::string name = format ? format : "";
    if (name == "ms" || name == "milliseconds") {
        return 0;
    }
    // Sound has no frames, samples are not offered: milliseconds stay.
    return Fail(errBadTimeFormat, "the time format is not supported for audio: " + name);
}

long CMCIWnd::GetVolume() const {
    double volume = 100;
    if (mpv_) {
        Mpv().get_property(mpv_.get(), "volume", MPV_FORMAT_DOUBLE, &volume);
    }
    return std::lround(volume * 10);
}

long CMCIWnd::SetVolume(unsigned volume) {
    if (!mpv_) {
        return Fail(errDeviceNotReady, "the player has not been created");
    }
    double value = std::min(volume, 1300u) / 10.0;
    return Mpv().set_property(mpv_.get(), "volume", MPV_FORMAT_DOUBLE, &value) >= 0
               ? 0
               : Fail(errOutOfRange, "the volume was refused");
}

long CMCIWnd::GetSpeed() const {
    double speed = 1;
    if (mpv_) {
        Mpv().get_property(mpv_.get(), "speed", MPV_FORMAT_DOUBLE, &speed);
    }
    return std::lround(speed * 1000);
}

long CMCIWnd::SetSpeed(unsigned speed) {
    if (!mpv_) {
        return Fail(errDeviceNotReady, "the player has not been created");
    }
    if (speed < 10 || speed > 100000) {
        return Fail(errOutOfRange, "the speed is out of range");
    }
    double value = speed / 1000.0;
    return Mpv().set_property(mpv_.get(), "speed", MPV_FORMAT_DOUBLE, &value) >= 0
               ? 0
               : Fail(errOutOfRange, "the speed was refused");
}

void CMCIWnd::HandleEvent(const mpv_event& event) {
    if (event.event_id == MPV_EVENT_PLAYBACK_RESTART) {
        seekPending_ = false;
    }
}

std::vector<CMCIWnd::AudioDevice> CMCIWnd::GetAudioDevices() const {
    std::vector<AudioDevice> devices;
    mpv_node list{};
    if (!mpv_ || Mpv().get_property(mpv_.get(), "audio-device-list", MPV_FORMAT_NODE, &list) < 0) {
        return devices;
    }
    if (list.format == MPV_FORMAT_NODE_ARRAY && list.u.list != nullptr) {
        for (int i = 0; i < list.u.list->num; ++i) {
            const mpv_node& entry = list.u.list->values[i];
            if (entry.format != MPV_FORMAT_NODE_MAP || entry.u.list == nullptr) {
                continue;
            }
            AudioDevice device;
            for (int k = 0; k < entry.u.list->num; ++k) {
                const mpv_node& value = entry.u.list->values[k];
                const char* key = entry.u.list->keys[k];
                if (value.format != MPV_FORMAT_STRING || key == nullptr) {
                    continue;
                }
                if (std::string_view(key) == "name") {
                    device.name = value.u.string;
                } else if (std::string_view(key) == "description") {
                    device.description = value.u.string;
                }
            }
            if (!device.name.empty()) {
                devices.push_back(std::move(device));
            }
        }
    }
    Mpv().free_node_contents(&list);
    return devices;
}

long CMCIWnd::SetAudioDevice(const std::string& name) {
    if (!mpv_) {
        return Fail(errDeviceNotReady, "the player has not been created");
    }
    const std::string device = name.empty() ? "auto" : name;
    if (Mpv().set_property_string(mpv_.get(), "audio-device", device.c_str()) < 0) {
        return Fail(errUnsupportedFunction, "no such audio device: " + device);
    }
    return 0;
}

std::string CMCIWnd::GetReplayGain() const {
    if (!mpv_) {
        return {};
    }
    char* mode = Mpv().get_property_string(mpv_.get(), "replaygain");
    std::string text = mode ? mode : "";
    Mpv().free(mode);
    return text;
}

long CMCIWnd::SetReplayGain(const std::string& mode) {
    if (!mpv_) {
        return Fail(errDeviceNotReady, "the player has not been created");
    }
    if (Mpv().set_property_string(mpv_.get(), "replaygain", mode.c_str()) < 0) {
        return Fail(errUnsupportedFunction, "no such ReplayGain mode: " + mode);
    }
    return 0;
}

bool CMCIWnd::HasAudioTrack() const {
    int64_t count = 0;
    if (Mpv().get_property(mpv_.get(), "track-list/count", MPV_FORMAT_INT64, &count) < 0) {
        return false;
    }
    // A file lists a handful of tracks; the bound only guards the loop.
    for (int64_t i = 0; i < std::min<int64_t>(count, 64); ++i) {
        std::string name = "track-list/" + std::to_string(i) + "/type";
        char* type = Mpv().get_property_string(mpv_.get(), name.c_str());
        const bool audio = type != nullptr && std::string_view(type) == "audio";
        if (type != nullptr) {
            Mpv().free(type);
        }
        if (audio) {
            return true;
        }
    }
    return false;
}

void CMCIWnd::CheckAudioOutput() {
    if (audioChecked_ || mode_ != modePlaying || seekPending_) {
        return;
    }
    audioChecked_ = true;
    // Playback has restarted, so libmpv has tried to open its output.
    char* output = Mpv().get_property_string(mpv_.get(), "current-ao");
    if (output != nullptr) {
        // The silent output stands in for one that could not be opened.
        const bool fellBack = !silentOutputChosen_ && std::string_view(output) == kSilentOutput;
        Mpv().free(output);
        if (!fellBack) {
            return;
        }
    }
    Fail(errNoAudioOutput, kNoAudioOutputText);
    SetPaused(true);
    SetMode(modeStopped);
}

void CMCIWnd::CheckForEnd() {
    // Events can describe a state that is already gone (the end of the
    // previous song, or the end before a seek back): ask for the current
    // value, and not while a seek is still under way.
    if (mode_ != modePlaying) {
        return;
    }
    // The restart notice can be missed (it may come before the load is
    // reported); a song must never play on forever because of that, so the
    // wait ends after a while and the position decides.
    if (seekPending_ && std::chrono::steady_clock::now() - seekIssued_ > std::chrono::seconds(1)) {
        seekPending_ = false;
    }
    if (seekPending_) {
        return;
    }
    bool nearEnd = GetLength() - GetPosition() <= 250;
    if (nearEnd && ReachedEnd()) {
        // The song played to its end: the device stops.
        atEnd_ = true;
        playTo_ = -1;
        SetPaused(true);
        SetMode(modeStopped);
    }
}

void CMCIWnd::NotifyPosition(bool force) {
    if (!listener_ || !hasMedium_) {
        return;
    }
    auto now = std::chrono::steady_clock::now();
    auto interval =
        std::chrono::milliseconds(mode_ == modePlaying ? activeTimerMs_ : inactiveTimerMs_);
    if (!force && now - lastPositionNotice_ < interval) {
        return;
    }
    lastPositionNotice_ = now;
    listener_->OnPositionChange(GetPosition(), GetLength());
}

void CMCIWnd::ProcessEvents() {
    if (mpv_) {
        for (;;) {
            mpv_event* event = Mpv().wait_event(mpv_.get(), 0);
            if (event->event_id == MPV_EVENT_NONE) {
                break;
            }
            HandleEvent(*event);
        }
        CheckAudioOutput();
        CheckForEnd();
        if (playTo_ >= 0 && mode_ == modePlaying && GetPosition() >= playTo_) {
            playTo_ = -1;
            SetPaused(true);
            SetMode(modeStopped);
        }
    }
    if (notifiedSerial_ != modeSerial_) {
        notifiedSerial_ = modeSerial_;
        if (listener_) {
            listener_->OnModeChange(mode_);
        }
        NotifyPosition(true);
    } else {
        NotifyPosition(false);
    }
}
