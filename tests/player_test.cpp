// The player on real files, with libmpv's silent audio output.
#include <gtest/gtest.h>

#include <algorithm>

#include <chrono>
#include <thread>
#include <vector>

#include "songcore/player/MCIWnd.h"
#include "songcore/player/PlayerPosition.h"
#include "songcore/settings/AppRegKey.h"
#include "support/TestSupport.h"

using namespace std::chrono_literals;

namespace {

struct Recorder : CMCIWndListener {
    std::vector<long> modes;
    std::vector<long> positions;
    void OnModeChange(long mode) override { modes.push_back(mode); }
    void OnPositionChange(long position, long) override { positions.push_back(position); }
};

class Player : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(player.Create({"null", false}), 1);
        player.SetListener(&recorder);
    }
    // Pumps events until done() or the time runs out; the limit is far
    // beyond what a loaded machine takes, so only a fault reaches it.
    template <typename Done>
    bool PumpUntil(Done done, std::chrono::milliseconds limit = 60000ms) {
        auto deadline = std::chrono::steady_clock::now() + limit;
        while (std::chrono::steady_clock::now() < deadline) {
            player.ProcessEvents();
            if (done()) {
                return true;
            }
            std::this_thread::sleep_for(10ms);
        }
        return false;
    }
    CMCIWnd player;
    Recorder recorder;
};

}  // namespace

TEST_F(Player, NothingOpenAtFirst) {
    std::string name = "x";
    EXPECT_EQ(player.GetFileName(name, 1000), 0);
    EXPECT_EQ(name, "");
    EXPECT_EQ(player.CanPlay(), 0);
    EXPECT_NE(player.Play(), 0);
    EXPECT_EQ(player.GetRepeat(), 0);
    player.SetRepeat(1);
    EXPECT_NE(player.GetRepeat(), 0);
    EXPECT_EQ(player.GetMode(), CMCIWnd::modeNotReady);
}

TEST_F(Player, OpenPlayPauseResumeStop) {
    std::string path = testsupport::DataFile("player/two_seconds.mp3");
    ASSERT_EQ(player.Open(path.c_str(), 0), 0);
    std::string name;
    player.GetFileName(name, 1000);
    EXPECT_EQ(name, path);
    EXPECT_EQ(player.CanPlay(), 1);
    EXPECT_NEAR(player.GetLength(), 2000, 250);  // the encoder pads a little

    ASSERT_EQ(player.Play(), 0);
    ASSERT_TRUE(PumpUntil([&] { return player.GetPosition() > 200; }));
    EXPECT_EQ(recorder.modes.back(), CMCIWnd::modePlaying);

    ASSERT_EQ(player.Pause(), 0);
    player.ProcessEvents();
    EXPECT_EQ(recorder.modes.back(), CMCIWnd::modePaused);
    long paused = player.GetPosition();
    std::this_thread::sleep_for(300ms);
    player.ProcessEvents();
    EXPECT_NEAR(player.GetPosition(), paused, 60);  // a paused song stays put

    ASSERT_EQ(player.Resume(), 0);
    ASSERT_TRUE(PumpUntil([&] { return player.GetPosition() > paused + 150; }));
    ASSERT_EQ(player.Stop(), 0);
    player.ProcessEvents();
    EXPECT_EQ(recorder.modes.back(), CMCIWnd::modeStopped);
    EXPECT_FALSE(recorder.positions.empty());
    player.Close();
    player.GetFileName(name, 1000);
    EXPECT_EQ(name, "");
    EXPECT_EQ(player.CanPlay(), 0);
}

TEST_F(Player, SeekHomeEndAndStep) {
    std::string path = testsupport::DataFile("player/two_seconds.mp3");
    ASSERT_EQ(player.Open(path.c_str(), 0), 0);
    ASSERT_EQ(player.Seek(1000), 0);
    EXPECT_TRUE(PumpUntil([&] { return std::abs(player.GetPosition() - 1000) < 60; }));
    EXPECT_EQ(player.Step(250), 0);
    EXPECT_TRUE(PumpUntil([&] { return std::abs(player.GetPosition() - 1250) < 60; }));
    EXPECT_EQ(player.Home(), 0);
    EXPECT_TRUE(PumpUntil([&] { return player.GetPosition() < 60; }));
    EXPECT_EQ(player.Seek(999999), CMCIWnd::errOutOfRange);
    EXPECT_EQ(player.End(), 0);
}

TEST_F(Player, PlayingToTheEndReportsStopped) {
    // At a quarter of the speed, so that a drain that comes late on a loaded
    // machine still finds each song playing: a song that starts and ends
    // between two drains is told as stopped alone.
    ASSERT_EQ(player.SetSpeed(250), 0);
    for (const char* name :
         {"player/one_second.ogg", "player/half_second.flac", "player/half_second.wav"}) {
        std::string path = testsupport::DataFile(name);
        ASSERT_EQ(player.Open(path.c_str(), 0), 0) << name;
        recorder.modes.clear();
        ASSERT_EQ(player.Play(), 0);
        ASSERT_TRUE(PumpUntil([&] {
            return !recorder.modes.empty() && recorder.modes.back() == CMCIWnd::modeStopped;
        })) << name;
        // A notice of the previous song may still come first on a busy
        // machine; what counts is that playing was reported before the end.
        EXPECT_NE(std::find(recorder.modes.begin(), recorder.modes.end(), CMCIWnd::modePlaying),
                  recorder.modes.end())
            << name;
        // Play again after the end starts from the beginning. On a busy
        // machine the restart can take a few drains to be seen.
        size_t before = recorder.modes.size();
        ASSERT_EQ(player.Play(), 0);
        EXPECT_TRUE(PumpUntil([&] {
            return std::find(recorder.modes.begin() + static_cast<long>(before),
                             recorder.modes.end(), CMCIWnd::modePlaying) != recorder.modes.end();
        })) << name;
        player.Stop();
        player.ProcessEvents();
    }
}

TEST_F(Player, ASongThatStartsAndEndsBetweenTwoDrainsIsReportedStopped) {
    std::string path = testsupport::DataFile("player/half_second.wav");
    ASSERT_EQ(player.Open(path.c_str(), 0), 0);
    player.ProcessEvents();
    ASSERT_EQ(recorder.modes.back(), CMCIWnd::modeStopped);
    recorder.modes.clear();
    ASSERT_EQ(player.Play(), 0);
    // The owner is busy elsewhere while the whole song plays.
    testsupport::WaitUntil([&] { return player.ReachedEnd(); });
    ASSERT_TRUE(PumpUntil([&] { return !recorder.modes.empty(); }));
    EXPECT_EQ(recorder.modes.back(), CMCIWnd::modeStopped);
}

TEST_F(Player, UnplayableFilesFailToOpenAndNeverPlay) {
    std::string missing = "/no/such/song.mp3";
    EXPECT_EQ(player.Open(missing.c_str(), 0), CMCIWnd::errFileNotFound);
    std::string text;
    player.GetError(text, 1000);
    EXPECT_NE(text.find(missing), std::string::npos);

    std::string garbage = testsupport::DataFile("player/garbage.mp3");
    EXPECT_NE(player.Open(garbage.c_str(), 0), 0);
    std::string notes = testsupport::DataFile("player/make.sh");
    EXPECT_NE(player.Open(notes.c_str(), 0), 0);
    EXPECT_EQ(player.CanPlay(), 0);
    EXPECT_NE(player.Play(), 0);
    player.ProcessEvents();
    for (long mode : recorder.modes) {
        EXPECT_NE(mode, CMCIWnd::modePlaying);
    }
}

TEST_F(Player, VolumeSpeedAndTimeFormats) {
    EXPECT_EQ(player.SetVolume(500), 0);
    EXPECT_EQ(player.GetVolume(), 500);
    EXPECT_EQ(player.SetSpeed(1500), 0);
    EXPECT_EQ(player.GetSpeed(), 1500);
    EXPECT_NE(player.SetSpeed(0), 0);
    EXPECT_EQ(player.UseTime(), 0);
    EXPECT_EQ(player.UseFrames(), CMCIWnd::errBadTimeFormat);
    // Video-only and recording requests change nothing.
    EXPECT_EQ(player.Record(), CMCIWnd::errUnsupportedFunction);
    EXPECT_EQ(player.CanRecord(), 0);
    EXPECT_EQ(player.Eject(), CMCIWnd::errUnsupportedFunction);
    player.SetTimers(100, 300);
    EXPECT_EQ(player.GetActiveTimer(), 100);
    EXPECT_EQ(player.GetInactiveTimer(), 300);
}

TEST_F(Player, WakeupHookAsksTheOwnerToDrainEvents) {
    std::atomic<int> wakeups{0};
    player.SetWakeupHook([&] { ++wakeups; });
    std::string path = testsupport::DataFile("player/one_second.ogg");
    ASSERT_EQ(player.Open(path.c_str(), 0), 0);
    ASSERT_EQ(player.Play(), 0);
    EXPECT_TRUE(PumpUntil([&] { return wakeups.load() > 0; }));
    player.SetWakeupHook(nullptr);
}

// Songs play at the loudness their ReplayGain tags ask for: the track's
// unless the settings say the album's or none.
TEST(PlayerLoudness, AppliesTheReplayGainChosen) {
    testsupport::TempDir dir;
    ::setenv("XDG_CONFIG_HOME", dir.path().c_str(), 1);
    struct Restore {
        ~Restore() { ::unsetenv("XDG_CONFIG_HOME"); }
    } restore;
    EXPECT_EQ(CAppRegKey().GetReplayGain(), "track");
    for (const char* mode : {"track", "album", "no"}) {
        CMCIWnd player;
        CMCIWnd::Options options("null");
        options.replayGain = mode;
        ASSERT_EQ(player.Create(options), 1);
        EXPECT_EQ(player.GetReplayGain(), mode);
        EXPECT_EQ(player.SetReplayGain("no"), 0);
        EXPECT_EQ(player.GetReplayGain(), "no");
        ASSERT_EQ(CAppRegKey().SetReplayGain(mode), 1);
        EXPECT_EQ(CAppRegKey().GetReplayGain(), mode);
    }
    // A value the player does not know reads as the default.
    ASSERT_EQ(CAppRegKey().SetReplayGain("loud"), 1);
    EXPECT_EQ(CAppRegKey().GetReplayGain(), "track");
    EXPECT_EQ(testsupport::RunTunemoss({"play", "--replaygain", "loud", "x.mp3"}).status, 2);
}

TEST(PlayerLifetime, DestroyedWhilePlaying) {
    auto player = std::make_unique<CMCIWnd>();
    ASSERT_EQ(player->Create({"null", false}), 1);
    std::string path = testsupport::DataFile("player/two_seconds.mp3");
    ASSERT_EQ(player->Open(path.c_str(), 0), 0);
    ASSERT_EQ(player->Play(), 0);
    testsupport::WaitUntil([&] { return player->GetPosition() > 0; });
    player.reset();  // must not hang or crash
    CMCIWnd other;
    other.Destroy();  // never created: nothing to do
}

TEST(PlayerPosition, ShowsHoursOfLongSongs) {
    EXPECT_EQ(songcore::FormatPlayerPosition(0, 0), "00:00/00:00");
    // A song of an hour or more shows its hours, in both halves.
    EXPECT_EQ(songcore::FormatPlayerPosition(61500, (3600 + 125) * 1000L), "0:01:01/1:02:05");
    EXPECT_EQ(songcore::FormatPlayerPosition(15 * 60000L, 75 * 60000L), "0:15:00/1:15:00");
    EXPECT_EQ(songcore::FormatPlayerPosition(61500, 3599999), "01:01/59:59");
    EXPECT_EQ(songcore::FormatPlayerPosition(-5, 59999), "00:00/00:59");
    // A length alone, as the play list's column shows it.
    EXPECT_EQ(songcore::FormatSongLength(2500), "0:02");
    EXPECT_EQ(songcore::FormatSongLength(3599999), "59:59");
    EXPECT_EQ(songcore::FormatSongLength(75 * 60000L), "1:15:00");
    EXPECT_EQ(songcore::FormatSongLength(-1), "");
}

TEST(PlayCommand, PlaysEachFileAndReportsTheOnesThatFail) {
    auto result = testsupport::RunTunemoss(
        {"play", "--audio-output", "null", testsupport::DataFile("player/half_second.wav"),
         "/no/such.ogg", testsupport::DataFile("player/garbage.mp3")});
    EXPECT_EQ(result.status, 1);
    EXPECT_NE(result.out.find("Playing: half_second.wav"), std::string::npos) << result.out;
    EXPECT_NE(result.err.find("tunemoss: /no/such.ogg: cannot play"), std::string::npos);
    EXPECT_NE(result.err.find("garbage.mp3: cannot play"), std::string::npos) << result.err;
    EXPECT_EQ(testsupport::RunTunemoss({"play"}).status, 2);
}
