#include "bench/ReadBench.h"

#include <fcntl.h>
#include <sched.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <utility>

#include "bench/Corpus.h"
#include "songcore/tags/SongFileInfo.h"

namespace fs = std::filesystem;

namespace bench {
namespace {

volatile uint64_t gSink = 0;

constexpr size_t kFloorBlock = 4096;
constexpr size_t kFloor64Block = 64 * 1024;

// One core, so the figures do not depend on where the scheduler puts us.
void PinToOneCore() {
    cpu_set_t set;
    CPU_ZERO(&set);
    if (sched_getaffinity(0, sizeof set, &set) != 0) {
        return;
    }
    for (int cpu = 0; cpu < CPU_SETSIZE; ++cpu) {
        if (CPU_ISSET(cpu, &set)) {
            cpu_set_t one;
            CPU_ZERO(&one);
            CPU_SET(cpu, &one);
            sched_setaffinity(0, sizeof one, &one);
            return;
        }
    }
}

using Reader = bool (*)(const BenchFile&);

struct Pass {
    double seconds = 0;
    size_t failures = 0;
};

Pass TimePass(Reader read, const std::vector<BenchFile>& files) {
    Pass pass;
    auto start = std::chrono::steady_clock::now();
    for (const BenchFile& file : files) {
        if (!read(file)) {
            ++pass.failures;
        }
    }
    pass.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return pass;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

constexpr int kReaders = 4;  // songcore, peer, floor, 64 KB floor

struct Row {
    std::string name;
    size_t files = 0;
    ReadGoal goal = ReadGoal::kNone;
    double seconds[kReaders] = {};
    size_t failures[kReaders] = {};
};

std::string Rate(size_t files, double seconds) {
    if (seconds <= 0) {
        return "-";
    }
    char text[32];
    std::snprintf(text, sizeof text, "%.0f", files / seconds);
    return text;
}

std::string Ratio(double ours, double theirs) {
    if (ours <= 0 || theirs <= 0) {
        return "-";
    }
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", theirs / ours);  // ratio of speeds
    return text;
}

// The goal's words and whether the row meets it ("-" when it cannot tell).
std::pair<std::string, std::string> GoalOf(const Row& row, bool peerRead) {
    auto met = [](bool yes) { return std::string(yes ? "yes" : "**no**"); };
    switch (row.goal) {
        case ReadGoal::kTwiceTagLib:
            return {"2x TagLib", peerRead && row.seconds[0] > 0 && row.seconds[1] > 0
                                     ? met(row.seconds[1] / row.seconds[0] >= 2)
                                     : "-"};
        case ReadGoal::kHalfFloor64:
            return {"0.5x 64 KB floor", row.seconds[0] > 0 && row.seconds[3] > 0
                                            ? met(row.seconds[3] / row.seconds[0] >= 0.5)
                                            : "-"};
        default:
            return {"-", "-"};
    }
}

void PrintRow(const Row& row, bool peer) {
    std::string peerRate = "-";
    std::string peerRatio = "-";
    const bool peerRead = peer && row.failures[1] < row.files;
    if (peer) {
        peerRate = peerRead ? Rate(row.files, row.seconds[1]) : "unsupported";
        if (peerRead) {
            peerRatio = Ratio(row.seconds[0], row.seconds[1]);
        }
    }
    auto [goal, met] = GoalOf(row, peerRead);
    std::printf("| %s | %zu | %s | %s | %s | %s | %s | %s | %s | %s | %s |\n", row.name.c_str(),
                row.files, Rate(row.files, row.seconds[0]).c_str(), peerRate.c_str(),
                Rate(row.files, row.seconds[2]).c_str(), Rate(row.files, row.seconds[3]).c_str(),
                peerRatio.c_str(), Ratio(row.seconds[0], row.seconds[2]).c_str(),
                Ratio(row.seconds[0], row.seconds[3]).c_str(), goal.c_str(), met.c_str());
}

}  // namespace

std::vector<BenchFile> ListFiles(const std::string& folder) {
    std::vector<BenchFile> files;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(folder, ec)) {
        if (entry.is_regular_file(ec)) {
            files.push_back({entry.path().string(), entry.file_size(ec)});
        }
    }
    std::sort(files.begin(), files.end(),
              [](const BenchFile& a, const BenchFile& b) { return a.path < b.path; });
    return files;
}

void Consume(const std::string& text) {
    gSink = gSink + text.size();
}

void Consume(uint64_t value) {
    gSink = gSink + value;
}

bool ReadTunemoss(const BenchFile& file) {
    CSongFileInfo info;
    if (!info.Open(file.path, 1, 0)) {
        return false;
    }
    bool ok = info.GetSongInfo() != 0;
    Consume(info.GetTitle());
    Consume(info.GetArtist());
    Consume(info.GetAlbum());
    Consume(info.GetComment());
    Consume(info.GetYear());
    Consume(info.GetTrackNum() + info.GetGenre());
    return ok;
}

bool ReadFloor(const BenchFile& file) {
    int fd = ::open(file.path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    uint8_t block[kFloorBlock];
    ssize_t head = ::pread(fd, block, kFloorBlock, 0);
    uint64_t tailAt = file.size > kFloorBlock ? file.size - kFloorBlock : 0;
    ssize_t tail = ::pread(fd, block, kFloorBlock, static_cast<off_t>(tailAt));
    ::close(fd);
    Consume(block[0]);
    return head > 0 && tail > 0;
}

bool ReadFloor64(const BenchFile& file) {
    int fd = ::open(file.path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    static uint8_t block[kFloor64Block];
    ssize_t read = ::pread(fd, block, kFloor64Block, 0);
    ::close(fd);
    Consume(block[0]);
    return read > 0;
}

int RunReadBench(const std::string& corpus, int runs) {
    PinToOneCore();
    const Reader readers[kReaders] = {ReadTunemoss, PeerAvailable() ? ReadPeer : nullptr, ReadFloor,
                                      ReadFloor64};
    std::vector<Row> rows;
    Row total{"all formats"};
    for (const CorpusFormat& format : CorpusFormats()) {
        std::vector<BenchFile> files = ListFiles((fs::path(corpus) / format.key).string());
        if (files.empty()) {
            continue;
        }
        Row row{format.key, files.size(), format.goal};
        for (int which = 0; which < kReaders; ++which) {
            if (readers[which]) {
                row.failures[which] = TimePass(readers[which], files).failures;  // warm-up
            }
        }
        // The readers take turns, so a burst of load elsewhere on the
        // machine hits them alike.
        std::vector<double> times[kReaders];
        for (int run = 0; run < runs; ++run) {
            for (int which = 0; which < kReaders; ++which) {
                if (readers[which]) {
                    times[which].push_back(TimePass(readers[which], files).seconds);
                }
            }
        }
        for (int which = 0; which < kReaders; ++which) {
            if (readers[which]) {
                row.seconds[which] = Median(times[which]);
            }
        }
        if (row.failures[0] > 0) {
            std::fprintf(stderr, "warning: songcore read no tag from %zu %s files\n",
                         row.failures[0], format.key);
        }
        total.files += row.files;
        for (int which = 0; which < kReaders; ++which) {
            total.seconds[which] += row.seconds[which];
            total.failures[which] += row.failures[which];
        }
        rows.push_back(row);
    }
    if (rows.empty()) {
        std::fprintf(stderr, "no corpus in %s\n", corpus.c_str());
        return 1;
    }
    // The peer's overall figure only counts when it read every format.
    bool peerEverywhere = std::all_of(rows.begin(), rows.end(),
                                      [](const Row& row) { return row.failures[1] < row.files; });
    if (!peerEverywhere) {
        total.seconds[1] = 0;
    }
    std::printf(
        "| format | files | songcore files/s | TagLib files/s | floor files/s | "
        "64 KB floor files/s | songcore/TagLib | songcore/floor | songcore/64 KB floor | goal | "
        "goal met |\n");
    std::printf("|---|---:|---:|---:|---:|---:|---:|---:|---:|---|---|\n");
    for (const Row& row : rows) {
        PrintRow(row, PeerAvailable());
    }
    PrintRow(total, PeerAvailable() && peerEverywhere);
    return 0;
}

int RunReadOnce(const std::string& folder, size_t count, const std::string& reader) {
    std::vector<BenchFile> files = ListFiles(folder);
    files.resize(std::min(files.size(), count));
    Reader read = reader == "taglib"    ? (PeerAvailable() ? ReadPeer : nullptr)
                  : reader == "floor64" ? ReadFloor64
                                        : ReadTunemoss;
    if (!read) {
        return 1;
    }
    size_t failures = TimePass(read, files).failures;
    return failures == 0 ? 0 : 1;
}

}  // namespace bench
