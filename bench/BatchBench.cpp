#include "bench/BatchBench.h"

#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>

#include "songcore/edit/BatchEdit.h"

namespace fs = std::filesystem;

namespace bench {
namespace {

ino_t InodeOf(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? st.st_ino : 0;
}

}  // namespace

int RunBatchEditBench(const std::string& folder, size_t count, const std::string& historyPath) {
    std::vector<std::string> paths;
    std::error_code ec;
    for (fs::recursive_directory_iterator it(folder, ec), end; it != end && !ec; it.increment(ec)) {
        if (it->is_regular_file()) {
            paths.push_back(it->path().string());
        }
    }
    std::sort(paths.begin(), paths.end());
    paths.resize(std::min(paths.size(), count));
    std::vector<songcore::BatchItem> items;
    std::vector<ino_t> inodes;
    for (size_t i = 0; i < paths.size(); ++i) {
        items.push_back({paths[i],
                         {{songcore::SongField::Title, "Batch title " + std::to_string(i)},
                          {songcore::SongField::Album, "Batch album"}}});
        inodes.push_back(InodeOf(paths[i]));
    }
    std::atomic<bool> cancel{false};
    songcore::EditHistory history(historyPath);
    auto start = std::chrono::steady_clock::now();
    songcore::BatchOutcome outcome =
        songcore::RunBatchEdit(items, "bench", cancel, nullptr, nullptr);
    auto written = std::chrono::steady_clock::now();
    std::string error;
    if (!history.Record(outcome.operation, error)) {
        std::fprintf(stderr, "tunemoss_bench: the history: %s\n", error.c_str());
        return 1;
    }
    auto recorded = std::chrono::steady_clock::now();
    if (!outcome.failures.empty()) {
        std::fprintf(stderr, "tunemoss_bench: %s: %s\n", outcome.failures[0].first.c_str(),
                     outcome.failures[0].second.c_str());
        return 1;
    }
    size_t inPlace = 0;
    for (size_t i = 0; i < paths.size(); ++i) {
        inPlace += InodeOf(paths[i]) == inodes[i] ? 1 : 0;
    }
    const double seconds = std::chrono::duration<double>(written - start).count();
    const double historySeconds = std::chrono::duration<double>(recorded - written).count();
    std::printf("| %zu | %.2f | %.0f | %zu | %.3f |\n", paths.size(), seconds,
                seconds > 0 ? paths.size() / seconds : 0.0, inPlace, historySeconds);
    return 0;
}

}  // namespace bench
