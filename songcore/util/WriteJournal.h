#pragma once
// The undo journal of in-place writes. Before a song's bytes are overwritten,
// an entry of its own records, durably, what the write will change: the old
// and the new bytes of each range, and the file's old and new lengths. The
// entry is dropped once the new bytes are on disk. A write that is cut short
// (a crash, a kill, a full disk) therefore leaves an entry from which the old
// content comes back, so a song holds either its old tag or its new one,
// never a torn one (JournalRecovery.h says when an entry is applied).
//
// Entries live in $XDG_STATE_HOME/Tunemoss/journal/ (~/.local/state/...), a
// folder that must be the user's alone. Each is written under a temporary
// name, synced and then renamed into place, and it ends with a checksum: an
// entry that is there at all is whole.

#include <string>
#include <vector>

#include "songcore/util/JournalEntry.h"

namespace songcore {

class WriteJournal {
public:
    WriteJournal() = default;
    ~WriteJournal();
    WriteJournal(WriteJournal&& other) noexcept;
    WriteJournal& operator=(WriteJournal&& other) noexcept;
    WriteJournal(const WriteJournal&) = delete;
    WriteJournal& operator=(const WriteJournal&) = delete;

    // Saves what the write of fd (the open file at path) will change: the
    // old bytes of ranges, read from fd, the new ones from newContent, and
    // the file's present length and newLength. True once the entry is
    // durable; on failure error says why and nothing is left behind.
    bool Begin(int fd, const std::string& path, std::vector<JournalRange> ranges,
               uint64_t newLength, const NewContentFn& newContent, std::string& error);
    // Puts the old bytes and length back and syncs the file, when it still
    // holds what this write can have left. The entry stays until Drop.
    bool Rollback(int fd, std::string& error) const;
    // Removes the entry: the write it guarded is complete (or rolled back).
    void Drop();

    bool active() const { return !entryPath_.empty(); }

private:
    std::string entryPath_;
};

// The folder of the entries; empty when no home folder is known.
std::string JournalFolder();

// Whether this process is writing under the entry at entryPath now.
bool IsJournalEntryInUse(const std::string& entryPath);

// Test hook: called with the name of each step of an in-place write
// ("journal-saved", "region-written", "file-synced") and of a recovery
// ("recovery-entry-read"), so a test can stop the process, or let another
// one act, at an exact point. Not for production use.
using WriteStepHook = void (*)(const char* step);
void SetWriteStepHook(WriteStepHook hook);
void WriteStep(const char* step);

}  // namespace songcore
