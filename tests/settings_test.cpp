// Settings: defaults of a fresh profile, the value rules, and where they are
// kept.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "songcore/settings/AppRegKey.h"
#include "songcore/settings/Ini.h"
#include "support/TestSupport.h"

using testsupport::ReadFileText;
using testsupport::TempDir;

namespace {

class SettingsTest : public ::testing::Test {
protected:
    void SetUp() override { ::setenv("XDG_CONFIG_HOME", dir.path().c_str(), 1); }
    void TearDown() override { ::unsetenv("XDG_CONFIG_HOME"); }
    std::string StorePath() const { return dir.path() + "/Tunemoss/qarv.ini"; }

    TempDir dir;
    CAppRegKey key;
};

}  // namespace

TEST_F(SettingsTest, FreshProfileGivesTheDefaultsAndWritesNothing) {
    EXPECT_EQ(CAppRegKey::GetStorePath(), StorePath());
    EXPECT_EQ(key.GetSongVolume(), 500);
    EXPECT_EQ(key.GetSongRepeat(), 0);
    EXPECT_EQ(key.AskWhenExitApp(), 1);
    EXPECT_EQ(key.MinimizeToTray(), 0);
    EXPECT_EQ(key.PlayWhenDblClkItem(), 1);
    EXPECT_EQ(key.GetRenameAsCustomizeString(), "%TITLE");
    EXPECT_EQ(key.GetCopyToFileNameFormat(), "%TITLE");
    EXPECT_EQ(key.GetTabSelectedIndex(), 0);
    EXPECT_EQ(key.GetSongTreeViewMethod(), 0u);
    EXPECT_EQ(key.GetSearchContentCount(), 0);
    EXPECT_EQ(key.GetSearchFilterIndex(), 0);
    EXPECT_EQ(key.GetSearchPlaceIndex(), 0);
    EXPECT_EQ(key.GetAlwaysOnTop(), 0);
    EXPECT_EQ(key.GetSongSelectedItem(), "");
    EXPECT_EQ(key.GetLastPlaying(), "");
    EXPECT_EQ(key.GetDefaultFolder(), "");
    EXPECT_EQ(key.GetSearchContent(0), "");
    EXPECT_FALSE(std::filesystem::exists(dir.path() + "/Tunemoss"));
}

TEST_F(SettingsTest, ValuesAreStoredUnderTheirSectionsAndNames) {
    ASSERT_TRUE(key.SetSongVolume(250));
    ASSERT_TRUE(key.SetSongSelectedItem("0;2;"));
    ASSERT_TRUE(key.SetSongTreeViewMethod(0xFFFFFFFEu));
    ASSERT_TRUE(key.SetSearchContentCount(2));
    ASSERT_TRUE(key.SetSearchContent(1, "abba"));
    ASSERT_TRUE(key.SetAskWhenExitApp(0));
    ASSERT_TRUE(key.SetAlwaysOnTop(8));
    ASSERT_TRUE(key.SetCopyToFileNameFormat("%ARTIST - %TITLE"));
    ASSERT_TRUE(key.SetLastPlaying("/music/a b.mp3"));

    CAppRegKey other;
    EXPECT_EQ(other.GetSongVolume(), 250);
    EXPECT_EQ(other.GetSongSelectedItem(), "0;2;");
    EXPECT_EQ(other.GetSongTreeViewMethod(), 0xFFFFFFFEu);
    EXPECT_EQ(other.GetSearchContent(1), "abba");
    EXPECT_EQ(other.AskWhenExitApp(), 0);
    EXPECT_EQ(other.GetAlwaysOnTop(), 8);
    EXPECT_EQ(other.GetCopyToFileNameFormat(), "%ARTIST - %TITLE");
    EXPECT_EQ(other.GetLastPlaying(), "/music/a b.mp3");

    CIni ini(StorePath().c_str());
    EXPECT_EQ(ini.GetString("Song", "Volume"), "250");
    EXPECT_EQ(ini.GetString("Song", "SelectedItem"), "0;2;");
    EXPECT_EQ(ini.GetString("Search", "Content 1"), "abba");
    EXPECT_EQ(ini.GetString("Setting", "TopMost"), "8");
    EXPECT_EQ(ini.GetString("Setting", "CopyTo"), "%ARTIST - %TITLE");
}

TEST_F(SettingsTest, RepeatIsOnlyZeroOrOne) {
    ASSERT_TRUE(key.SetSongRepeat(5));
    CIni ini(StorePath().c_str());
    EXPECT_EQ(ini.GetString("Song", "Repeat"), "1");
    EXPECT_EQ(key.GetSongRepeat(), 1);
    ini.WriteString("Song", "Repeat", "2");
    EXPECT_EQ(key.GetSongRepeat(), 0);
    ASSERT_TRUE(key.SetSongRepeat(0));
    EXPECT_EQ(ini.GetString("Song", "Repeat"), "0");
}

TEST_F(SettingsTest, ValueOfTheWrongTypeReadsAsDefault) {
    ASSERT_TRUE(key.SetSongVolume(1));
    CIni ini(StorePath().c_str());
    ini.WriteString("Song", "Volume", "loud");
    EXPECT_EQ(key.GetSongVolume(), 500);
    ini.WriteString("Setting", "DblClk", "");
    EXPECT_EQ(key.PlayWhenDblClkItem(), 1);
    ini.WriteString("Setting", "AskWhenExit", "99999999999");
    EXPECT_EQ(key.AskWhenExitApp(), 1);
}

TEST_F(SettingsTest, RelativeConfigHomeIsIgnored) {
    ::setenv("XDG_CONFIG_HOME", "relative/dir", 1);
    ::setenv("HOME", dir.path().c_str(), 1);
    EXPECT_EQ(CAppRegKey::GetStorePath(), dir.path() + "/.config/Tunemoss/qarv.ini");
}

TEST_F(SettingsTest, TransferDeadlineIsWholeSecondsWithinBounds) {
    EXPECT_EQ(key.GetTransferDeadline(), 120);
    ASSERT_TRUE(key.SetSongVolume(1));  // makes the file
    CIni ini(StorePath().c_str());
    ini.WriteString("Network", "Transfer Deadline", "15");
    EXPECT_EQ(key.GetTransferDeadline(), 15);
    for (const char* bad : {"0", "-5", "86401", "soon"}) {
        ini.WriteString("Network", "Transfer Deadline", bad);
        EXPECT_EQ(key.GetTransferDeadline(), 120) << bad;
    }
}
