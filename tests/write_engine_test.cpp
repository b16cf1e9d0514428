// How songs are written: in place when the kept data stays where it is,
// through a replacement file otherwise, always under the file's lock, with
// the file's identity kept and an interrupted write undone.
#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <filesystem>
#include <functional>

#include "songcore/songfile/ContentWriter.h"
#include "songcore/tags/SongFileInfo.h"
#include "songcore/util/JournalRecovery.h"
#include "songcore/util/SafeFileReplace.h"
#include "songcore/util/WriteBatch.h"
#include "songcore/util/WriteJournal.h"
#include "support/TestSupport.h"
#include "support/WriteEngineSupport.h"

using testsupport::FilesIn;
using testsupport::Overwrite;
using testsupport::Pattern;
using testsupport::ReadFileBytes;
using testsupport::TempDir;
using testsupport::WriteFileBytes;

namespace {

struct stat StatOf(const std::string& path) {
    struct stat st {};
    EXPECT_EQ(::stat(path.c_str(), &st), 0) << path;
    return st;
}

// Every test gets a journal folder of its own.
class WriteEngine : public ::testing::Test {
protected:
    void SetUp() override {
        ::setenv("XDG_STATE_HOME", state_.path().c_str(), 1);
        songcore::SetWriteStepHook(nullptr);
    }
    void TearDown() override { ::unsetenv("XDG_STATE_HOME"); }

    TempDir state_;
    TempDir dir_;
};

TEST_F(WriteEngine, ContentThatKeepsTheDataInPlaceIsWrittenInPlace) {
    std::string path = dir_.file("song.bin");
    std::vector<uint8_t> original = Pattern(300000, 1);
    WriteFileBytes(path, original);
    struct stat before = StatOf(path);

    CSongFile file;
    ASSERT_EQ(file.Open(path, CSongFile::modeReadWrite), 1);
    std::vector<uint8_t> tag = Pattern(4096, 99);
    ASSERT_EQ(Overwrite(file, 1000, tag), 1) << file.GetErrorMessage();

    std::vector<uint8_t> expected = original;
    std::copy(tag.begin(), tag.end(), expected.begin() + 1000);
    EXPECT_EQ(ReadFileBytes(path), expected);
    EXPECT_EQ(StatOf(path).st_ino, before.st_ino);
    EXPECT_EQ(FilesIn(dir_.path()), 1u) << "no temporary file";
    EXPECT_EQ(testsupport::JournalsWithEntries(), 0u) << "the journal entry is dropped";
    // The record reads what it wrote, and can write again.
    std::vector<uint8_t> back;
    ASSERT_TRUE(file.ReadExact(1000, tag.size(), back));
    EXPECT_EQ(back, tag);
    EXPECT_EQ(Overwrite(file, 0, {1, 2, 3}), 1);
}

TEST_F(WriteEngine, SameContentWritesNothingAndTagsAtTheEndGrowAndShrinkInPlace) {
    std::string path = dir_.file("song.bin");
    std::vector<uint8_t> original = Pattern(50000, 3);
    WriteFileBytes(path, original);
    ::utimensat(AT_FDCWD, path.c_str(), nullptr, 0);
    struct timespec times[2] = {{1000000000, 0}, {1000000000, 0}};
    ::utimensat(AT_FDCWD, path.c_str(), times, 0);
    ino_t inode = StatOf(path).st_ino;

    CSongFile file;
    ASSERT_EQ(file.Open(path, CSongFile::modeReadWrite), 1);
    ASSERT_EQ(
        Overwrite(file, 100, std::vector<uint8_t>(original.begin() + 100, original.begin() + 200)),
        1);
    EXPECT_EQ(StatOf(path).st_mtim.tv_sec, 1000000000) << "an unchanged file is not touched";

    // A tag appended at the end, then cut away again: an end-of-file write.
    std::vector<uint8_t> tail = Pattern(700, 40);
    ASSERT_EQ(file.ReplaceContents([&](songcore::ContentWriter& out) {
        return file.CopyRange(out, 0, original.size()) && out.append(tail);
    }),
              1);
    EXPECT_EQ(ReadFileBytes(path).size(), original.size() + tail.size());
    ASSERT_EQ(file.ReplaceContents([&](songcore::ContentWriter& out) {
        return file.CopyRange(out, 0, original.size());
    }),
              1);
    EXPECT_EQ(ReadFileBytes(path), original);
    EXPECT_EQ(StatOf(path).st_ino, inode);
}

TEST_F(WriteEngine, ARewriteKeepsModeAttributesAndLinksAndLeavesNoTemporaryFile) {
    std::string path = dir_.file("song.bin");
    std::vector<uint8_t> original = Pattern(2000000, 5);
    WriteFileBytes(path, original);
    ::chmod(path.c_str(), 0640);
    ino_t firstInode = StatOf(path).st_ino;
    bool xattrs = ::setxattr(path.c_str(), "user.rating", "5", 1, 0) == 0;

    CSongFile file;
    ASSERT_EQ(file.Open(path, CSongFile::modeReadWrite), 1);
    std::vector<uint8_t> bigger = Pattern(9000, 77);
    ASSERT_EQ(Overwrite(file, 0, bigger, 10), 1) << file.GetErrorMessage();
    std::vector<uint8_t> expected = bigger;
    expected.insert(expected.end(), original.begin() + 10, original.end());
    EXPECT_EQ(ReadFileBytes(path), expected);
    EXPECT_NE(StatOf(path).st_ino, firstInode) << "a new file replaced the old one";
    EXPECT_EQ(StatOf(path).st_mode & 07777, 0640u);
    if (xattrs) {
        char value[8] = {};
        EXPECT_EQ(::getxattr(path.c_str(), "user.rating", value, sizeof value), 1);
        EXPECT_STREQ(value, "5");
    }
    EXPECT_EQ(FilesIn(dir_.path()), 1u);
    // The new file is the one the record holds now.
    EXPECT_EQ(file.GetLength(), expected.size());
    EXPECT_EQ(Overwrite(file, 0, {9}, 9000), 1);
    EXPECT_EQ(ReadFileBytes(path).size(), expected.size() - 8999);

    // With a second name, the file is rewritten in place: both names see it.
    file.Close();
    std::string other = dir_.file("other-name.bin");
    ASSERT_EQ(::link(path.c_str(), other.c_str()), 0);
    ino_t inode = StatOf(path).st_ino;
    CSongFile linked;
    ASSERT_EQ(linked.Open(other, CSongFile::modeReadWrite), 1);
    ASSERT_EQ(Overwrite(linked, 5, Pattern(30000, 8), 1), 1) << linked.GetErrorMessage();
    EXPECT_EQ(StatOf(path).st_ino, inode);
    EXPECT_EQ(StatOf(other).st_ino, inode);
    EXPECT_EQ(ReadFileBytes(path), ReadFileBytes(other));
    EXPECT_EQ(ReadFileBytes(path).size(), expected.size() - 8999 + 29999);
    EXPECT_EQ(testsupport::JournalsWithEntries(), 0u);
}

TEST_F(WriteEngine, TemporaryFilesOfKilledWritersGoAndLongNamesCanBeRewritten) {
    // A replacement killed half way leaves its temporary file behind.
    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        songcore::SafeFileReplace killed(dir_.file("list.m3u"));
        ::_exit(killed.begin() && killed.append(Pattern(100, 1)) && killed.flush() ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    ASSERT_EQ(FilesIn(dir_.path()), 1u);
    std::string stale = std::filesystem::directory_iterator(dir_.path())->path().string();
    // One still being written (and so locked), and files of the user's own
    // that only look like ours.
    songcore::SafeFileReplace busy(dir_.file("other.m3u"));
    ASSERT_TRUE(busy.begin());
    std::vector<std::string> usersOwn = {dir_.file(".tm-notes1"), dir_.file(".tm-mine-too-long")};
    for (const std::string& name : usersOwn) {
        WriteFileBytes(name, {1});
    }

    std::string path = dir_.file(std::string(250, 'n') + ".mp3");
    WriteFileBytes(path, Pattern(1000000, 2));
    CSongFile file;
    ASSERT_EQ(file.Open(path, CSongFile::modeReadWrite), 1);
    ASSERT_EQ(Overwrite(file, 0, Pattern(2000, 3), 1), 1) << file.GetErrorMessage();
    EXPECT_EQ(ReadFileBytes(path).size(), 1001999u);
    EXPECT_FALSE(std::filesystem::exists(stale));
    EXPECT_EQ(FilesIn(dir_.path()), 1u + 1u + usersOwn.size())
        << "the song, the file of the writer still at work and the user's files";
    for (const std::string& name : usersOwn) {
        EXPECT_TRUE(std::filesystem::exists(name)) << name;
    }

    // An interrupted replacement removes its file from a signal handler.
    songcore::SafeFileReplace replace(dir_.file("list.m3u"));
    ASSERT_TRUE(replace.begin());
    size_t files = FilesIn(dir_.path());
    songcore::RemoveTemporaryFilesNow();
    --files;  // busy's file goes too
    EXPECT_EQ(FilesIn(dir_.path()), files - 1);
}

TEST_F(WriteEngine, AFileChangedByAnotherProgramIsNotWrittenOver) {
    std::string path = dir_.file("song.bin");
    std::vector<uint8_t> original = Pattern(10000, 6);
    WriteFileBytes(path, original);
    CSongFile file;
    ASSERT_EQ(file.Open(path, CSongFile::modeReadWrite), 1);
    // Another program appends (without asking for the lock).
    int fd = ::open(path.c_str(), O_WRONLY | O_APPEND);
    ASSERT_EQ(::write(fd, "more", 4), 4);
    ::close(fd);
    EXPECT_EQ(Overwrite(file, 0, Pattern(50, 1)), 0);
    EXPECT_NE(file.GetErrorMessage().find("another program changed the file"), std::string::npos)
        << file.GetErrorMessage();
    std::vector<uint8_t> expected = original;
    expected.insert(expected.end(), {'m', 'o', 'r', 'e'});
    EXPECT_EQ(ReadFileBytes(path), expected);

    // The path given is the path used: no trimming to another file.
    WriteFileBytes(dir_.file(" b.bin"), {1});
    CSongFile spaced;
    EXPECT_EQ(spaced.Open(dir_.file(" b.bin"), CSongFile::modeRead), 1);
    EXPECT_EQ(spaced.Open(dir_.path() + "/b.bin", CSongFile::modeRead), 0);
}

// Between the read and the write in place, another program gives the name
// to another file, or rewrites the song without changing its length: the
// write is refused and neither file is touched.
TEST_F(WriteEngine, AFileThatIsNotTheOneReadIsNotWrittenInPlace) {
    const std::string path = dir_.file("song.bin");
    const std::string elsewhere = dir_.file("elsewhere.bin");
    const std::vector<uint8_t> original = Pattern(10000, 6);
    const std::vector<uint8_t> theirs = Pattern(10000, 41);
    struct Case {
        const char* name;
        std::function<void()> change;
        const std::string& holdsTheirs;  // the file the other program left
    };
    const Case cases[] = {
        {"another file renamed over its name",
         [&] {
             WriteFileBytes(elsewhere, theirs);
             ASSERT_EQ(::rename(elsewhere.c_str(), path.c_str()), 0);
         },
         path},
        {"its name made a link to another file",
         [&] {
             WriteFileBytes(elsewhere, theirs);
             ASSERT_EQ(::unlink(path.c_str()), 0);
             ASSERT_EQ(::symlink(elsewhere.c_str(), path.c_str()), 0);
         },
         elsewhere},
        {"rewritten with the same length",
         [&] {
             WriteFileBytes(path, theirs);
             // Later than the read by more than any file system's clock tick.
             timespec times[2] = {{0, UTIME_OMIT}, {::time(nullptr) + 60, 0}};
             ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
         },
         path},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::filesystem::remove(path);
        std::filesystem::remove(elsewhere);
        WriteFileBytes(path, original);
        CSongFile file;
        ASSERT_EQ(file.Open(path, CSongFile::modeReadWrite), 1);
        std::vector<uint8_t> read;
        ASSERT_TRUE(file.ReadExact(0, 100, read));
        c.change();
        EXPECT_EQ(Overwrite(file, 10, Pattern(30, 1)), 0);
        EXPECT_NE(file.GetErrorMessage().find("another program changed the file"),
                  std::string::npos)
            << file.GetErrorMessage();
        EXPECT_EQ(ReadFileBytes(c.holdsTheirs), theirs);
        EXPECT_EQ(testsupport::JournalsWithEntries(), 0u);
    }
}

// Another program appends to the song while its tag at the end is being
// written: the append lands while the journal is made durable.
std::string g_appendTo;
void AppendWhileTheJournalIsSaved(const char* step) {
    if (std::string(step) == "journal-saved" && !g_appendTo.empty()) {
        int fd = ::open(g_appendTo.c_str(), O_WRONLY | O_APPEND);
        ASSERT_EQ(::write(fd, "appended", 8), 8);
        ::close(fd);
        g_appendTo.clear();
    }
}

TEST_F(WriteEngine, DataAppendedWhileATagAtTheEndIsWrittenIsKept) {
    struct Case {
        const char* name;
        uint64_t cut;  // of the old tag, replaced by the new one
        size_t tag;
    };
    const Case cases[] = {
        {"a tag added", 0, 700}, {"a tag replaced", 128, 128}, {"a tag that shrinks", 700, 128}};
    std::string path = dir_.file("song.bin");
    std::vector<uint8_t> original = Pattern(20000, 6);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WriteFileBytes(path, original);
        CSongFile file;
        ASSERT_EQ(file.Open(path, CSongFile::modeReadWrite), 1);
        g_appendTo = path;
        songcore::SetWriteStepHook(AppendWhileTheJournalIsSaved);
        EXPECT_EQ(Overwrite(file, original.size() - c.cut, Pattern(c.tag, 50), c.cut), 0);
        songcore::SetWriteStepHook(nullptr);
        EXPECT_NE(file.GetErrorMessage().find("another program changed the file"),
                  std::string::npos)
            << file.GetErrorMessage();
        std::vector<uint8_t> expected = original;
        expected.insert(expected.end(), {'a', 'p', 'p', 'e', 'n', 'd', 'e', 'd'});
        EXPECT_EQ(ReadFileBytes(path), expected);
        EXPECT_EQ(testsupport::JournalsWithEntries(), 0u);
    }
}

// alice's song, in the group music that bob shares: bob's edit that grows
// the tag keeps the song alice's.
TEST_F(WriteEngine, ATagThatGrowsKeepsTheSongsOwner) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "needs root to act as two users";
    }
    const uid_t alice = 5001, bob = 5002;
    const gid_t music = 5003;
    TempDir bobsState;
    ASSERT_EQ(::chown(bobsState.path().c_str(), bob, bob), 0);
    ASSERT_EQ(::chown(dir_.path().c_str(), 0, music), 0);
    ASSERT_EQ(::chmod(dir_.path().c_str(), 0775), 0);
    std::string path = dir_.file("song.bin");
    std::vector<uint8_t> original = Pattern(300000, 5);
    WriteFileBytes(path, original);
    ASSERT_EQ(::chown(path.c_str(), alice, music), 0);
    ASSERT_EQ(::chmod(path.c_str(), 0660), 0);
    std::vector<uint8_t> bigger = Pattern(9000, 77);

    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::setenv("XDG_STATE_HOME", bobsState.path().c_str(), 1);
        if (::setgroups(1, &music) != 0 || ::setgid(music) != 0 || ::setuid(bob) != 0) {
            ::_exit(2);
        }
        CSongFile file;
        bool ok = file.Open(path, CSongFile::modeReadWrite) && Overwrite(file, 0, bigger, 10);
        ::_exit(ok ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    struct stat after = StatOf(path);
    EXPECT_EQ(after.st_uid, alice);
    EXPECT_EQ(after.st_gid, music);
    EXPECT_EQ(after.st_mode & 07777, 0660u);
    std::vector<uint8_t> expected = bigger;
    expected.insert(expected.end(), original.begin() + 10, original.end());
    EXPECT_EQ(ReadFileBytes(path), expected);
}

TEST_F(WriteEngine, TwoRecordsOfOneProgramDoNotWaitForEachOther) {
    std::string path = dir_.file("song.bin");
    WriteFileBytes(path, Pattern(3000000, 6));
    CSongFile first, second;
    ASSERT_EQ(first.Open(path, CSongFile::modeReadWrite), 1);
    ASSERT_EQ(second.Open(path, CSongFile::modeReadWrite), 1) << "no wait for the lock we hold";
    // The first one grows the file (a new file replaces it): the second one
    // read the old file and is refused rather than writing over the change.
    ASSERT_EQ(Overwrite(first, 0, Pattern(5000, 1), 1), 1);
    EXPECT_EQ(Overwrite(second, 0, Pattern(10, 2)), 0);
    EXPECT_NE(second.GetErrorMessage().find("another program changed"), std::string::npos);
    second.Close();
    CSongFile third;
    ASSERT_EQ(third.Open(path, CSongFile::modeReadWrite), 1);
    EXPECT_EQ(Overwrite(third, 0, Pattern(10, 2)), 1);
}

TEST_F(WriteEngine, AWriteStoppedAtAnyStepLeavesTheOldContentOrTheNew) {
    std::string path = dir_.file("song.bin");
    std::vector<uint8_t> original = Pattern(100000, 9);
    std::vector<uint8_t> tag = Pattern(3000, 200);
    std::vector<uint8_t> changed = original;
    std::copy(tag.begin(), tag.end(), changed.begin() + 500);
    for (const char* step : {"journal-saved", "region-written", "file-synced"}) {
        WriteFileBytes(path, original);
        ASSERT_TRUE(testsupport::WriteStoppedAt(path, step, 500, tag)) << step;
        std::vector<uint8_t> now = ReadFileBytes(path);
        if (std::string(step) == "region-written") {
            EXPECT_EQ(now, changed) << "the new bytes are there, not yet known to be durable";
        }
        // Opening the file for writing undoes what the journal still holds.
        CSongFile file;
        ASSERT_EQ(file.Open(path, CSongFile::modeReadWrite), 1) << file.GetErrorMessage();
        file.Close();
        now = ReadFileBytes(path);
        EXPECT_TRUE(now == original || now == changed) << step;
        EXPECT_EQ(testsupport::JournalsWithEntries(), 0u) << step;
    }
}

// A batch flushes its songs together at its end: until then the journal
// keeps every entry of the batch, so a crash before the end gives each song
// its old content back, and after the end nothing is left to undo.
TEST_F(WriteEngine, ABatchKeepsItsEntriesUntilItsSongsAreFlushed) {
    std::vector<uint8_t> original = Pattern(50000, 4);
    std::vector<std::string> paths;
    for (int i = 0; i < 3; ++i) {
        paths.push_back(dir_.file("song" + std::to_string(i) + ".bin"));
        WriteFileBytes(paths.back(), original);
    }
    auto writeAll = [&](songcore::WriteBatch& batch) {
        (void)batch;
        for (const std::string& path : paths) {
            CSongFile file;
            if (!file.Open(path, CSongFile::modeReadWrite) ||
                !Overwrite(file, 100, Pattern(300, 9))) {
                return false;
            }
        }
        return true;
    };
    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        songcore::WriteBatch batch;
        ::_exit(writeAll(batch) ? 7 : 1);  // ends before the batch does
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 7);
    EXPECT_EQ(testsupport::JournalsWithEntries(), 1u);
    EXPECT_EQ(songcore::RecoverInterruptedWrites().undone, 3);
    for (const std::string& path : paths) {
        EXPECT_EQ(ReadFileBytes(path), original) << path;
    }

    {
        songcore::WriteBatch batch;
        ASSERT_TRUE(writeAll(batch));
        EXPECT_EQ(testsupport::JournalsWithEntries(), 1u) << "three entries wait for the end";
        std::string error;
        EXPECT_TRUE(batch.Finish(error)) << error;
    }
    EXPECT_EQ(testsupport::JournalsWithEntries(), 0u);
    std::vector<uint8_t> changed = original;
    std::vector<uint8_t> tag = Pattern(300, 9);
    std::copy(tag.begin(), tag.end(), changed.begin() + 100);
    for (const std::string& path : paths) {
        EXPECT_EQ(ReadFileBytes(path), changed) << path;
    }
}

// Runs body (which never returns) in a child process and kills the child
// after the given time, as a crash or a power cut would stop a writer.
template <class Body>
void KillAfter(useconds_t after, Body body) {
    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        body();
        ::_exit(5);
    }
    ::usleep(after);
    ::kill(child, SIGKILL);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status)) << "the writer failed by itself: " << status;
}

TEST_F(WriteEngine, KilledWritersLeaveSongsThatReadAsOldOrNew) {
    // Real tag writes, killed at moments spread over their run: an ID3v1
    // tag rewritten at the end of the file (in place) and an ID3v2 tag that
    // grows (a replacement file).
    std::string path = testsupport::CopyDataFile(dir_, "id3v1/v11.mp3", "song.mp3");
    std::vector<uint8_t> audio = ReadFileBytes(path);
    audio.resize(audio.size() - 128);
    std::string first;
    {
        CSongFileInfo info;
        ASSERT_EQ(info.Open(path, 1, 0), 1);
        ASSERT_EQ(info.GetID3V1Info(), 1);
        first = info.GetTitle();
    }
    for (int round = 0; round < 24; ++round) {
        KillAfter(static_cast<useconds_t>(1000 + round * 700), [&] {
            for (int i = 0;; ++i) {
                CSongFileInfo info;
                if (!info.Open(path, 0, 0) || !info.GetID3V1Info()) {
                    ::_exit(3);
                }
                info.SetTitle(i % 2 ? "Old title" : "New title");
                if (!info.WriteID3V1Info()) {
                    ::_exit(4);
                }
            }
        });
        songcore::RecoverInterruptedWrites();
        CSongFileInfo info;
        ASSERT_EQ(info.Open(path, 1, 0), 1);
        ASSERT_EQ(info.GetID3V1Info(), 1) << "round " << round;
        EXPECT_TRUE(info.GetTitle() == "Old title" || info.GetTitle() == "New title" ||
                    info.GetTitle() == first)
            << info.GetTitle();
        std::vector<uint8_t> now = ReadFileBytes(path);
        ASSERT_EQ(now.size(), audio.size() + 128);
        EXPECT_TRUE(std::equal(audio.begin(), audio.end(), now.begin())) << "round " << round;
    }
}

TEST_F(WriteEngine, KilledRewritesLeaveSongsThatReadAsOldOrNewAndNoTemporaryFiles) {
    // Titles of very different lengths: a write that grows the ID3v2 tag
    // goes through a replacement file, one that shrinks it stays in place.
    std::string path = testsupport::CopyDataFile(dir_, "id3v2/v23.mp3", "song.mp3");
    const std::string titles[] = {"Short", std::string(5000, 'L')};
    {
        CSongFileInfo info;
        ASSERT_EQ(info.Open(path, 0, 0), 1);
        ASSERT_EQ(info.GetID3V2Info(), 1);
        info.SetTitle(titles[0]);
        ASSERT_EQ(info.WriteID3V2Info(), 1);
    }
    for (int round = 0; round < 16; ++round) {
        KillAfter(static_cast<useconds_t>(2000 + round * 1300), [&] {
            for (int i = 1;; ++i) {
                CSongFileInfo info;
                if (!info.Open(path, 0, 0) || !info.GetID3V2Info()) {
                    ::_exit(3);
                }
                info.SetTitle(titles[i % 2]);
                if (!info.WriteID3V2Info()) {
                    ::_exit(4);
                }
            }
        });
        songcore::RecoverInterruptedWrites();
        CSongFileInfo info;
        ASSERT_EQ(info.Open(path, 0, 0), 1) << info.GetErrorMessage();
        ASSERT_EQ(info.GetID3V2Info(), 1) << "round " << round;
        EXPECT_TRUE(info.GetTitle() == titles[0] || info.GetTitle() == titles[1]) << round;
        // The next rewrite in the folder clears what a killed one left.
        info.SetTitle(titles[1] + titles[1]);
        ASSERT_EQ(info.WriteID3V2Info(), 1) << info.GetErrorMessage();
        info.SetTitle(titles[0]);
        ASSERT_EQ(info.WriteID3V2Info(), 1) << info.GetErrorMessage();
        EXPECT_EQ(FilesIn(dir_.path()), 1u) << "round " << round;
    }
}

TEST_F(WriteEngine, TwoWritersAtOnceKeepBothChanges) {
    std::string path = testsupport::CopyDataFile(dir_, "id3v1/v11.mp3", "song.mp3");
    for (int round = 0; round < 10; ++round) {
        pid_t writers[2];
        for (int which = 0; which < 2; ++which) {
            writers[which] = ::fork();
            ASSERT_GE(writers[which], 0);
            if (writers[which] == 0) {
                CSongFileInfo info;
                if (!info.Open(path, 0, 0)) {
                    ::_exit(2);
                }
                info.GetSongInfo();
                std::string value = "round " + std::to_string(round);
                if (which == 0) {
                    info.SetTitle(value);
                } else {
                    info.SetArtist(value);
                }
                ::_exit(info.WriteSongInfo() ? 0 : 1);
            }
        }
        for (pid_t writer : writers) {
            int status = 0;
            ASSERT_EQ(::waitpid(writer, &status, 0), writer);
            EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
        }
        CSongFileInfo info;
        ASSERT_EQ(info.Open(path, 1, 0), 1);
        ASSERT_TRUE(info.GetSongInfo());
        EXPECT_EQ(info.GetTitle(), "round " + std::to_string(round));
        EXPECT_EQ(info.GetArtist(), "round " + std::to_string(round));
    }
}

TEST_F(WriteEngine, AFullDiskLeavesTheSongAsItWas) {
    TempDir mountPoint;
    std::string options = "size=512k";
    if (::geteuid() != 0 ||
        testsupport::Run({"mount", "-t", "tmpfs", "-o", options, "tmpfs", mountPoint.path()})
                .status != 0) {
        GTEST_SKIP() << "cannot mount a small file system here (needs root)";
    }
    struct Unmount {
        std::string path;
        ~Unmount() { testsupport::Run({"umount", "-l", path}); }
    } unmount{mountPoint.path()};

    std::string path = testsupport::CopyDataFile(dir_, "ape/ape_id3v1.mp3");
    std::string song = mountPoint.path() + "/song.mp3";
    WriteFileBytes(song, ReadFileBytes(path));
    std::vector<uint8_t> before = ReadFileBytes(song);
    // Fill the file system to the last block.
    {
        int fd = ::open((mountPoint.path() + "/filler").c_str(), O_WRONLY | O_CREAT, 0644);
        std::vector<uint8_t> block(4096, 0xAA);
        while (::write(fd, block.data(), block.size()) > 0) {
        }
        ::close(fd);
    }
    CSongFileInfo info;
    ASSERT_EQ(info.Open(song, 0, 0), 1);
    ASSERT_EQ(info.GetAPEV2Info(), 1);
    info.SetLyrics(std::string(200000, 'L'));
    EXPECT_EQ(info.WriteAPEV2Info(), 0);
    EXPECT_NE(info.GetErrorMessage().find("No space left"), std::string::npos)
        << info.GetErrorMessage();
    info.Close();
    EXPECT_EQ(ReadFileBytes(song), before);
    EXPECT_EQ(testsupport::JournalsWithEntries(), 0u);
}

}  // namespace

TEST_F(WriteEngine, ARewriteMovesTheAudioOfALargeSongByWholeBlocks) {
    // A tag at the front that outgrows its room moves everything after it;
    // the moved bytes here are the song's own and 16 MiB more at its end
    // (for MP4, a free atom, which any reader passes over). An Ogg comment
    // page cannot grow by 64 KiB, so its move is aligned to a smaller block.
    const std::pair<const char*, uint64_t> songs[] = {{"id3v2/v23.mp3", 64 * 1024},
                                                      {"flac/plain.flac", 64 * 1024},
                                                      {"mp4/tagged_faststart.m4a", 64 * 1024},
                                                      {"ogg/plain.ogg", 4 * 1024},
                                                      {"ogg/opus.ogg", 4 * 1024}};
    for (const auto& [name, kBlock] : songs) {
        for (bool large : {false, true}) {
            SCOPED_TRACE(std::string(name) + (large ? ", large" : ", small"));
            std::string path = testsupport::CopyDataFile(dir_, name);
            std::vector<uint8_t> bytes = ReadFileBytes(path);
            if (large) {
                std::vector<uint8_t> more = Pattern(16 * 1024 * 1024, 7);
                if (std::string(name).ends_with(".m4a")) {
                    const uint32_t size = static_cast<uint32_t>(more.size());
                    std::copy_n(std::array<uint8_t, 8>{uint8_t(size >> 24), uint8_t(size >> 16),
                                                       uint8_t(size >> 8), uint8_t(size), 'f', 'r',
                                                       'e', 'e'}
                                    .begin(),
                                8, more.begin());
                }
                bytes.insert(bytes.end(), more.begin(), more.end());
                WriteFileBytes(path, bytes);
            }
            const std::string comment(20000, 'c');
            CSongFileInfo info;
            ASSERT_EQ(info.Open(path, 0, 0), 1);
            ASSERT_TRUE(info.GetSongInfo());
            info.SetComment(comment);
            ASSERT_TRUE(info.WriteSongInfo()) << info.GetErrorMessage();

            std::vector<uint8_t> after = ReadFileBytes(path);
            ASSERT_GT(after.size(), bytes.size());
            uint64_t moved = after.size() - bytes.size();
            EXPECT_EQ(moved % kBlock == 0, large) << moved;
            if (large) {
                EXPECT_TRUE(std::equal(bytes.end() - 4096, bytes.end(), after.end() - 4096));
            }
            {
                CSongFileInfo back;
                ASSERT_EQ(back.Open(path, 1, 0), 1);
                ASSERT_TRUE(back.GetSongInfo());
                EXPECT_EQ(back.GetComment(), comment);
            }
            // Ten such files at once would be a lot for a small temporary
            // folder.
            std::filesystem::remove(path);
        }
    }
}
