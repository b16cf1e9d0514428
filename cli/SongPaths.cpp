#include "cli/SongPaths.h"

#include <sys/stat.h>

#include <algorithm>
#include <mutex>

#include "cli/Command.h"
#include "cli/SongExtensions.h"
#include "songcore/search/LocalSongSearch.h"
#include "songcore/util/Paths.h"

namespace tunemoss {
namespace {

class SongCollector : public CLocalSongSearch {
public:
    ~SongCollector() override {
        Stop();
        Wait();
    }
    std::vector<std::string> Take() {
        std::lock_guard lock(mutex_);
        return std::move(paths_);
    }

protected:
    void MusicFile(const std::string& path) override {
        std::lock_guard lock(mutex_);
        paths_.push_back(songcore::NormalLocalPath(path));
    }

private:
    std::mutex mutex_;
    std::vector<std::string> paths_;
};

}  // namespace

std::vector<std::string> CollectSongPaths(const std::vector<std::string>& args, int& status) {
    std::vector<std::string> paths;
    SongCollector collector;
    for (const std::string& path : args) {
        struct stat info;
        if (::stat(path.c_str(), &info) != 0) {
            ReportFileError(path, "not found");
            status = kExitFailure;
            continue;
        }
        if (!S_ISDIR(info.st_mode)) {
            paths.push_back(songcore::NormalLocalPath(path));
            continue;
        }
        collector.Search(kAllSongExtensions, songcore::NormalLocalPath(path));
        collector.Wait();
        std::vector<std::string> found = collector.Take();
        std::sort(found.begin(), found.end());
        paths.insert(paths.end(), found.begin(), found.end());
    }
    return paths;
}

}  // namespace tunemoss
