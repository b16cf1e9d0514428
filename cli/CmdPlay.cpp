// tunemoss play: plays songs one after another on the terminal.
#include <poll.h>
#include <signal.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <iostream>

#include "cli/Command.h"
#include "cli/Options.h"
#include "songcore/player/MCIWnd.h"
#include "songcore/player/PlayerPosition.h"
#include "songcore/settings/AppRegKey.h"
#include "songcore/tags/SongFileInfo.h"

namespace tunemoss {
namespace {

std::atomic<bool> interrupted{false};

void OnInterrupt(int) {
    interrupted = true;
}

// Puts the terminal in single-key mode for its lifetime.
class RawTerminal {
public:
    RawTerminal() {
        if (!::isatty(STDIN_FILENO) || ::tcgetattr(STDIN_FILENO, &saved_) != 0) {
            return;
        }
        termios raw = saved_;
        raw.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO);
        raw.c_cc[VMIN] = 0;
        raw.c_cc[VTIME] = 0;
        active_ = ::tcsetattr(STDIN_FILENO, TCSANOW, &raw) == 0;
    }
    ~RawTerminal() {
        if (active_) {
            ::tcsetattr(STDIN_FILENO, TCSANOW, &saved_);
        }
    }
    RawTerminal(const RawTerminal&) = delete;
    RawTerminal& operator=(const RawTerminal&) = delete;
    bool active() const { return active_; }

    // A key pressed within the wait, or 0.
    char key(int waitMs) const {
        pollfd fd = {STDIN_FILENO, POLLIN, 0};
        if (!active_ || ::poll(&fd, 1, waitMs) <= 0) {
            if (!active_) {
                ::usleep(static_cast<useconds_t>(waitMs) * 1000);
            }
            return 0;
        }
        char c = 0;
        return ::read(STDIN_FILENO, &c, 1) == 1 ? c : 0;
    }

private:
    termios saved_{};
    bool active_ = false;
};

std::string NowPlaying(const std::string& path) {
    CSongFileInfo info;
    std::string artist, title;
    if (info.Open(path, 1, 0) && info.GetSongInfo()) {
        artist = info.GetArtist();
        title = info.GetTitle();
    }
    if (title.empty()) {
        size_t slash = path.rfind('/');
        title = slash == std::string::npos ? path : path.substr(slash + 1);
    }
    return artist.empty() ? title : artist + " - " + title;
}

enum class Outcome { Ended, Skipped, Quit, NoAudio };

Outcome PlayOne(CMCIWnd& player, const RawTerminal& terminal, const std::string& label,
                bool showProgress) {
    if (showProgress) {
        std::cout << label << "\n";
    } else {
        std::cout << "Playing: " << label << std::endl;
    }
    std::string shown;
    for (;;) {
        player.ProcessEvents();
        if (interrupted) {
            player.Stop();
            return Outcome::Quit;
        }
        long mode = player.GetMode();
        if (mode == CMCIWnd::modeStopped) {
            if (showProgress) {
                std::cout << "\n";
            }
            std::string reason;
            if (player.GetError(reason, 1000) == CMCIWnd::errNoAudioOutput) {
                return Outcome::NoAudio;
            }
            return Outcome::Ended;
        }
        if (showProgress) {
            std::string text =
                songcore::FormatPlayerPosition(player.GetPosition(), player.GetLength());
            if (mode == CMCIWnd::modePaused) {
                text += " (paused)";
            }
            if (text != shown) {
                std::cout << "\r" << text << "          \r" << text << std::flush;
                shown = text;
            }
        }
        switch (terminal.key(100)) {
            case ' ':
                mode == CMCIWnd::modePaused ? player.Resume() : player.Pause();
                break;
            case 'q':
            case 'Q':
                player.Stop();
                std::cout << "\n";
                return Outcome::Quit;
            case 'n':
            case 'N':
                player.Stop();
                std::cout << "\n";
                return Outcome::Skipped;
            default:
                break;
        }
    }
}

const std::vector<OptionSpec> kOptions = {
    {"audio-output", ValueKind::Text},
    {"replaygain", ValueKind::Choice, {"track", "album", "no"}},
};

int RunPlay(const std::vector<std::string>& args) {
    Options options(kOptions);
    if (!options.parse(args)) {
        return UsageError("play", options.error());
    }
    if (options.positional().empty()) {
        return UsageError("play", "no file given");
    }
    CMCIWnd::Options playerOptions;
    playerOptions.audioOutput = options.value("audio-output").value_or("");
    playerOptions.replayGain = options.value("replaygain").value_or(CAppRegKey().GetReplayGain());
    if (playerOptions.replayGain != "track" && playerOptions.replayGain != "album" &&
        playerOptions.replayGain != "no") {
        return UsageError("play", "--replaygain takes track, album or no");
    }
    CMCIWnd player;
    if (!player.Create(playerOptions)) {
        ReportError("the player could not be started (libmpv)");
        return kExitFailure;
    }
    struct sigaction action = {};
    action.sa_handler = OnInterrupt;
    ::sigaction(SIGINT, &action, nullptr);
    ::sigaction(SIGTERM, &action, nullptr);

    RawTerminal terminal;
    bool showProgress = ::isatty(STDOUT_FILENO);
    if (terminal.active()) {
        std::cout << "space: pause/resume, n: next song, q: quit\n";
    }
    int status = kExitOk;
    for (const std::string& path : options.positional()) {
        if (long error = player.Open(path.c_str(), 0); error != 0) {
            std::string text;
            player.GetError(text, 1000);
            ReportFileError(path, "cannot play: " + text);
            status = kExitFailure;
            if (error == CMCIWnd::errNoAudioOutput) {
                break;  // every other song would fail the same way
            }
            continue;
        }
        player.Play();
        Outcome outcome = PlayOne(player, terminal, NowPlaying(path), showProgress);
        if (outcome == Outcome::NoAudio) {
            std::string reason;
            player.GetError(reason, 1000);
            ReportFileError(path, "cannot play: " + reason);
            status = kExitFailure;
            break;
        }
        if (outcome == Outcome::Quit) {
            break;
        }
    }
    player.Destroy();
    return status;
}

const CommandRegistrar registrar({
    "play",
    "play songs one after another",
    "Usage: tunemoss play [--audio-output NAME] [--replaygain track|album|no] FILE...\n"
    "Plays the files in turn, showing the position, artist and title. On a\n"
    "terminal: space pauses and resumes, n skips to the next song, q stops.\n\n"
    "  --audio-output NAME   the sound output to use (for example pulse, alsa,\n"
    "                        pipewire); null plays silently in real time\n"
    "  --replaygain MODE     play at the loudness of the song's ReplayGain tags:\n"
    "                        track, album or no (default: ReplayGain under\n"
    "                        [Player] in the settings, else track)\n",
    &RunPlay,
    kOptions,
    ValueKind::Song,
    {},
    "tunemoss play --audio-output pulse song.mp3 song.ogg\n",
});

}  // namespace
}  // namespace tunemoss
