#pragma once
// CMCIWnd: the system's player. Every operation of the media control window
// that has a meaning for audio is here, played through libmpv; the ones that
// only make sense for video or recording answer "not supported".
//
// Threading: a CMCIWnd belongs to the thread that created it (the owner).
// libmpv runs its own threads; when it has news it only calls the wakeup
// hook (from any thread), which should ask the owner to call ProcessEvents.
// Without a hook the owner calls ProcessEvents regularly. Listener calls are
// made only from ProcessEvents, on the owner's thread. A mode notice tells
// the mode as it stands when the owner drains events; several changes
// between two drains make one notice, even when the mode came back to the
// one last told (a song that started and ended meanwhile is reported as
// stopped).

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "songcore/player/MCIWndListener.h"

struct mpv_handle;

class CMCIWnd {
public:
    // Device modes, as the media control interface numbers them.
    static constexpr long modeNotReady = 524;
    static constexpr long modeStopped = 525;
    static constexpr long modePlaying = 526;
    static constexpr long modeRecording = 527;
    static constexpr long modeSeeking = 528;
    static constexpr long modePaused = 529;
    static constexpr long modeOpen = 530;

    // Error numbers of the media control interface that Open and the other
    // requests return.
    static constexpr long errHardware = 262;
    static constexpr long errUnsupportedFunction = 274;
    static constexpr long errFileNotFound = 275;
    static constexpr long errDeviceNotReady = 276;
    static constexpr long errOutOfRange = 282;
    static constexpr long errBadTimeFormat = 293;
    static constexpr long errInvalidFile = 296;

    struct Options {
        Options(std::string output = {}, bool untimedPlay = false, std::string device = {})
            : audioOutput(std::move(output)),
              untimed(untimedPlay),
              audioDevice(std::move(device)) {}
        std::string audioOutput;  // mpv's "ao"; empty: the system's default
        bool untimed = false;     // with ao "null": play as fast as possible
        std::string audioDevice;  // mpv's "audio-device"; empty: the default
        // The ReplayGain tags applied: "track", "album" or "no".
        std::string replayGain = "track";
    };

    // The song stopped because no audio output could be opened: playing any
    // other song would fail the same way.
    static constexpr long errNoAudioOutput = errHardware;
    static const char* const kNoAudioOutputText;

    CMCIWnd();
    ~CMCIWnd();
    CMCIWnd(const CMCIWnd&) = delete;
    CMCIWnd& operator=(const CMCIWnd&) = delete;

    // Creates the player; 1 on success, 0 if libmpv cannot be started.
    int Create(const Options& options);
    int Create() { return Create(Options()); }
    bool IsCreated() const { return mpv_ != nullptr; }
    void SetListener(CMCIWndListener* listener) { listener_ = listener; }
    // Called from libmpv's threads when events wait; may be empty.
    void SetWakeupHook(std::function<void()> hook);
    // Drains libmpv's events and calls the listener; owner's thread only.
    void ProcessEvents();

    // 0 on success, an error number otherwise.
    long Open(const char* file, unsigned flags = 0);
    long OpenDialog() { return errUnsupportedFunction; }
    long New(const char* device);
    void Close();
    void Destroy();

    long Play();
    long PlayFrom(long position);
    long PlayTo(long position);
    long PlayFromTo(long from, long to);
    long PlayReverse() { return errUnsupportedFunction; }
    long Pause();
    long Resume();
    long Stop();
    long Seek(long position);
    // Moves the play position and leaves the device playing or paused as it
    // was (a seek bar's move; Seek stops, as the media window's does).
    long MoveTo(long position);
    long Home() { return Seek(-1); }
    long End() { return Seek(-2); }
    long Step(long count);
    long Record() { return errUnsupportedFunction; }
    long Save(const char*) { return errUnsupportedFunction; }
    long SaveDialog() { return errUnsupportedFunction; }
    long Eject() { return errUnsupportedFunction; }

    long CanPlay() const;
    long CanWindow() const { return 0; }
    long CanRecord() const { return 0; }
    long CanSave() const { return 0; }
    long CanEject() const { return 0; }
    long CanConfig() const { return 0; }

    long GetLength() const;
    long GetPosition() const;
    long GetStart() const { return hasMedium_ ? 0 : 0; }
    long GetEnd() const { return GetLength(); }
    long GetPositionString(std::string& text, unsigned len) const;
    long GetMode(std::string& text, unsigned len) const;
    long GetMode() const { return mode_; }
    // Whether libmpv has played the open song to its end, asked of libmpv
    // now: the owner may not have drained the news yet.
    bool ReachedEnd() const;
    long GetFileName(std::string& text, unsigned len) const;
    long GetDevice(std::string& text, unsigned len) const;
    long GetError(std::string& text, unsigned len) const;
    long GetTimeFormatA(std::string& text, unsigned len) const;
    long ReturnString(std::string& text, unsigned len) const;
    long SendString(const char*) { return errUnsupportedFunction; }
    long SetTimeFormat(const char* format);
    long UseTime() { return SetTimeFormat("ms"); }
    long UseFrames() { return SetTimeFormat("frames"); }

    // 0 to 1000 and up: 1000 is the recorded level.
    long GetVolume() const;
    long SetVolume(unsigned volume);
    // 1000 is normal speed.
    long GetSpeed() const;
    long SetSpeed(unsigned speed);
    long GetZoom() const { return 100; }
    long SetZoom(unsigned) { return errUnsupportedFunction; }
    long GetPalette() const { return 0; }
    long SetPalette(void*) { return errUnsupportedFunction; }
    long Realize(bool) { return errUnsupportedFunction; }
    long GetStyles() const { return 0; }
    long ChangeStyles(unsigned, long) { return 0; }

    long GetActiveTimer() const { return activeTimerMs_; }
    long GetInactiveTimer() const { return inactiveTimerMs_; }
    void SetActiveTimer(unsigned ms) { activeTimerMs_ = ms; }
    void SetInactiveTimer(unsigned ms) { inactiveTimerMs_ = ms; }
    void SetTimers(unsigned active, unsigned inactive) {
        activeTimerMs_ = active;
        inactiveTimerMs_ = inactive;
    }

    // The audio outputs libmpv offers: "auto" first, then each driver's
    // devices ("pulse/alsa_output...", "alsa/default", ...).
    struct AudioDevice {
        std::string name;
        std::string description;
    };
    std::vector<AudioDevice> GetAudioDevices() const;
    // Takes effect with the next song.
    long SetAudioDevice(const std::string& name);
    // The ReplayGain tags the player applies: "track", "album" or "no".
    std::string GetReplayGain() const;
    // Takes effect at once.
    long SetReplayGain(const std::string& mode);

    int GetRepeat() const { return repeat_; }
    void SetRepeat(int repeat) { repeat_ = repeat ? 1 : 0; }

private:
    struct MpvDeleter {
        void operator()(mpv_handle* handle) const;
    };

    long Fail(long error, std::string text);
    void SetMode(long mode);
    void HandleEvent(const struct mpv_event& event);
    // Once a song plays: a player without an audio output stops with
    // errNoAudioOutput instead of standing at 00:00 for ever.
    void CheckAudioOutput();
    // Whether the open file has an audio track, selected or not.
    bool HasAudioTrack() const;
    void CheckForEnd();
    void NotifyPosition(bool force);
    bool SetPaused(bool paused);
    long SeekSeconds(double seconds);

    struct WakeupRelay;

    // Declared before mpv_ so that it outlives the player's threads.
    std::unique_ptr<WakeupRelay> relay_;
    std::unique_ptr<mpv_handle, MpvDeleter> mpv_;
    CMCIWndListener* listener_ = nullptr;
    std::string fileName_;
    std::string errorText_;
    long errorNumber_ = 0;
    long mode_ = modeNotReady;
    // Every change counts, so that a song that starts and ends between two
    // drains is still reported as stopped.
    unsigned long modeSerial_ = 0;
    unsigned long notifiedSerial_ = 0;
    bool hasMedium_ = false;
    bool atEnd_ = false;
    bool seekPending_ = false;   // until libmpv says playback restarted
    bool audioChecked_ = false;  // whether this song's audio output was found
    // libmpv's silent output, and whether it was asked for rather than
    // fallen back to.
    static constexpr std::string_view kSilentOutput = "null";
    bool silentOutputChosen_ = false;
    std::chrono::steady_clock::time_point seekIssued_{};
    long playTo_ = -1;  // stop here (ms), or -1
    int repeat_ = 0;
    unsigned activeTimerMs_ = 500;
    unsigned inactiveTimerMs_ = 2000;
    std::chrono::steady_clock::time_point lastPositionNotice_{};
};
