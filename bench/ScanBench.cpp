#include "bench/ScanBench.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <deque>
#include <filesystem>
#include <iterator>
#include <mutex>
#include <thread>
#include <vector>

#include "bench/Corpus.h"
#include "bench/ReadBench.h"
#include "songcore/search/LocalSongSearch.h"
#include "songcore/views/SongTreeCtrl.h"

namespace fs = std::filesystem;

namespace bench {
namespace {

// The desktop program's arrangement: the tree belongs to one thread, and the
// walk hands each change to it and waits until it has run.
class OwnerThread {
public:
    OwnerThread() : thread_([this] { Loop(); }) {}
    ~OwnerThread() {
        {
            std::lock_guard lock(mutex_);
            stopping_ = true;
        }
        changed_.notify_all();
        thread_.join();
    }
    OwnerThread(const OwnerThread&) = delete;
    OwnerThread& operator=(const OwnerThread&) = delete;

    songcore::ModelDispatcher Dispatcher() {
        return [this](const std::function<void()>& work) { return Run(work); };
    }

private:
    struct Job {
        const std::function<void()>* work;
        bool done = false;
    };

    bool Run(const std::function<void()>& work) {
        if (std::this_thread::get_id() == thread_.get_id()) {
            work();
            return true;
        }
        Job job{&work};
        std::unique_lock lock(mutex_);
        if (stopping_) {
            return false;
        }
        queue_.push_back(&job);
        changed_.notify_all();
        changed_.wait(lock, [&] { return job.done; });
        return true;
    }

    void Loop() {
        std::unique_lock lock(mutex_);
        for (;;) {
            changed_.wait(lock, [&] { return stopping_ || !queue_.empty(); });
            if (queue_.empty()) {
                return;
            }
            Job* job = queue_.front();
            queue_.pop_front();
            lock.unlock();
            (*job->work)();
            lock.lock();
            job->done = true;
            changed_.notify_all();
        }
    }

    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<Job*> queue_;
    bool stopping_ = false;
    std::thread thread_;
};

// Inserts each song as the walk finds it, or, with a batch size, a batch at
// a time through InsertSongFiles.
class TreeSearch : public CLocalSongSearch {
public:
    TreeSearch(CSongTreeCtrl& tree, size_t batch) : tree_(tree), batch_(batch) {}
    ~TreeSearch() override {
        Stop();
        Wait();
    }
    // After Wait: inserts what is left of the last batch.
    void Flush() {
        if (!pending_.empty()) {
            for (int inserted : tree_.InsertSongFiles(pending_)) {
                failures_ += inserted ? 0 : 1;
            }
            pending_.clear();
        }
    }
    size_t failures() const { return failures_; }

protected:
    // Only the one walk calls this, so the members need no lock.
    void MusicFile(const std::string& path) override {
        if (batch_ == 0) {
            failures_ += tree_.InsertSongFile(path) ? 0 : 1;
            return;
        }
        pending_.push_back(path);
        if (pending_.size() >= batch_) {
            Flush();
        }
    }

private:
    CSongTreeCtrl& tree_;
    size_t batch_;
    std::vector<std::string> pending_;
    size_t failures_ = 0;
};

constexpr size_t kBatch = 64;

using Clock = std::chrono::steady_clock;

double Since(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

double ReadAlone(const std::vector<BenchFile>& files) {
    auto start = Clock::now();
    for (const BenchFile& file : files) {
        ReadTunemoss(file);
    }
    return Since(start);
}

// A fresh tree, filled by one walk of the corpus; songs is what it holds.
double Scan(const std::string& corpus, bool dispatched, size_t batch, size_t& songs) {
    std::unique_ptr<OwnerThread> owner;
    CSongTreeCtrl tree;
    if (dispatched) {
        owner = std::make_unique<OwnerThread>();
        tree.SetDispatcher(owner->Dispatcher());
    }
    auto start = Clock::now();
    {
        TreeSearch search(tree, batch);
        search.Search("mp3;ogg;flac;m4a;wma;aac", corpus);
        search.Wait();
        search.Flush();
        if (search.failures() > 0) {
            std::fprintf(stderr, "warning: %zu files were not inserted\n", search.failures());
        }
    }
    double seconds = Since(start);
    // The owner refuses work before the tree goes, as the tree asks of it.
    owner.reset();
    songs = tree.GetCount();
    return seconds;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

}  // namespace

int RunScanBench(const std::string& corpus, int runs) {
    std::vector<BenchFile> files;
    for (const CorpusFormat& format : CorpusFormats()) {
        std::vector<BenchFile> some = ListFiles((fs::path(corpus) / format.key).string());
        files.insert(files.end(), some.begin(), some.end());
    }
    if (files.empty()) {
        std::fprintf(stderr, "no corpus in %s\n", corpus.c_str());
        return 1;
    }
    struct Way {
        const char* name;
        bool dispatched;
        size_t batch;
    };
    const Way ways[] = {
        {"reading the tags alone", false, 0},
        {"scan into the tree, inline, song by song", false, 0},
        {"scan into the tree, owner thread, song by song", true, 0},
        {"scan into the tree, inline, 64 songs at a time", false, kBatch},
        {"scan into the tree, owner thread, 64 songs at a time", true, kBatch},
    };
    const size_t count = std::size(ways);
    size_t songs = 0;
    ReadAlone(files);  // warm-up
    Scan(corpus, false, 0, songs);
    // They take turns, so a burst of load elsewhere hits them alike.
    std::vector<std::vector<double>> times(count);
    for (int run = 0; run < runs; ++run) {
        times[0].push_back(ReadAlone(files));
        for (size_t which = 1; which < count; ++which) {
            times[which].push_back(Scan(corpus, ways[which].dispatched, ways[which].batch, songs));
        }
    }
    double alone = Median(times[0]);
    std::printf("| how | files | seconds | files/s | x reading alone |\n");
    std::printf("|---|---:|---:|---:|---:|\n");
    for (size_t which = 0; which < count; ++which) {
        double seconds = Median(times[which]);
        std::printf("| %s | %zu | %.3f | %.0f | %.2f |\n", ways[which].name, files.size(), seconds,
                    files.size() / seconds, seconds / alone);
    }
    std::printf("\nThe tree held %zu items after each scan.\n", songs);
    return 0;
}

}  // namespace bench
