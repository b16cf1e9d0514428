// The player's state machine on real files, played with libmpv's silent
// audio output.
#include <QSignalSpy>
#include <QtTest>
#include <set>
#include <vector>

#include "QarvTestSupport.h"
#include "qarv/PlayerControl.h"

namespace {

// A play list with the cursor rules of the real one.
struct Row {
    std::string artist, title, file;
};
class TestList : public PlayerList {
public:
    std::vector<Row> rows;
    std::set<int> selected;
    int cursor = -1;

    int GetItemCount() const override { return static_cast<int>(rows.size()); }
    int GetPlayerCurrentIndex() const override { return cursor; }
    void SetPlayerCurrentIndex(int index) override { cursor = index; }
    std::string GetPlayerNextSong() override {
        ++cursor;
        if (cursor < GetItemCount()) {
            return rows[cursor].file;
        }
        cursor = -1;
        return "";
    }
    bool Valid() const { return cursor >= 0 && cursor < GetItemCount(); }
    std::string GetPlayerCurrentSong() const override { return Valid() ? rows[cursor].file : ""; }
    std::string GetPlayerCurrentArtist() const override {
        return Valid() ? rows[cursor].artist : "";
    }
    std::string GetPlayerCurrentTitle() const override { return Valid() ? rows[cursor].title : ""; }
    int GetFirstSelectedRow() const override { return selected.empty() ? -1 : *selected.begin(); }
};

std::string Sample(const char* name) {
    return qarvtest::DataFile(QStringLiteral("player/") + name).toStdString();
}

std::string OpenFile(CMCIWnd& player) {
    std::string name;
    player.GetFileName(name, 1000);
    return name;
}

}  // namespace

class PlayerControlTest : public QObject {
    Q_OBJECT
private:
    // untimed: songs end as fast as they can be decoded.
    void Start(bool untimed) {
        player = std::make_unique<CMCIWnd>();
        QVERIFY(player->Create({"null", untimed}) == 1);
        list = TestList();
        control = std::make_unique<PlayerControl>(*player, list);
    }
    std::unique_ptr<CMCIWnd> player;
    TestList list;
    std::unique_ptr<PlayerControl> control;

private Q_SLOTS:
    void cleanup() {
        control.reset();
        player.reset();
    }

    void startsStoppedWithWelcomeText() {
        Start(false);
        QCOMPARE(control->Mode(), CMCIWnd::modeStopped);
        QVERIFY(control->StatusText().startsWith("Welcome to use \"Tunemoss "));
        QCOMPARE(control->PositionText(), QString("00:00/00:00"));
        QCOMPARE(control->PlayButtonText(), QString("Play"));
        QCOMPARE(control->RepeatButtonText(), QString("Repeat"));
        QVERIFY(!control->CanPlayCommand());
        QVERIFY(!control->CanStopCommand());
        // Nothing to play, nothing open: both commands do nothing.
        control->PlayPause();
        control->Stop();
        QCOMPARE(player->CanPlay(), 0L);
        QVERIFY(control->StatusText().startsWith("Welcome"));
        control->ToggleRepeat();
        QCOMPARE(control->RepeatButtonText(), QString("Unrepeat"));
        QCOMPARE(player->GetRepeat(), 1);
    }

    void playPauseResumeStop() {
        Start(false);
        list.rows = {{"Artist", "Two", Sample("two_seconds.mp3")},
                     {"", "One", Sample("one_second.ogg")}};
        QVERIFY(control->CanPlayCommand());
        control->PlayPause();
        QCOMPARE(list.cursor, 0);  // no selection: the first row
        QCOMPARE(control->StatusText(), QString("Open ..."));
        QTRY_COMPARE(control->Mode(), CMCIWnd::modePlaying);
        QCOMPARE(control->StatusText(), QString("Artist - Two"));
        QCOMPARE(control->PlayButtonText(), QString("Pause"));
        QCOMPARE(control->PlayMenuText(), QString("&Pause\tCtrl+P"));
        QCOMPARE(control->TrayPlayText(), QString("&Pause"));
        QVERIFY(control->CanStopCommand());
        QCOMPARE(control->SliderMaximum(), 2);
        QTRY_VERIFY(control->PositionText() != "00:00/00:00" || control->SliderValue() > 0 ||
                    player->GetPosition() > 0);

        control->PlayPause();
        QTRY_COMPARE(control->Mode(), CMCIWnd::modePaused);
        QCOMPARE(control->PlayButtonText(), QString("Play"));
        QVERIFY(control->CanStopCommand());
        control->PlayPause();
        QTRY_COMPARE(control->Mode(), CMCIWnd::modePlaying);

        control->Stop();
        QCOMPARE(player->CanPlay(), 0L);
        QCOMPARE(control->StatusText(), QString());
        // A stopped player has no song, so no length either.
        QCOMPARE(control->PositionText(), QString("00:00/00:00"));
        QCOMPARE(control->SliderValue(), 0);
        // The stop is the user's: nothing else starts.
        QTest::qWait(300);
        QCOMPARE(player->CanPlay(), 0L);
        QVERIFY(control->Mode() != CMCIWnd::modePlaying);
        QCOMPARE(list.cursor, 0);
        QCOMPARE(control->PositionText(), QString("00:00/00:00"));
    }

    void playStartsAtFirstSelectedRow() {
        Start(false);
        for (int i = 0; i < 6; ++i) {
            list.rows.push_back({"A", "T" + std::to_string(i), Sample("two_seconds.mp3")});
        }
        list.rows[3].file = Sample("one_second.ogg");
        list.selected = {5, 3};
        control->PlayPause();
        QCOMPARE(list.cursor, 3);
        QCOMPARE(OpenFile(*player), Sample("one_second.ogg"));
        QTRY_COMPARE(control->StatusText(), QString("A - T3"));
    }

    void playsThroughAndEndsAfterLastRow() {
        Start(true);
        list.rows = {{"A", "First", Sample("half_second.wav")},
                     {"B", "Second", Sample("one_second.ogg")}};
        QSignalSpy positions(control.get(), &PlayerControl::positionTextChanged);
        control->PlayPause();
        QTRY_COMPARE_WITH_TIMEOUT(list.cursor, 1, 10000);
        QTRY_VERIFY_WITH_TIMEOUT(player->CanPlay() == 0, 10000);
        // Repeat off: the player is closed and nothing else plays.
        QCOMPARE(control->PositionText(), QString("00:00/00:00"));
        QCOMPARE(control->SliderValue(), 0);
        QCOMPARE(control->StatusText(), QString());
        QCOMPARE(OpenFile(*player), std::string());
        QTest::qWait(200);
        QCOMPARE(player->CanPlay(), 0L);
        QVERIFY(control->Mode() != CMCIWnd::modePlaying);
    }

    void repeatStartsOverAtTheFirstRow() {
        Start(true);
        list.rows = {{"A", "First", Sample("half_second.wav")},
                     {"B", "Second", Sample("half_second.flac")}};
        control->ToggleRepeat();
        list.selected = {1};
        control->PlaySelected();
        QCOMPARE(list.cursor, 1);
        // The last row ends, and the first row plays again.
        QTRY_COMPARE_WITH_TIMEOUT(list.cursor, 0, 10000);
        QCOMPARE(OpenFile(*player), Sample("half_second.wav"));
        control->ToggleRepeat();
        QTRY_VERIFY_WITH_TIMEOUT(player->CanPlay() == 0, 10000);
    }

    void unplayableSongsAreSkippedWithTheirReason() {
        Start(false);
        list.rows = {{"A", "Bad", Sample("garbage.mp3")}, {"B", "Good", Sample("one_second.ogg")}};
        QSignalSpy statuses(control.get(), &PlayerControl::statusTextChanged);
        control->PlayPause();
        // The broken song is told of, and the next one plays.
        QCOMPARE(list.cursor, 1);
        QCOMPARE(OpenFile(*player), Sample("one_second.ogg"));
        bool told = false;
        for (const QList<QVariant>& status : statuses) {
            told = told || status[0].toString().startsWith("Cannot play garbage.mp3: ");
        }
        QVERIFY(told);
        QTRY_COMPARE_WITH_TIMEOUT(control->StatusText(), QString("B - Good"), 10000);
        control->Stop();
        QTRY_VERIFY_WITH_TIMEOUT(control->Mode() != CMCIWnd::modePlaying, 10000);

        // No row can be played: it stops, and says why.
        list.rows = {{"A", "Bad", Sample("garbage.mp3")},
                     {"C", "Gone", Sample("no_such_file.mp3")}};
        control->ToggleRepeat();  // repeat must not make it go round for ever
        list.cursor = -1;
        control->PlayPause();
        QCOMPARE(player->CanPlay(), 0L);
        QVERIFY2(control->StatusText().startsWith("No song of the play list can be played"),
                 qPrintable(control->StatusText()));
    }

    void seekingKeepsPlayingTheSameSong() {
        Start(false);
        list.rows = {{"A", "Two", Sample("two_seconds.mp3")},
                     {"B", "One", Sample("one_second.ogg")}};
        control->PlayPause();
        QTRY_COMPARE(control->Mode(), CMCIWnd::modePlaying);
        // While the handle is dragged, the time shown follows it.
        control->PreviewSeek(1);
        QVERIFY2(control->PositionText().startsWith("00:01/"), qPrintable(control->PositionText()));
        control->SeekTo(1);
        QCOMPARE(control->SliderValue(), 1);
        QTRY_VERIFY(player->GetPosition() >= 1000);
        QCOMPARE(control->Mode(), CMCIWnd::modePlaying);
        QCOMPARE(list.cursor, 0);
        // Past the end is refused; nothing changes.
        control->SeekTo(60);
        QCOMPARE(list.cursor, 0);
        control->Stop();
    }

    void noAudioOutputSaysSoAndStops() {
        // An output that cannot be opened, wherever the test runs.
        player = std::make_unique<CMCIWnd>();
        QVERIFY(player->Create({"alsa", false, "alsa/tunemoss-no-such-device"}) == 1);
        list = TestList();
        control = std::make_unique<PlayerControl>(*player, list);
        list.rows = {{"A", "Two", Sample("two_seconds.mp3")},
                     {"B", "One", Sample("one_second.ogg")}};
        control->PlayPause();
        QTRY_VERIFY2_WITH_TIMEOUT(
            control->StatusText().startsWith("Cannot play two_seconds.mp3: no "
                                             "audio output"),
            qPrintable(control->StatusText()), 10000);
        QCOMPARE(player->CanPlay(), 0L);
        // The next song is not tried: it would fail the same way.
        QCOMPARE(list.cursor, 0);
        QVERIFY(control->Mode() != CMCIWnd::modePlaying);
        QCOMPARE(control->PositionText(), QString("00:00/00:00"));
    }

    void doubleClickWithoutSelectionDoesNothing() {
        Start(false);
        list.rows = {{"A", "T", Sample("one_second.ogg")}};
        control->PlaySelected();
        QCOMPARE(list.cursor, -1);
        QCOMPARE(player->CanPlay(), 0L);
    }
};

QTEST_GUILESS_MAIN(PlayerControlTest)
#include "playercontrol_test.moc"
