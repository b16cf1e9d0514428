// The song information record: defaults, field rules, genres, the dispatch
// by song type and the reader pool.
#include <gtest/gtest.h>

#include <thread>

#include "songcore/tags/Genre.h"
#include "songcore/tags/SongFileInfo.h"
#include "songcore/tags/SongFileInfoManager.h"
#include "support/TestSupport.h"

using testsupport::TempDir;

TEST(SongFileInfo, NewRecordHasTheDefaults) {
    CSongFileInfo info;
    EXPECT_EQ(info.GetGenre(), 148);
    EXPECT_EQ(info.GetGenreString(), "--");
    EXPECT_EQ(info.GetTrackNum(), 0u);
    EXPECT_EQ(info.GetDiscNum(), 0u);
    EXPECT_EQ(info.GetCodecType(), 0xFFFF);
    EXPECT_EQ(info.GetTagKind(), 0u);
    EXPECT_TRUE(info.GetTitle().empty() && info.GetLyrics().empty() && info.GetVendor().empty());
}

TEST(SongFileInfo, SettersTrimExceptLyrics) {
    CSongFileInfo info;
    info.SetTitle("  Blue in Green \t");
    info.SetLyrics("  first line\n");
    info.SetYear(" 1959 ");
    EXPECT_EQ(info.GetTitle(), "Blue in Green");
    EXPECT_EQ(info.GetYear(), "1959");
    EXPECT_EQ(info.GetLyrics(), "  first line\n");
}

TEST(SongFileInfo, GenresByIdAndByExactName) {
    CSongFileInfo info;
    info.SetGenre("Rock");
    EXPECT_EQ(info.GetGenre(), 17);
    info.SetGenre("Jazz Funk");
    EXPECT_EQ(info.GetGenre(), 29);
    info.SetGenre("Jazz+Funk");
    EXPECT_EQ(info.GetGenre(), 148);
    info.SetGenre("rock");  // case matters
    EXPECT_EQ(info.GetGenre(), 148);
    info.SetGenre(static_cast<unsigned short>(200));
    EXPECT_EQ(info.GetGenre(), 148);
    info.SetGenre(static_cast<unsigned short>(147));
    EXPECT_EQ(info.GetGenreString(), "SynthPop");
    EXPECT_EQ(GetMP3Genre(0), "Blues");
    EXPECT_EQ(GetMP3Genre(118), "Rhytmic Soul");
    EXPECT_EQ(GetMP3Genre(148), "--");
    EXPECT_EQ(GetMP3Genre(-1), "--");
    EXPECT_EQ(GetMP3Genre(100000), "--");
    // Every name of the table finds the first id that bears it.
    for (int id = 0; id < GENRE_NONE; ++id) {
        uint16_t found = songcore::FindGenre(GetMP3Genre(id));
        EXPECT_LE(found, id);
        EXPECT_EQ(GetMP3Genre(found), GetMP3Genre(id));
    }
    for (const char* none : {"", "--", "Zz", "A", "Blue", "Bluess"}) {
        EXPECT_EQ(songcore::FindGenre(none), GENRE_NONE) << none;
    }
}

TEST(SongFileInfo, WriterChoiceFollowsTheTagReadThenTheSongType) {
    TempDir dir;
    struct Case {
        const char* name;
        uint32_t kind;
    } cases[] = {{"a.mp3", TAG_ID3V2}, {"a.ogg", TAG_OGG},      {"a.rm", TAG_RM},
                 {"a.aac", TAG_APEV2}, {"a.ape", TAG_APEV2},    {"a.mpc", TAG_APEV2},
                 {"a.m4a", TAG_MP4},   {"a.flac", TAG_FLAC},    {"a.wma", 0u},
                 {"a.wav", TAG_ID3V2}, {"a.aif", TAG_ID3V2},    {"a.dsf", TAG_ID3V2},
                 {"a.wv", TAG_APEV2},  {"a.mka", TAG_MATROSKA}, {"a.mid", 0u}};
    for (const Case& c : cases) {
        std::string path = dir.file(c.name);
        testsupport::WriteFileBytes(path, {0});
        CSongFileInfo info;
        ASSERT_EQ(info.Open(path, 1, 0), 1);
        EXPECT_EQ(info.GetWriteTagKind(), c.kind) << c.name;
    }
    // An ASF song with nothing read is not written, and stays untouched.
    std::string wma = dir.file("a.wma");
    CSongFileInfo info;
    ASSERT_EQ(info.Open(wma, 0, 0), 1);
    EXPECT_EQ(info.WriteSongInfo(), 0);
    EXPECT_EQ(testsupport::ReadFileBytes(wma), std::vector<uint8_t>{0});
}

TEST(SongFileInfo, MpegFileWithAnId3v1TagRewritesOnlyThatTag) {
    TempDir dir;
    std::string path = testsupport::CopyDataFile(dir, "id3v1/v11.mp3");
    auto before = testsupport::ReadFileBytes(path);
    CSongFileInfo info;
    ASSERT_EQ(info.Open(path, 0, 0), 1);
    ASSERT_EQ(info.GetSongInfo(), 1);
    EXPECT_EQ(info.GetTagKind(), TAG_ID3V1);
    info.SetTitle("New");
    ASSERT_EQ(info.WriteSongInfo(), 1);
    auto after = testsupport::ReadFileBytes(path);
    ASSERT_EQ(after.size(), before.size());
    EXPECT_TRUE(std::equal(before.begin(), before.end() - 128, after.begin()));
}

TEST(SongFileInfo, ReadersKeepTheLyricsOfTheSongReadBefore) {
    TempDir dir;
    std::string path = testsupport::CopyDataFile(dir, "id3v1/v11.mp3");
    CSongFileInfo info;
    info.SetLyrics("la la");
    ASSERT_EQ(info.Open(path, 1, 0), 1);
    ASSERT_EQ(info.GetSongInfo(), 1);
    EXPECT_EQ(info.GetLyrics(), "la la");
    // Formats without a reader report nothing read.
    std::string ape = dir.file("x.ape");
    testsupport::WriteFileBytes(ape, std::vector<uint8_t>(300, 1));
    ASSERT_EQ(info.Open(ape, 1, 0), 1);
    EXPECT_EQ(info.GetSongInfo(), 0);
}

TEST(SongFileInfo, TerminateFromAnotherThreadFailsTheNextRead) {
    TempDir dir;
    std::string path = testsupport::CopyDataFile(dir, "id3v1/v11.mp3");
    CSongFileInfo info;
    ASSERT_EQ(info.Open(path, 1, 0), 1);
    std::thread([&] { info.Terminate(); }).join();
    EXPECT_EQ(info.IsTerminate(), 1);
    EXPECT_EQ(info.GetID3V1Info(), 0);
    // Cancelled before the read began: still reported as cancelled, not as
    // a song without tags.
    EXPECT_EQ(info.IsTerminate(), 1);
    // A fresh Open reads again.
    ASSERT_EQ(info.Open(path, 1, 0), 1);
    EXPECT_EQ(info.GetSongInfo(), 1);
}

TEST(SongFileInfoManager, HandsOutTakesBackAndCancelsRecords) {
    CSongFileInfoManager manager;
    CSongFileInfo* a = manager.New();
    CSongFileInfo* b = manager.New();
    ASSERT_TRUE(a && b);
    EXPECT_EQ(manager.GetCount(), 2);
    manager.TerminateAll();
    EXPECT_EQ(a->IsTerminate(), 1);
    EXPECT_EQ(b->IsTerminate(), 1);

    TempDir dir;
    std::string path = testsupport::CopyDataFile(dir, "id3v1/v11.mp3");
    ASSERT_EQ(b->Open(path, 1, 0), 1);
    manager.Delete(b, 1);  // kept: still open and alive, now the caller's
    EXPECT_EQ(manager.GetCount(), 1);
    EXPECT_EQ(b->GetSongInfo(), 1);
    std::unique_ptr<CSongFileInfo> owned(b);

    manager.Delete(a, 0);
    EXPECT_EQ(manager.GetCount(), 0);
    manager.Delete(a, 0);  // unknown records are ignored
    EXPECT_EQ(manager.GetCount(), 0);
}

TEST(SongFileInfoManager, IsSafeToUseFromManyThreads) {
    CSongFileInfoManager manager;
    std::vector<std::thread> threads;
    for (int t = 0; t < 8; ++t) {
        threads.emplace_back([&] {
            for (int i = 0; i < 200; ++i) {
                CSongFileInfo* record = manager.New();
                manager.TerminateAll();
                manager.Delete(record, 0);
            }
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(manager.GetCount(), 0);
}
