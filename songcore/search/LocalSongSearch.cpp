#include "songcore/search/LocalSongSearch.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <functional>
#include <set>
#include <utility>
#include <vector>

namespace {

std::string LowerAscii(std::string text) {
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return text;
}

// ";"-separated, taken from the left while text remains: "mp3;;ogg" holds an
// empty entry (matching names that end in "."), "" and a trailing ";" do not.
std::vector<std::string> SplitExtensions(const std::string& list) {
    std::vector<std::string> result;
    size_t pos = 0;
    while (pos < list.size()) {
        size_t semi = list.find(';', pos);
        if (semi == std::string::npos) {
            result.push_back("." + list.substr(pos));
            break;
        }
        result.push_back("." + list.substr(pos, semi - pos));
        pos = semi + 1;
    }
    return result;
}

bool EndsWithIgnoreCase(const std::string& name, const std::string& suffix) {
    if (suffix.size() > name.size()) {
        return false;
    }
    return LowerAscii(name.substr(name.size() - suffix.size())) == suffix;
}

// One walk: depth first, each folder once (by device and inode), so links
// that lead back up the tree cannot make it endless.
class FolderWalk {
public:
    FolderWalk(CThread* thread, std::vector<std::string> extensions,
               std::function<void(const std::string&)> report,
               std::function<void(const std::string&)> entered)
        : thread_(thread),
          extensions_(std::move(extensions)),
          report_(std::move(report)),
          entered_(std::move(entered)) {}

    void Start(const std::string& path) {
        struct stat info;
        if (path.empty() || ::stat(path.c_str(), &info) != 0) {
            return;
        }
        if (S_ISDIR(info.st_mode)) {
            Folder(path.back() == '/' ? path : path + "/");
        } else if (S_ISREG(info.st_mode)) {
            size_t slash = path.rfind('/');
            Test(path, slash == std::string::npos ? path : path.substr(slash + 1));
        }
    }

private:
    bool Running() const { return thread_->IsRunning() != 0; }

    void Test(const std::string& path, const std::string& name) {
        for (const std::string& extension : extensions_) {
            if (!Running()) {
                return;
            }
            if (EndsWithIgnoreCase(name, extension)) {
                report_(path);
                return;
            }
        }
    }

    void Folder(const std::string& base) {
        std::vector<std::pair<std::string, unsigned char>> entries;
        if (!Read(base, entries)) {
            return;
        }
        entered_(base);
        for (const auto& [name, type] : entries) {
            if (!Running()) {
                return;
            }
            if (name == "." || name == "..") {
                continue;
            }
            std::string path = base + name;
            bool folder = type == DT_DIR;
            bool file = type == DT_REG;
            if (type == DT_LNK || type == DT_UNKNOWN) {
                struct stat info;
                if (::stat(path.c_str(), &info) != 0) {
                    continue;  // a dangling link
                }
                folder = S_ISDIR(info.st_mode);
                file = S_ISREG(info.st_mode);
            }
            // Pipes, sockets and devices are never songs; a reader opening a
            // pipe would block forever.
            if (folder) {
                Folder(path + "/");
            } else if (file) {
                Test(path, name);
            }
        }
    }

    // The whole listing is read before any entry is handled, so no folder
    // stays open while its subfolders are walked: depth is bounded only by
    // the length of a path, not by the number of open files.
    bool Read(const std::string& base,
              std::vector<std::pair<std::string, unsigned char>>& entries) {
        int fd = ::open(base.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd < 0) {
            return false;  // unreadable folders are skipped
        }
        struct stat info;
        if (::fstat(fd, &info) != 0 || !seen_.emplace(info.st_dev, info.st_ino).second) {
            ::close(fd);
            return false;
        }
        DIR* dir = ::fdopendir(fd);
        if (dir == nullptr) {
            ::close(fd);
            return false;
        }
        size_t count = 0;
        while (dirent* entry = ::readdir(dir)) {
            if ((++count & 1023) == 0 && !Running()) {
                break;
            }
            entries.emplace_back(entry->d_name, entry->d_type);
        }
        ::closedir(dir);
        return Running();
    }

    CThread* thread_;
    std::vector<std::string> extensions_;
    std::function<void(const std::string&)> report_;
    std::function<void(const std::string&)> entered_;
    std::set<std::pair<dev_t, ino_t>> seen_;
};

}  // namespace

CLocalSongSearch::CLocalSongSearch() = default;

CLocalSongSearch::~CLocalSongSearch() {
    Stop();
    Wait();
}

void CLocalSongSearch::Search(const std::string& extensions, const std::string& folder) {
    // The folder is kept as given: on this file system a lowered path may
    // name a file that does not exist.
    extensions_ = LowerAscii(extensions);
    folder_ = folder;
    auto param = std::make_unique<THREAD_PARAM>();
    param->owner = this;
    // The walk works on its own copies, so a later Search cannot change it.
    param->text1 = folder_;
    param->text2 = extensions_;
    threads_.CreateThread(&CLocalSongSearch::SearchThread, std::move(param));
}

void CLocalSongSearch::Stop() {
    threads_.TerminateAll();
}

void CLocalSongSearch::Wait() {
    threads_.Wait();
}

void CLocalSongSearch::MusicFile(const std::string&) {}

uint32_t CLocalSongSearch::SearchThread(THREAD_PARAM* param) {
    auto* search = static_cast<CLocalSongSearch*>(param->owner);
    return SearchMusicFile(param->thread, search, param->text2, param->text1);
}

uint32_t CLocalSongSearch::SearchMusicFile(CThread* thread, CLocalSongSearch* search,
                                           const std::string& extensions, const std::string& path) {
    FolderWalk walk(
        thread, SplitExtensions(LowerAscii(extensions)),
        [search](const std::string& found) { search->MusicFile(found); },
        [search](const std::string& folder) { search->FolderEntered(folder); });
    walk.Start(path);
    search->WalkEnded(thread->IsRunning() == 0);
    return 0;
}
