// tunemoss_bench: the commands bench/run.sh drives.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/BatchBench.h"
#include "bench/Corpus.h"
#include "bench/CoverBench.h"
#include "bench/ReadBench.h"
#include "bench/ScanBench.h"
#include "bench/WriteBench.h"
#include "songcore/util/AllocatorTuning.h"

namespace {

int Usage() {
    std::fprintf(stderr,
                 "usage: tunemoss_bench corpus FIXTURES DIR N\n"
                 "       tunemoss_bench read CORPUS RUNS\n"
                 "       tunemoss_bench once FOLDER COUNT [songcore|taglib|floor64]\n"
                 "       tunemoss_bench scan CORPUS RUNS\n"
                 "       tunemoss_bench retag FILE TITLE [COMMENT_BYTES]\n"
                 "       tunemoss_bench write-title songcore|taglib FILE TITLE [TIMES]\n"
                 "       tunemoss_bench batch-edit FOLDER COUNT HISTORY\n"
                 "       tunemoss_bench covers SAMPLES WORK COUNT\n");
    return 2;
}

bool ParseCount(const std::string& text, long& out) {
    char* end = nullptr;
    out = std::strtol(text.c_str(), &end, 10);
    return !text.empty() && *end == '\0' && out >= 0;
}

}  // namespace

int main(int argc, char** argv) {
    // As the programs do; the peers' runs get it too.
    songcore::KeepFreedBuffersForReuse();
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty()) {
        return Usage();
    }
    const std::string& command = args[0];
    long count = 0;
    std::string error;
    if (command == "corpus" && args.size() == 4 && ParseCount(args[3], count)) {
        if (!bench::MakeCorpus(args[1], args[2], static_cast<int>(count), error)) {
            std::fprintf(stderr, "tunemoss_bench: %s\n", error.c_str());
            return 1;
        }
        return 0;
    }
    if (command == "read" && args.size() == 3 && ParseCount(args[2], count) && count > 0) {
        return bench::RunReadBench(args[1], static_cast<int>(count));
    }
    if (command == "scan" && args.size() == 3 && ParseCount(args[2], count) && count > 0) {
        return bench::RunScanBench(args[1], static_cast<int>(count));
    }
    if (command == "once" && (args.size() == 3 || args.size() == 4) && ParseCount(args[2], count)) {
        return bench::RunReadOnce(args[1], static_cast<size_t>(count),
                                  args.size() == 4 ? args[3] : "songcore");
    }
    if (command == "retag" && (args.size() == 3 || args.size() == 4)) {
        if (args.size() == 4 && !ParseCount(args[3], count)) {
            return Usage();
        }
        if (!bench::Retag(args[1], args[2], static_cast<size_t>(count), error)) {
            std::fprintf(stderr, "tunemoss_bench: %s\n", error.c_str());
            return 1;
        }
        return 0;
    }
    if (command == "write-title" && (args.size() == 4 || args.size() == 5)) {
        count = 1;
        if (args.size() == 5 && (!ParseCount(args[4], count) || count < 1 || count > 1000)) {
            return Usage();
        }
        return bench::RunWriteTitle(args[1], args[2], args[3], static_cast<int>(count));
    }
    if (command == "covers" && args.size() == 4 && ParseCount(args[3], count) && count > 0) {
        return bench::RunCoverBench(args[1], args[2], static_cast<int>(count), 5u << 20);
    }
    if (command == "batch-edit" && args.size() == 4 && ParseCount(args[2], count)) {
        return bench::RunBatchEditBench(args[1], static_cast<size_t>(count), args[3]);
    }
    return Usage();
}
