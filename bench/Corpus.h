#pragma once
// The benchmark corpus: copies of small real song files, one folder per
// format, each copy retagged with its own fields by songcore's writers.

#include <string>
#include <vector>

namespace bench {

// What the reading of a format is measured against, when it has a goal:
// twice TagLib's speed where TagLib reads the format, else half the speed
// of the 64 KB floor (open, one 64 KB read, close).
enum class ReadGoal { kNone, kTwiceTagLib, kHalfFloor64 };

struct CorpusFormat {
    const char* key;      // folder name and table row
    const char* fixture;  // under tests/data
    const char* ext;
    bool addId3v1;  // an ID3v1 tag after the ID3v2 tag
    ReadGoal goal = ReadGoal::kNone;
};

const std::vector<CorpusFormat>& CorpusFormats();

// Fills dir/<key>/ with perFormat files of every format; false with a
// message on the first failure.
bool MakeCorpus(const std::string& fixtures, const std::string& dir, int perFormat,
                std::string& error);

// Opens path, sets the title (and a comment of commentBytes when not zero)
// and writes the tag the file already carries.
bool Retag(const std::string& path, const std::string& title, size_t commentBytes,
           std::string& error);

}  // namespace bench
