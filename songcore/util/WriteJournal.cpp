#include "songcore/util/WriteJournal.h"

#include <fcntl.h>
#include <pthread.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>

#include "songcore/util/Paths.h"
#include "songcore/util/PrivateFiles.h"
#include "songcore/util/WriteBatch.h"

namespace songcore {
namespace {

WriteStepHook g_stepHook = nullptr;

std::string SysError(const std::string& what) {
    return what + ": " + std::strerror(errno);
}

void SyncFolder(const std::string& folder) {
    int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

// The songs a thread's batch wrote: their file systems, to be flushed at its
// end, and their entries, to be dropped then.
struct Batch {
    std::map<dev_t, int> fileSystems;          // a descriptor on each
    std::vector<std::pair<dev_t, int>> songs;  // the first few, each flushed alone
    std::vector<uint64_t> entries;
};
// Up to this many songs are flushed one by one; more, by a sync of each of
// their file systems (which also flushes what other programs wrote there).
constexpr size_t kSongsFlushedAlone = 8;
thread_local std::unique_ptr<Batch> t_batch;
// A long batch flushes what it wrote every so many songs, so its journal
// stays small.
constexpr size_t kMaxBatchEntries = 1000;
// A journal file that once held more than this (a large write over hard
// links) is cut when nothing in it is live, so it does not keep the bytes.
constexpr uint64_t kMaxKeptJournalBytes = 1024 * 1024;

// Flushes the batch's file systems and drops its entries; on a failure the
// entries stay.
bool FlushBatch(Batch& batch, std::string& error);

// This process's journal file: made at the first entry, locked while the
// process lives, written again from its start whenever it holds no live
// entry.
class ProcessJournal {
public:
    static ProcessJournal& instance() {
        static ProcessJournal journal;
        return journal;
    }

    // Appends entry (its fields but at and size set) and syncs it.
    bool append(JournalEntry& entry, int songFd, const NewContentFn& newContent,
                std::string& error) {
        std::lock_guard lock(mutex_);
        if (!openFor(JournalFolder(), error)) {
            return false;
        }
        entry.at = end_;
        errno = 0;
        if (!WriteJournalEntry(fd_, entry, songFd, newContent) || ::fdatasync(fd_) != 0) {
            error = SysError("cannot save the old bytes in the write journal");
            // The song is not written: an entry saved whole must not be
            // taken for one whose write was cut short.
            if (entry.size != 0) {
                MarkJournalEntryDropped(fd_, entry);
            }
            return false;
        }
        end_ += entry.size;
        size_ = std::max(size_, end_ + kJournalEndMarkSize);
        live_.push_back(entry.at);
        return true;
    }

    int descriptor() {
        std::lock_guard lock(mutex_);
        return fd_;
    }

    void drop(uint64_t at) {
        std::lock_guard lock(mutex_);
        auto found = std::find(live_.begin(), live_.end(), at);
        if (found == live_.end() || fd_ < 0) {
            return;
        }
        live_.erase(found);
        JournalEntry entry;
        entry.at = at;
        // The last live entry gone, the file's first bytes say that nothing
        // in it is live, so a recovery reads no further.
        if (!live_.empty() || !MarkJournalEmpty(fd_)) {
            MarkJournalEntryDropped(fd_, entry);
        }
        if (live_.empty()) {
            // Nothing to keep: the next entry starts the file again, over
            // the dropped ones (its end mark hides what they leave past it).
            end_ = 0;
            if (size_ > kMaxKeptJournalBytes && ::ftruncate(fd_, 0) == 0) {
                size_ = 0;
            }
        }
    }

    std::string name() {
        std::lock_guard lock(mutex_);
        return name_;
    }

    // Left in place when the process ends, with nothing live in it: the
    // next process takes it over, and its name need not be made durable
    // again.
    ~ProcessJournal() = default;

    // Takes over the journal of a process that ended (locked, nothing live
    // in it) as this process's own, when it has none yet.
    bool adopt(int fd, const std::string& folder, const std::string& name, uint64_t size) {
        std::lock_guard lock(mutex_);
        if (fd_ >= 0 || folder != JournalFolder()) {
            return false;
        }
        if (size > kMaxKeptJournalBytes) {
            if (::ftruncate(fd, 0) != 0) {
                return false;
            }
            size = 0;
        }
        fd_ = fd;
        folder_ = folder;
        name_ = name;
        end_ = 0;
        size_ = size;
        return true;
    }

private:
    ProcessJournal() {
        // A child of fork() shares the descriptor and its lock: it must
        // make a journal of its own.
        ::pthread_atfork(nullptr, nullptr, [] { instance().forgetInChild(); });
    }

    bool openFor(const std::string& folder, std::string& error) {
        if (fd_ >= 0 && folder == folder_) {
            return true;
        }
        // The state folder moved (tests do that): a journal with live
        // entries stays where they are, an empty one goes.
        if (fd_ >= 0) {
            if (live_.empty()) {
                ::unlink((folder_ + "/" + name_).c_str());
            }
            ::close(fd_);
            fd_ = -1;
            live_.clear();
            end_ = 0;
            size_ = 0;
        }
        if (!PreparePrivateFolder(folder, error)) {
            error = "the write journal cannot be used: " + error;
            return false;
        }
        std::string pattern = folder + "/p-XXXXXX";
        std::vector<char> path(pattern.begin(), pattern.end());
        path.push_back('\0');
        int fd = ::mkostemp(path.data(), O_CLOEXEC);
        if (fd < 0) {
            error = SysError("cannot create the write journal in " + folder);
            return false;
        }
        ::flock(fd, LOCK_EX | LOCK_NB);  // a fresh file: ours alone
        // Its name must outlast a crash before its first entry is of use.
        SyncFolder(folder);
        fd_ = fd;
        folder_ = folder;
        name_ = std::string(path.data()).substr(folder.size() + 1);
        return true;
    }

    void forgetInChild() {
        // The parent's journal is the parent's; the lock it holds through
        // the shared descriptor stays with it.
        if (fd_ >= 0) {
            ::close(fd_);
        }
        fd_ = -1;
        live_.clear();
        end_ = 0;
        size_ = 0;
        name_.clear();
        folder_.clear();
        t_batch.reset();
    }

    std::mutex mutex_;
    int fd_ = -1;
    std::string folder_;
    std::string name_;
    uint64_t end_ = 0;   // where the next entry goes
    uint64_t size_ = 0;  // how far the file's bytes reach
    std::vector<uint64_t> live_;
};

}  // namespace

std::string JournalFolder() {
    std::string state = StateFolder();
    return state.empty() ? state : state + "/journal";
}

std::string OwnJournalName() {
    return ProcessJournal::instance().name();
}

bool AdoptJournal(int fd, const std::string& folder, const std::string& name, uint64_t size) {
    return ProcessJournal::instance().adopt(fd, folder, name, size);
}

bool WriteJournal::Begin(const JournaledFile& file, std::vector<JournalRange> ranges,
                         uint64_t newLength, const NewContentFn& newContent, std::string& error) {
    if (file.path.empty() || file.path.size() > 4096) {
        error = "the file's path is too long for the write journal";
        return false;
    }
    if (t_batch != nullptr && t_batch->entries.size() >= kMaxBatchEntries &&
        !FlushBatch(*t_batch, error)) {
        return false;
    }
    JournalEntry entry;
    entry.device = file.device;
    entry.inode = file.inode;
    entry.oldLength = file.length;
    entry.newLength = newLength;
    entry.path = file.path;
    entry.ranges = std::move(ranges);
    if (!ProcessJournal::instance().append(entry, file.fd, newContent, error)) {
        return false;
    }
    at_ = entry.at;
    active_ = true;
    if (t_batch != nullptr) {
        t_batch->entries.push_back(at_);
    }
    return true;
}

bool WriteJournal::Rollback(int fd, std::string& error) const {
    int journal = ProcessJournal::instance().descriptor();
    struct stat st;
    JournalEntry entry;
    if (!active_ || journal < 0 || ::fstat(journal, &st) != 0 ||
        ReadJournalEntry(journal, at_, static_cast<uint64_t>(st.st_size), entry) !=
            EntryRead::kOk) {
        error = "the write journal entry cannot be read";
        return false;
    }
    if (std::string mismatch = JournalEntryMismatch(journal, entry, fd); !mismatch.empty()) {
        // Another program changed the file during the write: its change is
        // not taken back.
        error = "the file changed during the write (" + mismatch + "); it was left as it is";
        return false;
    }
    return ApplyJournalEntry(journal, entry, fd, error);
}

void WriteJournal::Drop() {
    if (!active_) {
        return;
    }
    active_ = false;
    if (t_batch != nullptr) {
        return;  // the batch drops it once its songs are flushed
    }
    ProcessJournal::instance().drop(at_);
}

bool WriteJournal::MustFlushSong(int fd, uint64_t device) {
    if (t_batch == nullptr) {
        return true;
    }
    const auto fileSystem = static_cast<dev_t>(device);
    if (t_batch->fileSystems.count(fileSystem) != 0) {
        return false;  // its file system is flushed whole at the end
    }
    // A descriptor of its own, not a duplicate: a duplicate would share the
    // song's lock and hold it until the batch ends.
    std::string self = "/proc/self/fd/" + std::to_string(fd);
    int kept = ::open(self.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (kept < 0) {
        return true;
    }
    Batch& batch = *t_batch;
    if (batch.fileSystems.empty() && batch.songs.size() < kSongsFlushedAlone) {
        batch.songs.emplace_back(fileSystem, kept);
        return false;
    }
    // From here on the file systems are flushed whole: the songs kept so far
    // give their descriptors to them.
    batch.songs.emplace_back(fileSystem, kept);
    for (const auto& [device, song] : batch.songs) {
        if (!batch.fileSystems.emplace(device, song).second) {
            ::close(song);
        }
    }
    batch.songs.clear();
    return false;
}

WriteBatch::WriteBatch() {
    if (t_batch == nullptr) {
        t_batch = std::make_unique<Batch>();
        outer_ = true;
    }
}

WriteBatch::~WriteBatch() {
    std::string ignored;
    Finish(ignored);
}

bool WriteBatch::Finish(std::string& error) {
    if (!outer_ || t_batch == nullptr) {
        return true;
    }
    std::unique_ptr<Batch> batch = std::move(t_batch);
    outer_ = false;
    bool ok = FlushBatch(*batch, error);
    for (const auto& [device, fd] : batch->fileSystems) {
        ::close(fd);
    }
    for (const auto& [device, fd] : batch->songs) {
        ::close(fd);
    }
    return ok;
}

namespace {

bool FlushBatch(Batch& batch, std::string& error) {
    for (const auto& [device, fd] : batch.songs) {
        if (::fdatasync(fd) != 0) {
            error = SysError("the written songs could not be flushed to disk");
            return false;
        }
    }
    for (const auto& [device, fd] : batch.fileSystems) {
        if (::syncfs(fd) != 0) {
            error = SysError("the written songs could not be flushed to disk");
            return false;
        }
    }
    for (uint64_t at : batch.entries) {
        ProcessJournal::instance().drop(at);
    }
    batch.entries.clear();
    for (const auto& [device, fd] : batch.songs) {
        ::close(fd);
    }
    batch.songs.clear();
    return true;
}

}  // namespace

void SetWriteStepHook(WriteStepHook hook) {
    g_stepHook = hook;
}

void WriteStep(const char* step) {
    if (g_stepHook != nullptr) {
        g_stepHook(step);
    }
}

}  // namespace songcore
