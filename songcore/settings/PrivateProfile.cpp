#include "songcore/settings/PrivateProfile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <functional>
#include <list>
#include <mutex>
#include <span>

#include "songcore/settings/ProfileDocument.h"
#include "songcore/util/SafeFileReplace.h"

namespace songcore {
namespace {

constexpr off_t kMaxProfileSize = kMaxProfileFileSize;
constexpr size_t kMaxCachedFiles = 16;

struct Stamp {
    bool exists = false;
    dev_t dev = 0;
    ino_t ino = 0;
    off_t size = 0;
    int64_t mtimeSec = 0;
    int64_t mtimeNsec = 0;
    bool operator==(const Stamp&) const = default;
};

Stamp StampOf(const std::string& path) {
    Stamp stamp;
    struct stat st;
    if (::stat(path.c_str(), &st) == 0) {
        stamp.exists = true;
        stamp.dev = st.st_dev;
        stamp.ino = st.st_ino;
        stamp.size = st.st_size;
        stamp.mtimeSec = st.st_mtim.tv_sec;
        stamp.mtimeNsec = st.st_mtim.tv_nsec;
    }
    return stamp;
}

struct CachedFile {
    std::string path;
    Stamp stamp;
    ProfileDocument doc;
    int batches = 0;
    bool dirty = false;
    bool readable = true;
};

std::mutex gMutex;
std::list<CachedFile> gCache;  // most recently used first
thread_local std::string gLastError;

std::string Normalize(const std::string& path) {
    if (!path.empty() && path[0] == '/') {
        return std::filesystem::path(path).lexically_normal().string();
    }
    std::error_code ec;
    std::filesystem::path absolute = std::filesystem::absolute(path, ec);
    return ec ? path : absolute.lexically_normal().string();
}

// A file that exists but cannot be read whole leaves readable false, so that
// no write replaces content nobody has seen.
ProfileDocument ReadDocument(const std::string& path, bool& readable) {
    readable = false;
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        readable = errno == ENOENT;
        return {};
    }
    std::string text;
    struct stat st;
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size <= kMaxProfileSize) {
        readable = true;
        text.resize(static_cast<size_t>(st.st_size));
        size_t got = 0;
        while (got < text.size()) {
            ssize_t n = ::read(fd, text.data() + got, text.size() - got);
            if (n < 0 && errno == EINTR) {
                continue;
            }
            if (n <= 0) {
                readable = n == 0;
                break;
            }
            got += static_cast<size_t>(n);
        }
        text.resize(got);
    }
    ::close(fd);
    return ProfileDocument::Parse(text);
}

// The cached document of a file, brought up to date with the disk unless a
// batch holds changes back. Call with gMutex held.
CachedFile& Load(const std::string& path) {
    for (auto it = gCache.begin(); it != gCache.end(); ++it) {
        if (it->path == path) {
            gCache.splice(gCache.begin(), gCache, it);
            CachedFile& file = gCache.front();
            if (!file.dirty) {
                Stamp now = StampOf(path);
                if (!(now == file.stamp)) {
                    file.doc = ReadDocument(path, file.readable);
                    file.stamp = now;
                }
            }
            return file;
        }
    }
    CachedFile file;
    file.path = path;
    file.stamp = StampOf(path);
    file.doc = ReadDocument(path, file.readable);
    gCache.push_front(std::move(file));
    // Forget the least recently used files that hold nothing back.
    while (gCache.size() > kMaxCachedFiles) {
        auto victim = std::find_if(gCache.rbegin(), gCache.rend(),
                                   [](const CachedFile& f) { return f.batches == 0 && !f.dirty; });
        if (victim == gCache.rend()) {
            break;
        }
        gCache.erase(std::next(victim).base());
    }
    return gCache.front();
}

bool Flush(CachedFile& file) {
    std::string text = file.doc.Serialize();
    std::string error;
    if (!WriteFileSafely(
            file.path,
            std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(text.data()), text.size()),
            &error)) {
        gLastError = error;
        // What is on disk is the truth again.
        file.dirty = false;
        file.doc = ReadDocument(file.path, file.readable);
        file.stamp = StampOf(file.path);
        return false;
    }
    file.dirty = false;
    file.stamp = StampOf(file.path);
    return true;
}

// Applies a change and writes the file unless a batch is open on it.
bool Modify(const std::string& rawPath,
            const std::function<bool(ProfileDocument&, bool&)>& change) {
    if (rawPath.empty()) {
        gLastError = "no file name";
        return false;
    }
    std::string path = Normalize(rawPath);
    std::lock_guard lock(gMutex);
    CachedFile& file = Load(path);
    if (!file.readable) {
        gLastError = "the file exists but cannot be read";
        return false;
    }
    bool changed = false;
    if (!change(file.doc, changed)) {
        gLastError = "the name cannot be stored in an INI file";
        return false;
    }
    // A file that does not exist yet is created even by a change that sets
    // nothing new, as a write promises.
    if (!changed && file.stamp.exists) {
        return true;
    }
    file.dirty = true;
    if (file.batches > 0) {
        return true;
    }
    return Flush(file);
}

}  // namespace

std::optional<std::string> ProfileGetString(const std::string& path, const std::string& section,
                                            const std::string& key) {
    std::lock_guard lock(gMutex);
    return Load(Normalize(path)).doc.Get(section, key);
}

std::optional<std::vector<std::string>> ProfileGetSection(const std::string& path,
                                                          const std::string& section) {
    std::lock_guard lock(gMutex);
    return Load(Normalize(path)).doc.SectionLines(section);
}

std::vector<std::string> ProfileGetSectionNames(const std::string& path) {
    std::lock_guard lock(gMutex);
    return Load(Normalize(path)).doc.SectionNames();
}

bool ProfileWriteString(const std::string& path, const std::string& section, const std::string& key,
                        const std::string* value) {
    return Modify(path, [&](ProfileDocument& doc, bool& changed) {
        if (value == nullptr) {
            changed = doc.DeleteKey(section, key);
            return true;
        }
        return doc.Set(section, key, *value, &changed);
    });
}

bool ProfileDeleteSection(const std::string& path, const std::string& section) {
    return Modify(path, [&](ProfileDocument& doc, bool& changed) {
        changed = doc.DeleteSection(section);
        return true;
    });
}

bool ProfileWriteSection(const std::string& path, const std::string& section,
                         const std::vector<std::string>& lines) {
    return Modify(path, [&](ProfileDocument& doc, bool& changed) {
        changed = true;
        return doc.ReplaceSection(section, lines);
    });
}

std::string ProfileLastError() {
    return gLastError;
}

ProfileWriteBatch::ProfileWriteBatch(std::string path) : path_(Normalize(path)) {
    std::lock_guard lock(gMutex);
    Load(path_).batches++;
}

ProfileWriteBatch::~ProfileWriteBatch() {
    Commit();
}

bool ProfileWriteBatch::Commit() {
    if (!active_) {
        return true;
    }
    active_ = false;
    std::lock_guard lock(gMutex);
    for (CachedFile& file : gCache) {
        if (file.path == path_) {
            file.batches--;
            if (file.batches == 0 && file.dirty) {
                return Flush(file);
            }
            return true;
        }
    }
    return true;
}

uint32_t FillDoubleNulList(const std::vector<std::string>& items, char* buffer, uint32_t size) {
    if (buffer == nullptr || size < 2) {
        if (buffer != nullptr && size == 1) {
            buffer[0] = '\0';
        }
        return 0;
    }
    uint32_t at = 0;
    for (const std::string& item : items) {
        // Room for the item, its NUL and the closing NUL.
        uint32_t room = size - at - 2;
        if (item.size() > room) {
            std::memcpy(buffer + at, item.data(), room);
            buffer[size - 2] = '\0';
            buffer[size - 1] = '\0';
            return size - 2;
        }
        std::memcpy(buffer + at, item.data(), item.size());
        at += static_cast<uint32_t>(item.size());
        buffer[at++] = '\0';
        if (at >= size - 1) {
            break;
        }
    }
    buffer[at] = '\0';
    return at;
}

uint32_t GetPrivateProfileString(const char* section, const char* key, const char* defaultValue,
                                 char* buffer, uint32_t size, const char* path) {
    if (buffer == nullptr || size == 0 || path == nullptr) {
        return 0;
    }
    if (section == nullptr) {
        return FillDoubleNulList(ProfileGetSectionNames(path), buffer, size);
    }
    std::string value;
    if (key == nullptr) {
        std::vector<std::string> names;
        for (const std::string& line :
             ProfileGetSection(path, section).value_or(std::vector<std::string>{})) {
            names.push_back(line.substr(0, line.find('=')));
        }
        return FillDoubleNulList(names, buffer, size);
    }
    auto found = ProfileGetString(path, section, key);
    value = found ? *found : (defaultValue ? defaultValue : "");
    uint32_t n = static_cast<uint32_t>(std::min<size_t>(value.size(), size - 1));
    std::memcpy(buffer, value.data(), n);
    buffer[n] = '\0';
    return n;
}

int WritePrivateProfileString(const char* section, const char* key, const char* value,
                              const char* path) {
    if (section == nullptr || path == nullptr) {
        return 0;
    }
    if (key == nullptr) {
        return ProfileDeleteSection(path, section) ? 1 : 0;
    }
    std::string text = value ? value : "";
    return ProfileWriteString(path, section, key, value ? &text : nullptr) ? 1 : 0;
}

uint32_t GetPrivateProfileSection(const char* section, char* buffer, uint32_t size,
                                  const char* path) {
    if (section == nullptr || path == nullptr) {
        return 0;
    }
    return FillDoubleNulList(ProfileGetSection(path, section).value_or(std::vector<std::string>{}),
                             buffer, size);
}

uint32_t GetPrivateProfileSectionNames(char* buffer, uint32_t size, const char* path) {
    if (path == nullptr) {
        return 0;
    }
    return FillDoubleNulList(ProfileGetSectionNames(path), buffer, size);
}

int WritePrivateProfileSection(const char* section, const char* lines, const char* path) {
    if (section == nullptr || path == nullptr) {
        return 0;
    }
    std::vector<std::string> items;
    for (const char* p = lines; p != nullptr && *p != '\0'; p += std::strlen(p) + 1) {
        items.emplace_back(p);
    }
    return ProfileWriteSection(path, section, items) ? 1 : 0;
}

}  // namespace songcore
