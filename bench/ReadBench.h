#pragma once
// Tag reading speed: songcore's GetSongInfo, the peer library and the bare
// floors (open, read the head and the tail, close; open, read 64 KB, close)
// over the same files.

#include <cstdint>
#include <string>
#include <vector>

namespace bench {

struct BenchFile {
    std::string path;
    uint64_t size = 0;
};

// The files of one folder, sorted by name.
std::vector<BenchFile> ListFiles(const std::string& folder);

// Each reader returns false when it found no tag or could not read the file.
bool ReadTunemoss(const BenchFile& file);
bool ReadFloor(const BenchFile& file);
bool ReadFloor64(const BenchFile& file);
// TagLib through FileRef; PeerAvailable() is false when it was not built in.
bool PeerAvailable();
bool ReadPeer(const BenchFile& file);

// Keeps the fields the readers fetch from being optimised away.
void Consume(const std::string& text);
void Consume(uint64_t value);

// Prints the reading table (markdown) for every format folder of the corpus.
int RunReadBench(const std::string& corpus, int runs);
// Reads the first count files of folder once with reader (songcore,
// taglib or floor64), for counting system calls and instructions.
int RunReadOnce(const std::string& folder, size_t count, const std::string& reader = "songcore");

}  // namespace bench
