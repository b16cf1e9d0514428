#include "songcore/util/WriteJournal.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <set>

#include "songcore/util/Paths.h"
#include "songcore/util/PrivateFiles.h"

namespace songcore {
namespace {

WriteStepHook g_stepHook = nullptr;

// The entries this process is writing under; recovery leaves them alone,
// since a second record of the same file in this process does not wait for
// the first one's lock.
std::mutex g_inUseMutex;
std::set<std::string> g_inUse;

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

// "DEVICE-INODE-XXXXXX": the file it belongs to, and the random part of the
// temporary name it was written under, which keeps entries apart.
std::string EntryName(const struct stat& st, const std::string& temporaryName) {
    char name[48];
    std::snprintf(name, sizeof name, "%016llx-%016llx-", static_cast<unsigned long long>(st.st_dev),
                  static_cast<unsigned long long>(st.st_ino));
    return name + temporaryName.substr(temporaryName.size() - 6);
}

}  // namespace

std::string JournalFolder() {
    std::string state = StateFolder();
    return state.empty() ? state : state + "/journal";
}

bool IsJournalEntryInUse(const std::string& entryPath) {
    std::lock_guard lock(g_inUseMutex);
    return g_inUse.count(entryPath) != 0;
}

WriteJournal::~WriteJournal() {
    if (!entryPath_.empty()) {
        // Not dropped: the write did not end, the entry stays for recovery.
        std::lock_guard lock(g_inUseMutex);
        g_inUse.erase(entryPath_);
    }
}

WriteJournal::WriteJournal(WriteJournal&& other) noexcept
    : entryPath_(std::move(other.entryPath_)) {
    other.entryPath_.clear();
}

WriteJournal& WriteJournal::operator=(WriteJournal&& other) noexcept {
    entryPath_ = std::move(other.entryPath_);
    other.entryPath_.clear();
    return *this;
}

bool WriteJournal::Begin(int fd, const std::string& path, std::vector<JournalRange> ranges,
                         uint64_t newLength, const NewContentFn& newContent, std::string& error) {
    std::string folder = JournalFolder();
    if (!PreparePrivateFolder(folder, error)) {
        error = "the write journal cannot be used: " + error;
        return false;
    }
    struct stat st;
    if (::fstat(fd, &st) != 0) {
        error = SysError("cannot examine the file");
        return false;
    }
    JournalEntry entry;
    entry.device = static_cast<uint64_t>(st.st_dev);
    entry.inode = static_cast<uint64_t>(st.st_ino);
    entry.oldLength = static_cast<uint64_t>(st.st_size);
    entry.newLength = newLength;
    entry.path = path;
    entry.ranges = std::move(ranges);

    std::string pattern = folder + "/.new-XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    int out = ::mkostemp(name.data(), O_CLOEXEC);
    if (out < 0) {
        error = SysError("cannot create a write journal entry in " + folder);
        return false;
    }
    std::string entryPath = folder + "/" + EntryName(st, name.data());
    errno = 0;
    bool ok = WriteJournalEntry(out, entry, fd, newContent) && ::fsync(out) == 0;
    if (!ok) {
        error = SysError("cannot save the old bytes in the write journal");
    }
    ::close(out);
    if (ok && ::rename(name.data(), entryPath.c_str()) != 0) {
        error = SysError("cannot save the write journal entry");
        ok = false;
    }
    if (!ok) {
        ::unlink(name.data());
        return false;
    }
    SyncFolder(folder);
    {
        std::lock_guard lock(g_inUseMutex);
        g_inUse.insert(entryPath);
    }
    entryPath_ = entryPath;
    return true;
}

bool WriteJournal::Rollback(int fd, std::string& error) const {
    std::string why;
    int in = OpenPrivateFile(entryPath_, O_RDONLY, why);
    if (in < 0) {
        error = "cannot open the write journal: " + why;
        return false;
    }
    JournalEntry entry;
    bool ok = ReadJournalEntry(in, entry) == EntryRead::kOk;
    if (!ok) {
        error = "the write journal entry is damaged";
    } else if (std::string mismatch = JournalEntryMismatch(in, entry, fd); !mismatch.empty()) {
        // Another program changed the file during the write: its change is
        // not taken back, and the entry stays for the user.
        error = "the file changed during the write (" + mismatch + "); it was left as it is";
        ok = false;
    } else {
        ok = ApplyJournalEntry(in, entry, fd, error);
    }
    ::close(in);
    return ok;
}

void WriteJournal::Drop() {
    if (!entryPath_.empty()) {
        ::unlink(entryPath_.c_str());
        std::lock_guard lock(g_inUseMutex);
        g_inUse.erase(entryPath_);
        entryPath_.clear();
    }
}

void SetWriteStepHook(WriteStepHook hook) {
    g_stepHook = hook;
}

void WriteStep(const char* step) {
    if (g_stepHook != nullptr) {
        g_stepHook(step);
    }
}

}  // namespace songcore
