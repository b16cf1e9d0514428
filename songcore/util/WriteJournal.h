#pragma once
// The undo journal of in-place writes. Before a region of a song is
// overwritten, its old bytes (and the file's old length) are made durable in
// an entry of their own, keyed by the file's device and inode; the entry is
// dropped once the new bytes are on disk. A write that is cut short (a
// crash, a kill, a full disk) therefore leaves an entry from which the old
// content comes back, so a song holds either its old tag or its new one,
// never a torn one.
//
// Entries live in $XDG_STATE_HOME/Tunemoss/journal/ (~/.local/state/...).
// Each is written under a temporary name, synced and then renamed into
// place, and it ends with a checksum: an entry that is there at all is whole.

#include <sys/types.h>

#include <cstdint>
#include <string>
#include <vector>

namespace songcore {

// A range of the file whose old bytes the journal keeps.
struct JournalRange {
    uint64_t offset = 0;
    uint64_t length = 0;
};

class WriteJournal {
public:
    WriteJournal() = default;
    ~WriteJournal() = default;
    WriteJournal(WriteJournal&& other) noexcept;
    WriteJournal& operator=(WriteJournal&& other) noexcept;
    WriteJournal(const WriteJournal&) = delete;
    WriteJournal& operator=(const WriteJournal&) = delete;

    // Saves the old bytes of ranges (cut at the file's end) and the file's
    // length, read from fd, the open file at path. True once the entry is
    // durable; on failure error says why and nothing is left behind.
    bool Begin(int fd, const std::string& path, std::vector<JournalRange> ranges,
               std::string& error);
    // Puts the old bytes back and the old length, and syncs the file. The
    // entry stays until Drop.
    bool Rollback(int fd, std::string& error) const;
    // Removes the entry: the write it guarded is complete (or rolled back).
    void Drop();

    bool active() const { return !entryPath_.empty(); }

private:
    std::string entryPath_;
};

// The folder of the entries; empty when no home folder is known.
std::string JournalFolder();

// Rolls back the entry left for the file open on fd, if there is one. The
// caller holds the file's exclusive lock. False (with error) only when an
// entry exists and could not be applied; the file is then not to be written.
bool RecoverFile(int fd, std::string& error);

// Rolls back every entry whose file no process is writing now (its lock can
// be taken), as the programs do when they start. Entries whose file is gone,
// or is another file now, are removed. Returns the number of files rolled
// back.
int RecoverInterruptedWrites();

// Test hook: called with the name of each step of an in-place write
// ("journal-saved", "region-written", "file-synced"), so a test can stop the
// process at an exact point. Not for production use.
using WriteStepHook = void (*)(const char* step);
void SetWriteStepHook(WriteStepHook hook);
void WriteStep(const char* step);

}  // namespace songcore
