#pragma once
// What a large embedded cover costs the tag reader of the song tree: the
// same songs read with and without a 5 MB picture, by time and by bytes
// read from the files.

#include <string>

namespace bench {

// Copies count songs of each tagged format from the sample folder into
// work, each once bare and once with a cover of coverBytes, then prints the
// table (markdown).
int RunCoverBench(const std::string& samples, const std::string& work, int count,
                  size_t coverBytes);

}  // namespace bench
