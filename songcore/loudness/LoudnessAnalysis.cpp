#include "songcore/loudness/LoudnessAnalysis.h"

#include <cmath>
#include <map>
#include <memory>
#include <mutex>
#include <thread>

#include "songcore/tags/SongFileInfo.h"

namespace songcore {
namespace {

// One song's meter: a sink that gives up once a cancel is asked for.
class CancellableMeter : public LoudnessMeter {
public:
    CancellableMeter(PeakKind peak, const std::atomic<bool>* cancel)
        : LoudnessMeter(peak), cancel_(cancel) {}
    bool Add(const float* samples, size_t frames, std::string& why) override {
        if (cancel_ && cancel_->load(std::memory_order_relaxed)) {
            why = "cancelled";
            return false;
        }
        return LoudnessMeter::Add(samples, frames, why);
    }

private:
    const std::atomic<bool>* cancel_;
};

}  // namespace

double GainToReference(double integrated, double reference) {
    return reference - integrated;
}

std::string AlbumKeyFromTags(const std::string& path) {
    CSongFileInfo song;
    if (!song.Open(path, 1, 0) || !song.GetSongInfo() || song.GetAlbum().empty()) {
        return {};
    }
    return song.GetAlbumArtist() + '\x1f' + song.GetAlbum();
}

LoudnessReport AnalyseLoudness(const std::vector<std::string>& paths,
                               const std::vector<std::string>& albumKeys,
                               const LoudnessOptions& options,
                               const std::function<void(size_t, size_t)>& progress,
                               const std::atomic<bool>* cancel) {
    LoudnessReport report;
    const size_t count = paths.size();
    report.songs.resize(count);
    std::vector<std::unique_ptr<CancellableMeter>> meters(count);
    std::atomic<size_t> next{0};
    std::mutex progressLock;
    size_t done = 0;
    auto work = [&] {
        for (size_t i; (i = next.fetch_add(1)) < count;) {
            SongLoudness& song = report.songs[i];
            song.path = paths[i];
            meters[i] = std::make_unique<CancellableMeter>(options.peak, cancel);
            song.error = DecodeAudio(paths[i], *meters[i]);
            if (song.error.empty() && meters[i]->Finish(song.error)) {
                song.loudness = meters[i]->result();
            }
            // Only an album's songs keep their meters, for the album's turn.
            if (i >= albumKeys.size() || albumKeys[i].empty()) {
                meters[i].reset();
            }
            if (progress) {
                std::lock_guard lock(progressLock);
                progress(++done, count);
            }
        }
    };
    unsigned jobs = options.jobs != 0 ? options.jobs : std::thread::hardware_concurrency();
    jobs = static_cast<unsigned>(std::clamp<size_t>(jobs, 1, std::max<size_t>(count, 1)));
    std::vector<std::thread> workers;
    for (unsigned j = 1; j < jobs; ++j) {
        workers.emplace_back(work);
    }
    work();
    for (std::thread& worker : workers) {
        worker.join();
    }

    std::map<std::string, size_t> albumOf;
    for (size_t i = 0; i < albumKeys.size() && i < count; ++i) {
        if (albumKeys[i].empty()) {
            continue;
        }
        auto [at, added] = albumOf.emplace(albumKeys[i], report.albums.size());
        if (added) {
            report.albums.push_back({albumKeys[i], {}, {}, {}});
        }
        report.albums[at->second].songs.push_back(i);
        report.songs[i].album = static_cast<int>(at->second);
    }
    for (AlbumLoudness& album : report.albums) {
        std::vector<const LoudnessMeter*> members;
        for (size_t i : album.songs) {
            if (!report.songs[i].error.empty()) {
                album.error = "not every song of the album could be measured";
                break;
            }
            members.push_back(meters[i].get());
        }
        if (album.error.empty()) {
            LoudnessMeter::AlbumResult(members, album.loudness, album.error);
        }
    }
    return report;
}

}  // namespace songcore
