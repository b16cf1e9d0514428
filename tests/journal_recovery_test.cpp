// When an interrupted in-place write is undone, and when it is not: the
// journal puts old bytes back only into the file the write left, as the
// write left it; a file that changed afterwards, another file under the same
// name or inode, or an entry that is not the user's own, is left alone.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <functional>

#include "songcore/songfile/SongFile.h"
#include "songcore/util/JournalEntry.h"
#include "songcore/util/JournalRecovery.h"
#include "songcore/util/PrivateFiles.h"
#include "songcore/util/WriteJournal.h"
#include "support/TestSupport.h"
#include "support/WriteEngineSupport.h"

using testsupport::FilesIn;
using testsupport::Pattern;
using testsupport::ReadFileBytes;
using testsupport::TempDir;
using testsupport::WriteFileBytes;
using testsupport::WriteStoppedAt;

namespace {

constexpr uint64_t kAt = 500;

class JournalRecovery : public ::testing::Test {
protected:
    void SetUp() override {
        ::setenv("XDG_STATE_HOME", state_.path().c_str(), 1);
        songcore::SetWriteStepHook(nullptr);
        original_ = Pattern(100000, 9);
        tag_ = Pattern(3000, 200);
        changed_ = original_;
        std::copy(tag_.begin(), tag_.end(), changed_.begin() + kAt);
        path_ = dir_.file("song.bin");
        WriteFileBytes(path_, original_);
    }
    void TearDown() override { ::unsetenv("XDG_STATE_HOME"); }

    size_t Waiting() const { return testsupport::JournalsWithEntries(); }
    void CrashWhileWriting(const char* step = "region-written") {
        ASSERT_TRUE(WriteStoppedAt(path_, step, kAt, tag_));
        ASSERT_EQ(Waiting(), 1u);
    }

    TempDir state_;
    TempDir dir_;
    std::string path_;
    std::vector<uint8_t> original_, tag_, changed_;
};

void PutBytes(const std::string& path, uint64_t at, const std::vector<uint8_t>& bytes) {
    int fd = ::open(path.c_str(), O_WRONLY);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::pwrite(fd, bytes.data(), bytes.size(), static_cast<off_t>(at)),
              static_cast<ssize_t>(bytes.size()));
    ::close(fd);
}

TEST_F(JournalRecovery, OnlyTheFileTheWriteLeftGetsItsOldBytesBack) {
    struct Case {
        const char* name;
        std::function<void(const std::string& path)> afterCrash;
        bool undone;
    };
    const Case cases[] = {
        {"left as the crash left it", [](const std::string&) {}, true},
        {"the write got no further than the journal", nullptr, true},
        {"another tag editor changed the region",
         [](const std::string& path) { PutBytes(path, kAt + 100, Pattern(40, 3)); }, false},
        {"another song copied over it",
         [](const std::string& path) { WriteFileBytes(path, Pattern(150000, 4)); }, false},
        {"a song copied over it, cut to the old length",
         [](const std::string& path) { WriteFileBytes(path, Pattern(100000, 5)); }, false},
        {"another program appended to it",
         [](const std::string& path) {
             int fd = ::open(path.c_str(), O_WRONLY | O_APPEND);
             ASSERT_EQ(::write(fd, "more", 4), 4);
             ::close(fd);
         },
         false},
        {"another file took its name",
         [](const std::string& path) {
             std::filesystem::remove(path);
             WriteFileBytes(path, Pattern(100000, 10));
         },
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WriteFileBytes(path_, original_);
        CrashWhileWriting(c.afterCrash ? "region-written" : "journal-saved");
        if (c.afterCrash) {
            c.afterCrash(path_);
        }
        std::vector<uint8_t> left = ReadFileBytes(path_);
        songcore::RecoveryReport report = songcore::RecoverInterruptedWrites();
        EXPECT_EQ(ReadFileBytes(path_), c.undone ? original_ : left);
        EXPECT_EQ(report.undone, c.undone ? 1 : 0);
        // A file left alone is told once, with where its old bytes are kept.
        ASSERT_EQ(report.notices.size(), c.undone ? 0u : 1u);
        if (!c.undone) {
            EXPECT_EQ(report.notices[0].path, path_);
            EXPECT_NE(report.notices[0].message.find("journal/set-aside/"), std::string::npos)
                << report.notices[0].message;
        }
        EXPECT_EQ(Waiting(), 0u);
        EXPECT_TRUE(songcore::RecoverInterruptedWrites().notices.empty());
    }
}

TEST_F(JournalRecovery, AFileThatGotTheInodeOfAnInterruptedWriteIsLeftAlone) {
    CrashWhileWriting();
    // The inode lives on under another name with other content, as when a
    // song is deleted and its inode goes to the next file made.
    std::string other = dir_.file("other.bin");
    ASSERT_EQ(::rename(path_.c_str(), other.c_str()), 0);
    WriteFileBytes(other, Pattern(100000, 77));
    std::vector<uint8_t> content = ReadFileBytes(other);

    CSongFile file;
    ASSERT_EQ(file.Open(other, CSongFile::modeReadWrite), 1) << file.GetErrorMessage();
    file.Close();
    EXPECT_EQ(ReadFileBytes(other), content);
    EXPECT_EQ(Waiting(), 0u);
    EXPECT_EQ(songcore::TakeJournalNotices().size(), 1u);
}

// A recovery that read an entry just as its writer finished must not take
// back the finished write.
int g_toWriter = -1;
pid_t g_writer = -1;
void LetTheWriterFinish(const char* step) {
    if (std::string(step) == "recovery-entry-read" && g_writer > 0) {
        char go = 'g';
        ASSERT_EQ(::write(g_toWriter, &go, 1), 1);
        int status = 0;
        ::waitpid(g_writer, &status, 0);
        g_writer = -1;
    }
}

int g_fromParent = -1, g_toParent = -1;
void WaitForTheParent(const char* step) {
    if (std::string(step) == "file-synced") {
        char byte = 'w';
        if (::write(g_toParent, &byte, 1) != 1 || ::read(g_fromParent, &byte, 1) != 1) {
            ::_exit(3);
        }
    }
}

TEST_F(JournalRecovery, AStartThatRacesAFinishingWriterLeavesItsWrite) {
    int down[2], up[2];
    ASSERT_EQ(::pipe(down), 0);
    ASSERT_EQ(::pipe(up), 0);
    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        g_fromParent = down[0];
        g_toParent = up[1];
        songcore::SetWriteStepHook(WaitForTheParent);
        CSongFile file;
        bool ok =
            file.Open(path_, CSongFile::modeReadWrite) && testsupport::Overwrite(file, kAt, tag_);
        ::_exit(ok ? 0 : 1);
    }
    char byte = 0;
    ASSERT_EQ(::read(up[0], &byte, 1), 1) << "the writer reached its last step";
    g_toWriter = down[1];
    g_writer = child;
    songcore::SetWriteStepHook(LetTheWriterFinish);
    songcore::RecoverInterruptedWrites();
    songcore::SetWriteStepHook(nullptr);
    if (g_writer > 0) {
        // The recovery never reached the point the race needs: let go.
        ASSERT_EQ(::write(down[1], "g", 1), 1);
        ::waitpid(child, nullptr, 0);
    }
    for (int fd : {down[0], down[1], up[0], up[1]}) {
        ::close(fd);
    }
    EXPECT_EQ(ReadFileBytes(path_), changed_);
    EXPECT_EQ(Waiting(), 0u);
}

TEST_F(JournalRecovery, EntriesThatAreNotTheUsersOwnAreNotApplied) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "needs root to give files to another user";
    }
    const uid_t stranger = 4242;
    for (bool wholeFolder : {false, true}) {
        SCOPED_TRACE(wholeFolder ? "the journal folder" : "the entry");
        WriteFileBytes(path_, original_);
        CrashWhileWriting();
        std::string folder = songcore::JournalFolder();
        for (const auto& item : std::filesystem::directory_iterator(folder)) {
            ASSERT_EQ(::chown(item.path().c_str(), stranger, stranger), 0);
        }
        if (wholeFolder) {
            ASSERT_EQ(::chown(folder.c_str(), stranger, stranger), 0);
        }
        songcore::RecoveryReport report = songcore::RecoverInterruptedWrites();
        ASSERT_EQ(report.notices.size(), 1u);
        EXPECT_NE(report.notices[0].message.find("belongs to another user"), std::string::npos)
            << report.notices[0].message;
        CSongFile file;
        file.Open(path_, CSongFile::modeReadWrite);
        file.Close();
        EXPECT_EQ(ReadFileBytes(path_), changed_) << "the crash's state is left as it is";
        std::filesystem::remove_all(folder);
    }
}

// Each process takes over the journal file of the one before it and writes
// its entries from the file's start again, over the dropped ones: what the
// last write left pending is undone, and nothing older.
TEST_F(JournalRecovery, AReusedJournalGivesBackOnlyWhatItsLastWriteLeftPending) {
    const std::vector<uint8_t> small = Pattern(20, 99);
    std::vector<uint8_t> both = changed_;
    std::copy(small.begin(), small.end(), both.begin() + kAt + 100);
    for (bool interrupted : {false, true}) {
        SCOPED_TRACE(interrupted ? "the short write was interrupted" : "both writes ended");
        WriteFileBytes(path_, original_);
        // A long entry, then a short one over it in the same file.
        testsupport::WriteStoppedAt(path_, "no such step", kAt, tag_);
        ASSERT_EQ(ReadFileBytes(path_), changed_);
        testsupport::WriteStoppedAt(path_, interrupted ? "region-written" : "no such step",
                                    kAt + 100, small);
        ASSERT_EQ(Waiting(), interrupted ? 1u : 0u);
        songcore::RecoveryReport report = songcore::RecoverInterruptedWrites();
        EXPECT_EQ(report.undone, interrupted ? 1 : 0);
        EXPECT_TRUE(report.notices.empty());
        EXPECT_EQ(ReadFileBytes(path_), interrupted ? changed_ : both);
        EXPECT_EQ(Waiting(), 0u);
    }
}

// A whole live entry left past the newest one (the end of an older, longer
// entry would look so) is never read, so never applied.
TEST_F(JournalRecovery, BytesPastTheNewestEntryAreNeverTakenForAnEntry) {
    std::string error;
    const std::string folder = songcore::JournalFolder();
    ASSERT_TRUE(songcore::PreparePrivateFolder(folder, error)) << error;
    int journal = ::open((folder + "/p-stale0").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    ASSERT_GE(journal, 0);
    std::string other = dir_.file("other.bin");
    WriteFileBytes(other, Pattern(4000, 1));
    auto entryFor = [&](const std::string& path, uint64_t length, uint64_t rangeLength) {
        struct stat st {};
        EXPECT_EQ(::stat(path.c_str(), &st), 0);
        songcore::JournalEntry entry;
        entry.device = st.st_dev;
        entry.inode = st.st_ino;
        entry.oldLength = entry.newLength = length;
        entry.path = path;
        entry.ranges = {{kAt, rangeLength}};
        return entry;
    };
    auto newBytes = [this](uint64_t offset, uint8_t* out, size_t count) {
        std::copy_n(changed_.begin() + static_cast<long>(offset), count, out);
        return true;
    };
    int song = ::open(path_.c_str(), O_RDONLY | O_CLOEXEC);
    int otherFd = ::open(other.c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(song, 0);
    ASSERT_GE(otherFd, 0);
    // The newest entry is written last, at the start; the live one lies
    // right where the newest one ends.
    songcore::JournalEntry newest = entryFor(other, 4000, 50);
    ASSERT_TRUE(songcore::WriteJournalEntry(journal, newest, otherFd, newBytes));
    songcore::JournalEntry stale = entryFor(path_, original_.size(), tag_.size());
    stale.at = newest.size;
    ASSERT_TRUE(songcore::WriteJournalEntry(journal, stale, song, newBytes));
    newest.at = 0;
    ASSERT_TRUE(songcore::WriteJournalEntry(journal, newest, otherFd, newBytes));
    ASSERT_TRUE(songcore::MarkJournalEntryDropped(journal, newest));
    for (int fd : {journal, song, otherFd}) {
        ::close(fd);
    }
    WriteFileBytes(path_, changed_);  // as the stale entry's write left it

    songcore::RecoveryReport report = songcore::RecoverInterruptedWrites();
    EXPECT_EQ(report.undone, 0);
    EXPECT_TRUE(report.notices.empty());
    EXPECT_EQ(ReadFileBytes(path_), changed_);
}

// A writer that found nothing to settle does not list the journal folder
// again for every write; an entry that another process leaves after that
// look is still undone before the writer's next write of that song.
TEST_F(JournalRecovery, AnEntryLeftAfterAWriterLookedIsUndoneAtItsNextWrite) {
    std::string warm = dir_.file("warm.bin");
    WriteFileBytes(warm, original_);
    auto writeWarm = [&] {
        CSongFile file;
        ASSERT_EQ(file.Open(warm, CSongFile::modeReadWrite), 1) << file.GetErrorMessage();
        ASSERT_EQ(testsupport::Overwrite(file, kAt, Pattern(10, 5)), 1);
    };
    writeWarm();
    // The folder has not changed for an hour: a look finding nothing to
    // settle there is trusted until it changes.
    timespec times[2] = {{::time(nullptr) - 3600, 0}, {::time(nullptr) - 3600, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, songcore::JournalFolder().c_str(), times, 0), 0);
    writeWarm();

    CrashWhileWriting();
    CSongFile file;
    ASSERT_EQ(file.Open(path_, CSongFile::modeReadWrite), 1) << file.GetErrorMessage();
    EXPECT_EQ(ReadFileBytes(path_), original_);
    EXPECT_EQ(Waiting(), 0u);
}

// A disk that comes back under another device number (a USB disk that was
// sdb and is now sdc) still has its interrupted writes undone.
struct LoopMount {
    std::string image, mountPoint;
    std::vector<std::string> devices;
    bool mounted = false;
    bool Attach() {
        auto result = testsupport::Run({"losetup", "--find", "--show", image});
        if (result.status != 0) {
            return false;
        }
        devices.push_back(result.out.substr(0, result.out.find('\n')));
        return true;
    }
    bool Mount() {
        mounted = Attach() && testsupport::Run({"mount", devices.back(), mountPoint}).status == 0;
        return mounted;
    }
    void Unmount() {
        if (mounted) {
            testsupport::Run({"umount", mountPoint});
            mounted = false;
        }
    }
    ~LoopMount() {
        Unmount();
        for (const std::string& device : devices) {
            testsupport::Run({"losetup", "-d", device});
        }
    }
};

TEST_F(JournalRecovery, ADiskBackUnderAnotherDeviceNumberStillHasItsWriteUndone) {
    TempDir images;
    LoopMount loop{images.file("disk.img"), images.file("mnt"), {}};
    std::filesystem::create_directory(loop.mountPoint);
    bool made = ::geteuid() == 0 &&
                testsupport::Run({"truncate", "-s", "4M", loop.image}).status == 0 &&
                testsupport::Run({"mkfs.ext4", "-q", loop.image}).status == 0 && loop.Mount();
    if (!made) {
        GTEST_SKIP() << "cannot make and mount a loop file system here (needs root and losetup)";
    }
    path_ = loop.mountPoint + "/song.bin";
    WriteFileBytes(path_, original_);
    struct stat before {};
    ::stat(path_.c_str(), &before);
    CrashWhileWriting();
    loop.Unmount();
    // The first loop device stays attached, so the second mount gets another.
    ASSERT_TRUE(loop.Mount());
    struct stat after {};
    ::stat(path_.c_str(), &after);
    ASSERT_NE(after.st_dev, before.st_dev);
    ASSERT_EQ(after.st_ino, before.st_ino);
    songcore::RecoverInterruptedWrites();
    EXPECT_EQ(ReadFileBytes(path_), original_);
    EXPECT_EQ(Waiting(), 0u);
}

}  // namespace
