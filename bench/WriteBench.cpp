#include "bench/WriteBench.h"

#include <sys/stat.h>

#include <chrono>
#include <cstdio>

#include "bench/SyncClock.h"
#include "songcore/tags/SongFileInfo.h"

namespace bench {
namespace {

bool WriteTitle(const std::string& path, const std::string& title, std::string& error) {
    CSongFileInfo info;
    if (!info.Open(path, 0, 0)) {
        error = "cannot open " + path + ": " + info.GetErrorMessage();
        return false;
    }
    info.GetSongInfo();
    info.SetTitle(title);
    if (!info.WriteSongInfo()) {
        error = "cannot write the tag of " + path + ": " + info.GetErrorMessage();
        return false;
    }
    return true;
}

bool Inode(const std::string& path, ino_t& inode) {
    struct stat st;
    if (::stat(path.c_str(), &st) != 0) {
        return false;
    }
    inode = st.st_ino;
    return true;
}

}  // namespace

int RunWriteTitle(const std::string& writer, const std::string& path, const std::string& title,
                  int times) {
    bool songcore = writer == "songcore";
    if (!songcore && writer != "taglib") {
        std::fprintf(stderr, "tunemoss_bench: the writer is songcore or taglib, not %s\n",
                     writer.c_str());
        return 2;
    }
    for (int n = 0; n < times; ++n) {
        ino_t before = 0, after = 0;
        if (!Inode(path, before)) {
            std::fprintf(stderr, "tunemoss_bench: cannot find %s\n", path.c_str());
            return 1;
        }
        std::string next = times == 1 ? title : title + " " + std::to_string(n);
        std::string error;
        ResetSyncTally();
        auto start = std::chrono::steady_clock::now();
        bool ok = songcore ? WriteTitle(path, next, error) : WritePeerTitle(path, next, error);
        double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        SyncTally syncs = SyncTallySinceReset();
        if (!ok || !Inode(path, after)) {
            std::fprintf(stderr, "tunemoss_bench: %s\n",
                         error.empty() ? ("lost " + path).c_str() : error.c_str());
            return 1;
        }
        std::printf("%.6f %.6f %d %s\n", seconds, static_cast<double>(syncs.nanoseconds) / 1e9,
                    syncs.calls, before == after ? "in-place" : "rewrite");
    }
    return 0;
}

}  // namespace bench
