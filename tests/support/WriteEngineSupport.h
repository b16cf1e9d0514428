#pragma once
// Writes through the write engine for its tests: byte patterns, a write of
// a few bytes into a song, and such a write stopped at a given step in a
// child process, as a crash or a kill would stop it.

#include <cstdint>
#include <string>
#include <vector>

class CSongFile;

namespace testsupport {

std::vector<uint8_t> Pattern(size_t size, uint8_t seed);
// The entries of a folder (0 when it does not exist).
size_t FilesIn(const std::string& folder);
// The journal files in the journal folder that hold a live entry (the
// others are journals of processes that have nothing to undo).
size_t JournalsWithEntries();

// Replaces bytes [at, at + with.size()) of the file's content; with cut,
// puts with in place of cut bytes, moving the rest.
int Overwrite(CSongFile& file, uint64_t at, const std::vector<uint8_t>& with, uint64_t cut = 0);

// Writes with at offset at of path in a child process that ends at once
// when the write reaches step ("journal-saved", "region-written",
// "file-synced"); true when it did.
bool WriteStoppedAt(const std::string& path, const char* step, uint64_t at,
                    const std::vector<uint8_t>& with, uint64_t cut = 0);

}  // namespace testsupport
