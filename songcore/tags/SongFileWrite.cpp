// How CSongFile writes a song: under an exclusive lock held from opening to
// closing, refusing when another program changed the file meanwhile, and
// either in place under the undo journal or through a replacement file.
#include <fcntl.h>
#include <grp.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

#include "songcore/songfile/LocalFileStream.h"
#include "songcore/songfile/SongFile.h"
#include "songcore/tags/ContentCapture.h"
#include "songcore/tags/ContentPlan.h"
#include "songcore/tags/ContentRecorder.h"
#include "songcore/util/FdIo.h"
#include "songcore/util/JournalRecovery.h"
#include "songcore/util/SafeFileReplace.h"
#include "songcore/util/WriteJournal.h"

using songcore::ContentPlan;
using songcore::ContentRecorder;
using songcore::JournalRange;
using songcore::NewContentFn;
using songcore::WriteJournal;

namespace {

// How long a writer waits for another one to finish with the same file.
constexpr auto kLockWait = std::chrono::seconds(30);
// How often the file may be replaced under a writer that waits for it.
constexpr int kMaxReopens = 8;
constexpr size_t kCopyBlock = 1024 * 1024;

bool WaitForLock(int fd) {
    auto deadline = std::chrono::steady_clock::now() + kLockWait;
    auto pause = std::chrono::milliseconds(1);
    while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        if (errno != EWOULDBLOCK && errno != EINTR) {
            return errno == ENOLCK || errno == EINVAL;  // no locks here: go on
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
        std::this_thread::sleep_for(pause);
        pause = std::min(pause * 2, std::chrono::milliseconds(50));
    }
    return true;
}

// flock locks belong to open files, so a second record of this process on a
// file the first one holds would wait for it forever. Within the process,
// the files held are counted instead, and the identity check keeps two
// records from writing over each other's change.
std::mutex g_heldMutex;
std::map<std::pair<uint64_t, uint64_t>, int> g_held;

bool HeldByThisProcess(uint64_t device, uint64_t inode) {
    std::lock_guard lock(g_heldMutex);
    auto found = g_held.find({device, inode});
    return found != g_held.end() && found->second > 0;
}

bool SameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// The path an interrupted write is undone through when the programs start,
// whatever their current folder is then.
std::string LastingPath(const std::string& path) {
    if (char* real = ::realpath(path.c_str(), nullptr)) {
        std::string resolved = real;
        std::free(real);
        return resolved;
    }
    return path;
}

// Whether this user can give a new file the owner and group of the file
// open on fd: root can, the owner only within the groups it is in.
bool CanKeepOwnerAndGroup(int fd) {
    struct stat st;
    if (::fstat(fd, &st) != 0) {
        return false;
    }
    if (::geteuid() == 0) {
        return true;
    }
    if (st.st_uid != ::geteuid()) {
        return false;
    }
    if (st.st_gid == ::getegid()) {
        return true;
    }
    int count = ::getgroups(0, nullptr);
    std::vector<gid_t> groups(static_cast<size_t>(std::max(count, 0)));
    count = ::getgroups(static_cast<int>(groups.size()), groups.data());
    return count >= 0 &&
           std::find(groups.begin(), groups.begin() + count, st.st_gid) != groups.begin() + count;
}

// What a write in place needs to know besides the bytes.
struct InPlaceWrite {
    songcore::JournaledFile file;  // as it was read

    std::vector<JournalRange> ranges;  // every range whose bytes may change
    uint64_t newLength = 0;
    NewContentFn newContent;      // the content the write leaves there
    std::function<bool()> write;  // writes the new bytes
    // Checked once the journal is saved; says why not in its argument.
    std::function<bool(std::string&)> stillAsOpened;
};

songcore::JournaledFile JournaledFileOf(const std::string& path, int fd, uint64_t device,
                                        uint64_t inode, uint64_t length) {
    return {fd, LastingPath(path), device, inode, length};
}

// Saves what the write changes in the journal, checks that the file is still
// the one that was read, writes, sets a shorter length and syncs; on a failure
// puts the old bytes back. error tells what failed, and journalFailed whether
// it was the journal (nothing was touched then).
bool WriteUnderJournal(const InPlaceWrite& work, std::string& error, bool& journalFailed) {
    WriteJournal journal;
    journalFailed = false;
    const int fd = work.file.fd;
    const uint64_t oldLength = work.file.length;
    if (!journal.Begin(work.file, work.ranges, work.newLength, work.newContent, error)) {
        journalFailed = true;
        return false;
    }
    songcore::WriteStep("journal-saved");
    // Saving the journal takes a while (it is synced): a program that
    // appended to the song meanwhile would lose its bytes to the new length.
    if (!work.stillAsOpened(error)) {
        journal.Drop();
        return false;
    }
    bool ok = work.write();
    if (ok) {
        songcore::WriteStep("region-written");
    }
    // A longer file has grown by the writes themselves; only a shorter one
    // is cut, so nothing past what was checked is ever cut away.
    ok = ok &&
         (work.newLength >= oldLength || ::ftruncate(fd, static_cast<off_t>(work.newLength)) == 0);
    // Within a batch the songs are flushed together at its end.
    ok = ok && (!WriteJournal::MustFlushSong(fd, work.file.device) || ::fdatasync(fd) == 0);
    if (!ok) {
        std::string cause = std::strerror(errno);
        std::string undo;
        if (journal.Rollback(fd, undo)) {
            journal.Drop();
            error = "cannot write the file: " + cause + "; it was left as it was";
        } else {
            error = "cannot write the file: " + cause + "; " + undo +
                    " (the journal keeps its old bytes)";
        }
        return false;
    }
    songcore::WriteStep("file-synced");
    journal.Drop();
    return true;
}

}  // namespace

void CSongFile::HoldLock(uint64_t device, uint64_t inode) {
    ReleaseLock();
    std::lock_guard lock(g_heldMutex);
    ++g_held[{device, inode}];
    heldDevice_ = device;
    heldInode_ = inode;
    holdsLock_ = true;
}

void CSongFile::ReleaseLock() {
    if (!holdsLock_) {
        return;
    }
    std::lock_guard lock(g_heldMutex);
    auto found = g_held.find({heldDevice_, heldInode_});
    if (found != g_held.end() && --found->second <= 0) {
        g_held.erase(found);
    }
    holdsLock_ = false;
}

bool CSongFile::LockForWriting(int access, uint64_t device, uint64_t inode) {
    for (int attempt = 0; attempt < kMaxReopens; ++attempt) {
        int fd = stream_->descriptor();
        if (!HeldByThisProcess(device, inode) && !WaitForLock(fd)) {
            error_ = "another program is writing the file and keeps it locked";
            return false;
        }
        HoldLock(device, inode);
        struct stat byPath;
        if (::stat(fileName_.c_str(), &byPath) != 0) {
            error_ = std::strerror(errno);
            return false;
        }
        if (static_cast<uint64_t>(byPath.st_dev) == device &&
            static_cast<uint64_t>(byPath.st_ino) == inode) {
            std::string why;
            if (!songcore::RecoverFile(fd, fileName_, device, inode, why)) {
                error_ = why;
                return false;
            }
            // Taken under the lock: the length seen at the open may be
            // another writer's, which has finished since.
            return RememberIdentity();
        }
        // Another writer replaced the file while this one waited: what the
        // path names now is the file to write.
        struct stat opened;
        std::unique_ptr<songcore::SongFileStream> fresh =
            songcore::LocalFileStream::open(fileName_, access, error_, &opened);
        if (!fresh) {
            return false;
        }
        device = static_cast<uint64_t>(opened.st_dev);
        inode = static_cast<uint64_t>(opened.st_ino);
        std::lock_guard lock(streamMutex_);
        stream_ = std::move(fresh);
    }
    error_ = "the file keeps being replaced by another program";
    return false;
}

bool CSongFile::RememberIdentity() {
    struct stat st;
    if (!stream_ || ::fstat(stream_->descriptor(), &st) != 0) {
        identity_.known = false;
        return false;
    }
    identity_ = {static_cast<uint64_t>(st.st_dev),         static_cast<uint64_t>(st.st_ino),
                 static_cast<uint64_t>(st.st_size),        static_cast<int64_t>(st.st_mtim.tv_sec),
                 static_cast<int64_t>(st.st_mtim.tv_nsec), true};
    stream_->refresh(static_cast<long long>(st.st_size));
    return true;
}

bool CSongFile::StillAsOpened(uint64_t* links) {
    struct stat now, byPath;
    bool same = identity_.known && ::fstat(stream_->descriptor(), &now) == 0 &&
                ::stat(fileName_.c_str(), &byPath) == 0 && SameFile(now, byPath) &&
                static_cast<uint64_t>(now.st_dev) == identity_.device &&
                static_cast<uint64_t>(now.st_ino) == identity_.inode &&
                static_cast<uint64_t>(now.st_size) == identity_.size &&
                now.st_mtim.tv_sec == identity_.modifiedSeconds &&
                now.st_mtim.tv_nsec == identity_.modifiedNanoseconds;
    if (!same) {
        error_ =
            "another program changed the file since it was read; nothing was written "
            "(read it again, then write)";
    } else if (links != nullptr) {
        *links = static_cast<uint64_t>(now.st_nlink);
    }
    return same;
}

int CSongFile::ReplaceContents(const std::function<bool(songcore::ContentWriter&)>& fill) {
    if (!stream_ || stream_->isRemote()) {
        error_ = "only local files can be rewritten";
        return 0;
    }
    if (!writable_) {
        error_ = "the file was opened for reading only";
        return 0;
    }
    uint64_t oldLength = GetLength();
    if (oldLength == kBadLength) {
        return 0;
    }
    ContentPlan plan(
        fileName_,
        [this](uint64_t at, uint8_t* buffer, size_t count) { return ReadAt(at, buffer, count); },
        oldLength);
    plan.setOriginalDescriptor(stream_->descriptor());
    ContentRecorder recorder(plan);
    if (!fill(recorder)) {
        if (!plan.error().empty()) {
            error_ = plan.error();
        } else if (error_.empty()) {
            error_ = "the new file could not be built";
        }
        return 0;
    }
    // Checked once the content is built, right before anything is written;
    // a write in place checks once its journal entry is saved, which is later
    // still.
    uint64_t links = 0;
    if (!plan.inPlace() && !StillAsOpened(&links)) {
        return 0;
    }
    // The way back is read from the old content while it is still there.
    songcore::ContentCapture* capture = songcore::ContentCapture::Active();
    songcore::RestorePlan restore;
    // A write that finds the file holding its content already is nothing
    // to undo.
    std::vector<ContentPlan::Change> changes;
    if (capture != nullptr && plan.inPlace() && plan.size() == oldLength && plan.changes(changes) &&
        changes.empty()) {
        capture = nullptr;
    }
    if (capture != nullptr) {
        const uint64_t room =
            songcore::ContentCapture::kMaxSavedBytes -
            std::min(capture->SavedBytes(), songcore::ContentCapture::kMaxSavedBytes);
        auto readOld = [this](uint64_t at, uint8_t* out, size_t count) {
            for (size_t done = 0; done < count;) {
                long long got = ReadAt(at + done, out + done, count - done);
                if (got <= 0) {
                    return false;
                }
                done += static_cast<size_t>(got);
            }
            return true;
        };
        if (!recorder.InversePlan(oldLength, readOld, room, restore)) {
            capture->MarkIncomplete();
            capture = nullptr;
        }
    }
    int written = 0;
    if (plan.inPlace()) {
        written = WriteInPlace(plan, oldLength);
    } else if (links > 1 || !CanKeepOwnerAndGroup(stream_->descriptor())) {
        // A new file would leave the other names with the old content, or
        // take the song from its owner: such a file is rewritten where it is.
        written = WriteOverHardLinks(plan, oldLength);
    } else {
        written = CommitReplacement(plan);
    }
    if (written && capture != nullptr) {
        capture->Add(std::move(restore));
    }
    return written;
}

int CSongFile::WriteInPlace(ContentPlan& plan, uint64_t oldLength) {
    std::vector<ContentPlan::Change> changes;
    if (!plan.changes(changes)) {
        error_ = plan.error();
        return 0;
    }
    InPlaceWrite work;
    work.newLength = plan.size();
    if (changes.empty() && work.newLength == oldLength) {
        return 1;  // the file holds this content already
    }
    if (!identity_.known) {
        return Refuse("the file could not be examined before it was written");
    }
    work.file = JournaledFileOf(fileName_, stream_->descriptor(), identity_.device, identity_.inode,
                                identity_.size);
    for (const ContentPlan::Change& change : changes) {
        work.ranges.push_back({change.offset, change.bytes.size()});
    }
    if (work.newLength < oldLength) {
        work.ranges.push_back({work.newLength, oldLength - work.newLength});
    }
    // The changes come in order, so the one holding an offset is found by a
    // binary search.
    work.newContent = [&changes](uint64_t offset, uint8_t* out, size_t count) {
        auto holding = std::upper_bound(
            changes.begin(), changes.end(), offset,
            [](uint64_t at, const ContentPlan::Change& change) { return at < change.offset; });
        if (holding == changes.begin()) {
            return false;
        }
        --holding;
        uint64_t into = offset - holding->offset;
        if (into > holding->bytes.size() || count > holding->bytes.size() - into) {
            return false;
        }
        std::memcpy(out, holding->bytes.data() + into, count);
        return true;
    };
    int fd = stream_->descriptor();
    work.write = [&] {
        for (const ContentPlan::Change& change : changes) {
            if (!songcore::PwriteAll(fd, change.bytes.data(), change.bytes.size(), change.offset)) {
                return false;
            }
        }
        return true;
    };
    work.stillAsOpened = [this](std::string& why) {
        bool same = StillAsOpened();
        why = same ? why : error_;
        return same;
    };
    std::string why;
    bool journalFailed = false;
    bool ok = WriteUnderJournal(work, why, journalFailed);
    stream_->refresh();
    if (!ok && journalFailed) {
        // Without a journal an in-place write could not be undone; a new
        // file can still be written safely, unless that would split links
        // or hand the song to another owner.
        uint64_t links = 0;
        if (!StillAsOpened(&links)) {
            return 0;
        }
        if (links == 1 && CanKeepOwnerAndGroup(fd) && plan.toReplacement()) {
            return CommitReplacement(plan);
        }
        error_ = why;
        return 0;
    }
    RememberIdentity();
    if (!ok) {
        error_ = why;
    }
    return ok ? 1 : 0;
}

int CSongFile::WriteOverHardLinks(ContentPlan& plan, uint64_t oldLength) {
    songcore::SafeFileReplace* content = plan.replacement();
    if (!content->flush()) {
        error_ = content->error();
        return 0;
    }
    int from = content->descriptor();
    int fd = stream_->descriptor();
    InPlaceWrite work;
    uint64_t start = plan.firstChange();
    work.newLength = plan.size();
    uint64_t end = std::max(oldLength, work.newLength);
    if (start < end) {
        work.ranges.push_back({start, end - start});
    }
    work.newContent = [from](uint64_t offset, uint8_t* out, size_t count) {
        return songcore::PreadExact(from, out, count, offset);
    };
    work.write = [&] {
        std::vector<uint8_t> block(kCopyBlock);
        for (uint64_t at = start; at < work.newLength;) {
            size_t want = static_cast<size_t>(std::min<uint64_t>(kCopyBlock, work.newLength - at));
            if (!songcore::PreadExact(from, block.data(), want, at) ||
                !songcore::PwriteAll(fd, block.data(), want, at)) {
                return false;
            }
            at += want;
        }
        return true;
    };
    work.stillAsOpened = [this](std::string& why) {
        bool same = StillAsOpened();
        why = same ? why : error_;
        return same;
    };
    work.file = JournaledFileOf(fileName_, fd, identity_.device, identity_.inode, identity_.size);
    std::string why;
    bool journalFailed = false;
    bool ok = WriteUnderJournal(work, why, journalFailed);
    stream_->refresh();
    RememberIdentity();
    if (!ok) {
        error_ = journalFailed ? why +
                                     " (the file has several names or another owner, so it "
                                     "can only be written in place, which needs the journal)"
                               : why;
    }
    return ok ? 1 : 0;
}

int CSongFile::CommitReplacement(ContentPlan& plan) {
    songcore::SafeFileReplace* out = plan.replacement();
    out->setKeepOpen(true);
    out->setKeepOwner(true);
    if (!out->commit()) {
        error_ = out->error();
        return 0;
    }
    // The new file is locked already (it was while it was written), so no
    // other writer gets in between.
    std::unique_ptr<songcore::SongFileStream> fresh =
        songcore::LocalFileStream::adopt(out->releaseDescriptor());
    {
        std::lock_guard lock(streamMutex_);
        stream_ = std::move(fresh);
    }
    position_ = 0;
    RememberIdentity();
    HoldLock(identity_.device, identity_.inode);
    return 1;
}
