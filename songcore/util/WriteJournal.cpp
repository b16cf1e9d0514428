#include "songcore/util/WriteJournal.h"
#include "songcore/util/Paths.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <system_error>

#include "songcore/util/ByteReader.h"
#include "songcore/util/ByteWriter.h"
#include "songcore/util/FdIo.h"

namespace songcore {
namespace {

constexpr char kMagic[] = "TMJ1";
constexpr size_t kBlock = 1024 * 1024;
constexpr uint32_t kMaxPath = 4096;
constexpr uint32_t kMaxRanges = 65536;
// Left behind by a writer killed while saving its entry; the file was not
// touched yet, so such a half entry only has to go.
constexpr time_t kStaleHalfEntrySeconds = 600;

WriteStepHook g_stepHook = nullptr;

class Checksum {
public:
    void add(const uint8_t* data, size_t size) {
        for (size_t i = 0; i < size; ++i) {
            value_ = (value_ ^ data[i]) * 1099511628211ull;
        }
    }
    uint64_t value() const { return value_; }

private:
    uint64_t value_ = 1469598103934665603ull;
};

std::string SysError(const std::string& what) {
    return what + ": " + std::strerror(errno);
}

std::string EntryName(dev_t device, ino_t inode) {
    char name[40];
    std::snprintf(name, sizeof name, "%016llx-%016llx", static_cast<unsigned long long>(device),
                  static_cast<unsigned long long>(inode));
    return name;
}

void SyncFolder(const std::string& folder) {
    int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

// Appends to a new entry file, keeping the checksum of all it wrote.
class EntryWriter {
public:
    explicit EntryWriter(int fd) : fd_(fd) {}
    bool put(std::span<const uint8_t> data) {
        checksum_.add(data.data(), data.size());
        pending_.insert(pending_.end(), data.begin(), data.end());
        return pending_.size() < kBlock || flush();
    }
    bool finish() {
        ByteWriter tail;
        tail.u64le(checksum_.value());
        pending_.insert(pending_.end(), tail.buffer().begin(), tail.buffer().end());
        return flush();
    }

private:
    bool flush() {
        bool ok = PwriteAll(fd_, pending_.data(), pending_.size(), written_);
        written_ += pending_.size();
        pending_.clear();
        return ok;
    }
    int fd_;
    uint64_t written_ = 0;
    Checksum checksum_;
    std::vector<uint8_t> pending_;
};

struct Entry {
    uint64_t device = 0;
    uint64_t inode = 0;
    uint64_t oldLength = 0;
    std::string path;
    std::vector<JournalRange> ranges;
    uint64_t dataOffset = 0;
};

// Reads and checks an entry: its header, that its size adds up, and its
// checksum over everything.
bool ReadEntry(int fd, Entry& entry) {
    struct stat st;
    if (::fstat(fd, &st) != 0 || st.st_size < 44) {
        return false;
    }
    uint64_t size = static_cast<uint64_t>(st.st_size);
    std::vector<uint8_t> head(32);
    if (!PreadExact(fd, head.data(), head.size(), 0)) {
        return false;
    }
    ByteReader fixed(head);
    if (fixed.string(4) != std::string_view(kMagic, 4)) {
        return false;
    }
    entry.device = fixed.u64le();
    entry.inode = fixed.u64le();
    entry.oldLength = fixed.u64le();
    uint32_t pathLength = fixed.u32le();
    if (!fixed.ok() || pathLength == 0 || pathLength > kMaxPath || 44 + pathLength > size) {
        return false;
    }
    std::vector<uint8_t> rest(pathLength + 4);
    if (!PreadExact(fd, rest.data(), rest.size(), head.size())) {
        return false;
    }
    ByteReader names(rest);
    entry.path = names.string(pathLength);
    uint32_t count = names.u32le();
    uint64_t tableOffset = head.size() + rest.size();
    if (!names.ok() || count > kMaxRanges || tableOffset + uint64_t{count} * 16 + 8 > size) {
        return false;
    }
    std::vector<uint8_t> table(size_t{count} * 16);
    if (!PreadExact(fd, table.data(), table.size(), tableOffset)) {
        return false;
    }
    ByteReader ranges(table);
    uint64_t data = 0;
    for (uint32_t i = 0; i < count; ++i) {
        JournalRange range{ranges.u64le(), ranges.u64le()};
        if (range.length > size || data > size - range.length) {
            return false;
        }
        data += range.length;
        entry.ranges.push_back(range);
    }
    entry.dataOffset = tableOffset + table.size();
    if (entry.dataOffset + data + 8 != size) {
        return false;
    }
    Checksum checksum;
    std::vector<uint8_t> block(static_cast<size_t>(std::min<uint64_t>(kBlock, size)));
    for (uint64_t at = 0; at < size - 8;) {
        size_t want = static_cast<size_t>(std::min<uint64_t>(block.size(), size - 8 - at));
        if (!PreadExact(fd, block.data(), want, at)) {
            return false;
        }
        checksum.add(block.data(), want);
        at += want;
    }
    uint8_t stored[8];
    return PreadExact(fd, stored, 8, size - 8) && ByteReader(stored, 8).u64le() == checksum.value();
}

// Copies the entry's old bytes back into the file, restores its length and
// syncs it.
bool ApplyEntry(int entryFd, const Entry& entry, int fileFd, std::string& error) {
    std::vector<uint8_t> block;
    uint64_t from = entry.dataOffset;
    for (const JournalRange& range : entry.ranges) {
        for (uint64_t done = 0; done < range.length;) {
            size_t want = static_cast<size_t>(std::min<uint64_t>(kBlock, range.length - done));
            block.resize(want);
            if (!PreadExact(entryFd, block.data(), want, from)) {
                error = SysError("cannot read the write journal");
                return false;
            }
            if (!PwriteAll(fileFd, block.data(), want, range.offset + done)) {
                error = SysError("cannot put the old bytes back");
                return false;
            }
            from += want;
            done += want;
        }
    }
    if (::ftruncate(fileFd, static_cast<off_t>(entry.oldLength)) != 0) {
        error = SysError("cannot restore the old length");
        return false;
    }
    if (::fsync(fileFd) != 0) {
        error = SysError("cannot flush the restored file");
        return false;
    }
    return true;
}

}  // namespace

std::string JournalFolder() {
    std::string state = StateFolder();
    return state.empty() ? state : state + "/journal";
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
                         std::string& error) {
    std::string folder = JournalFolder();
    if (folder.empty()) {
        error = "there is no home folder for the write journal";
        return false;
    }
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    if (ec) {
        error = "cannot create the write journal folder " + folder + ": " + ec.message();
        return false;
    }
    struct stat st;
    if (::fstat(fd, &st) != 0) {
        error = SysError("cannot examine the file");
        return false;
    }
    if (path.empty() || path.size() > kMaxPath) {
        error = "the file's path is too long for the write journal";
        return false;
    }
    // Only what the file holds now can be put back; past its end there is
    // nothing to save, the old length covers it.
    uint64_t length = static_cast<uint64_t>(st.st_size);
    std::vector<JournalRange> kept;
    for (JournalRange range : ranges) {
        if (range.offset < length && range.length > 0) {
            range.length = std::min(range.length, length - range.offset);
            kept.push_back(range);
        }
    }
    if (kept.size() > kMaxRanges) {
        error = "too many changed regions for the write journal";
        return false;
    }

    std::string entry = folder + "/" + EntryName(st.st_dev, st.st_ino);
    std::string pattern = folder + "/.new-XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    int out = ::mkostemp(name.data(), O_CLOEXEC);
    if (out < 0) {
        error = SysError("cannot create a write journal entry in " + folder);
        return false;
    }
    ByteWriter header;
    header.text(std::string_view(kMagic, 4));
    header.u64le(static_cast<uint64_t>(st.st_dev));
    header.u64le(static_cast<uint64_t>(st.st_ino));
    header.u64le(length);
    header.u32le(static_cast<uint32_t>(path.size()));
    header.text(path);
    header.u32le(static_cast<uint32_t>(kept.size()));
    for (const JournalRange& range : kept) {
        header.u64le(range.offset);
        header.u64le(range.length);
    }
    EntryWriter writer(out);
    bool ok = writer.put(header.buffer());
    std::vector<uint8_t> block;
    for (const JournalRange& range : kept) {
        for (uint64_t done = 0; ok && done < range.length;) {
            size_t want = static_cast<size_t>(std::min<uint64_t>(kBlock, range.length - done));
            block.resize(want);
            ok = PreadExact(fd, block.data(), want, range.offset + done) && writer.put(block);
            done += want;
        }
    }
    ok = ok && writer.finish() && ::fsync(out) == 0;
    if (!ok) {
        error = SysError("cannot save the old bytes in the write journal");
    }
    ::close(out);
    if (ok && ::rename(name.data(), entry.c_str()) != 0) {
        error = SysError("cannot save the write journal entry");
        ok = false;
    }
    if (!ok) {
        ::unlink(name.data());
        return false;
    }
    SyncFolder(folder);
    entryPath_ = entry;
    return true;
}

bool WriteJournal::Rollback(int fd, std::string& error) const {
    int in = ::open(entryPath_.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) {
        error = SysError("cannot open the write journal");
        return false;
    }
    Entry entry;
    bool ok = ReadEntry(in, entry);
    if (!ok) {
        error = "the write journal entry is damaged";
    }
    ok = ok && ApplyEntry(in, entry, fd, error);
    ::close(in);
    return ok;
}

void WriteJournal::Drop() {
    if (!entryPath_.empty()) {
        ::unlink(entryPath_.c_str());
        entryPath_.clear();
    }
}

bool RecoverFile(int fd, std::string& error) {
    std::string folder = JournalFolder();
    struct stat st;
    if (folder.empty() || ::fstat(fd, &st) != 0) {
        return true;
    }
    std::string path = folder + "/" + EntryName(st.st_dev, st.st_ino);
    int in = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) {
        return true;  // the usual case: nothing was left
    }
    Entry entry;
    bool ok = true;
    // An entry that does not check out was never complete, so the file was
    // never touched under it.
    if (ReadEntry(in, entry) && entry.device == static_cast<uint64_t>(st.st_dev) &&
        entry.inode == static_cast<uint64_t>(st.st_ino)) {
        ok = ApplyEntry(in, entry, fd, error);
        if (!ok) {
            error = "an interrupted write could not be undone: " + error;
        }
    }
    ::close(in);
    if (ok) {
        ::unlink(path.c_str());
    }
    return ok;
}

int RecoverInterruptedWrites() {
    std::string folder = JournalFolder();
    DIR* dir = folder.empty() ? nullptr : ::opendir(folder.c_str());
    if (dir == nullptr) {
        return 0;
    }
    std::vector<std::string> names;
    while (dirent* item = ::readdir(dir)) {
        names.emplace_back(item->d_name);
    }
    ::closedir(dir);
    int recovered = 0;
    for (const std::string& name : names) {
        std::string path = folder + "/" + name;
        if (name == "." || name == "..") {
            continue;
        }
        if (name[0] == '.') {
            struct stat st;
            if (::stat(path.c_str(), &st) == 0 &&
                std::time(nullptr) - st.st_mtime > kStaleHalfEntrySeconds) {
                ::unlink(path.c_str());
            }
            continue;
        }
        int in = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (in < 0) {
            continue;
        }
        Entry entry;
        bool drop = true;
        if (ReadEntry(in, entry)) {
            int fd = ::open(entry.path.c_str(), O_RDWR | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
            struct stat st;
            if (fd >= 0 && ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) &&
                static_cast<uint64_t>(st.st_dev) == entry.device &&
                static_cast<uint64_t>(st.st_ino) == entry.inode) {
                // A writer that is still at work holds the lock: its entry
                // is not left over.
                if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
                    drop = false;
                } else {
                    std::string error;
                    drop = ApplyEntry(in, entry, fd, error);
                    recovered += drop ? 1 : 0;
                }
            } else if (fd < 0 && errno != ENOENT) {
                drop = false;  // there, but not ours to open now: try later
            }
            if (fd >= 0) {
                ::close(fd);
            }
        }
        ::close(in);
        if (drop) {
            ::unlink(path.c_str());
        }
    }
    return recovered;
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
