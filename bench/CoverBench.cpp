#include "bench/CoverBench.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <vector>

#include "bench/ReadBench.h"
#include "songcore/tags/SongPictures.h"

namespace fs = std::filesystem;

namespace bench {
namespace {

struct Sample {
    const char* name;
    const char* file;  // below the sample folder
};

const Sample kSamples[] = {
    {"mp3 (ID3v2)", "id3v2/v23.mp3"}, {"aac (APEv2)", "ape/ape.aac"},
    {"flac", "flac/plain.flac"},      {"ogg vorbis", "ogg/plain.ogg"},
    {"opus", "ogg/tagged.opus"},      {"m4a", "mp4/tagged_faststart.m4a"},
    {"wma", "asf/tagged.wma"},
};

// Bytes this process has read through read(2) and friends so far.
uint64_t BytesRead() {
    std::ifstream io("/proc/self/io");
    std::string key;
    uint64_t value = 0;
    while (io >> key >> value) {
        if (key == "rchar:") {
            return value;
        }
    }
    return 0;
}

struct Measure {
    double microseconds = 0;  // per file, the best of three passes
    double bytes = 0;         // per file
};

Measure ReadAll(const std::vector<std::string>& paths, bool pictures) {
    Measure best{1e30, 0};
    for (int pass = 0; pass < 3; ++pass) {
        uint64_t before = BytesRead();
        auto start = std::chrono::steady_clock::now();
        for (const std::string& path : paths) {
            if (pictures) {
                std::vector<songcore::Picture> found;
                std::string error;
                songcore::ReadSongPictures(path, found, error);
                Consume(found.empty() ? 0 : found.front().data.size());
            } else {
                ReadTunemoss({path, 0});
            }
        }
        std::chrono::duration<double, std::micro> took = std::chrono::steady_clock::now() - start;
        double each = took.count() / double(paths.size());
        if (each < best.microseconds) {
            best = {each, double(BytesRead() - before) / double(paths.size())};
        }
    }
    return best;
}

}  // namespace

int RunCoverBench(const std::string& samples, const std::string& work, int count,
                  size_t coverBytes) {
    // A JPEG's start, then filler: a picture of the size of a large scan.
    songcore::Picture cover;
    cover.mime = "image/jpeg";
    cover.data = {0xFF, 0xD8, 0xFF, 0xE0};
    cover.data.resize(coverBytes, 0x5A);
    std::printf(
        "| format | tags, bare | tags, with cover | bytes read, bare | bytes read, with "
        "cover | the cover itself |\n|---|---:|---:|---:|---:|---:|\n");
    for (const Sample& sample : kSamples) {
        std::vector<std::string> bare, covered;
        fs::path folder = fs::path(work) / fs::path(sample.file).stem();
        std::error_code ec;
        fs::create_directories(folder, ec);
        for (int i = 0; i < count; ++i) {
            std::string extension = fs::path(sample.file).extension().string();
            std::string plain = (folder / ("bare" + std::to_string(i) + extension)).string();
            std::string big = (folder / ("cover" + std::to_string(i) + extension)).string();
            fs::copy_file(fs::path(samples) / sample.file, plain,
                          fs::copy_options::overwrite_existing, ec);
            fs::copy_file(fs::path(samples) / sample.file, big,
                          fs::copy_options::overwrite_existing, ec);
            std::string error;
            if (ec || !songcore::WriteSongPictures(big, {cover}, error)) {
                std::fprintf(stderr, "tunemoss_bench: %s: %s\n", big.c_str(),
                             ec ? ec.message().c_str() : error.c_str());
                return 1;
            }
            bare.push_back(plain);
            covered.push_back(big);
        }
        Measure withoutCover = ReadAll(bare, false);
        Measure withCover = ReadAll(covered, false);
        Measure picture = ReadAll(covered, true);
        std::printf("| %s | %.0f µs | %.0f µs | %.0f | %.0f | %.0f µs |\n", sample.name,
                    withoutCover.microseconds, withCover.microseconds, withoutCover.bytes,
                    withCover.bytes, picture.microseconds);
    }
    return 0;
}

}  // namespace bench
