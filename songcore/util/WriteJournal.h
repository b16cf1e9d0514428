#pragma once
// The undo journal of in-place writes. Before a song's bytes are overwritten,
// an entry records, durably, what the write will change: the old and the new
// bytes of each range, and the file's old and new lengths. The entry is
// dropped once the new bytes are on disk. A write that is cut short (a
// crash, a kill, a full disk) therefore leaves an entry from which the old
// content comes back, so a song holds either its old tag or its new one,
// never a torn one (JournalRecovery.h says when an entry is applied).
//
// Each process appends its entries to a journal file of its own,
// $XDG_STATE_HOME/Tunemoss/journal/p-XXXXXX, made once (or taken over, empty,
// from a process that ended) and locked for as long as the process lives: an
// entry costs one flush, and other processes leave a live one's entries
// alone. Once nothing in it is live the next entry starts again at its
// beginning, over the dropped ones, so the file is neither cut nor grown
// (cutting it, on ext4, costs a journal commit of the file system's own).
// The folder must be the user's alone.
// Within a WriteBatch, the songs are flushed together at its end, and their
// entries dropped then.

#include <string>
#include <vector>

#include "songcore/util/JournalEntry.h"

namespace songcore {

// The song a write changes, as its writer knows it from its last look
// (the writer checks it is still so before anything is written).
struct JournaledFile {
    int fd = -1;
    std::string path;  // resolved, as the programs will find it later
    uint64_t device = 0;
    uint64_t inode = 0;
    uint64_t length = 0;
};

class WriteJournal {
public:
    WriteJournal() = default;
    ~WriteJournal() = default;
    WriteJournal(const WriteJournal&) = delete;
    WriteJournal& operator=(const WriteJournal&) = delete;

    // Saves what the write of file will change: the old bytes of ranges,
    // read from its descriptor, the new ones from newContent, and the file's
    // present length and newLength. True once the entry is durable; on
    // failure error says why and nothing is left behind.
    bool Begin(const JournaledFile& file, std::vector<JournalRange> ranges, uint64_t newLength,
               const NewContentFn& newContent, std::string& error);
    // Puts the old bytes and length back and syncs the file, when it still
    // holds what this write can have left. The entry stays until Drop.
    bool Rollback(int fd, std::string& error) const;
    // The write ended (complete, or rolled back): the entry goes, or, in a
    // WriteBatch, goes when the batch has flushed its songs.
    void Drop();
    // Whether the song fd must be flushed now: not within a WriteBatch,
    // which flushes its songs together at its end (and then keeps fd's file
    // system in mind).
    static bool MustFlushSong(int fd, uint64_t device);

    bool active() const { return active_; }

private:
    uint64_t at_ = 0;
    bool active_ = false;
};

// The folder of the journal files; empty when no home folder is known.
std::string JournalFolder();

// The name of this process's journal file in the folder, empty before its
// first entry.
std::string OwnJournalName();
// Takes over the journal file of a process that ended (fd open on it and
// locked, nothing live in it, size bytes long) as this process's own, when
// this process has none yet; true when it did (fd is then kept).
bool AdoptJournal(int fd, const std::string& folder, const std::string& name, uint64_t size);

// Test hook: called with the name of each step of an in-place write
// ("journal-saved", "region-written", "file-synced") and of a recovery
// ("recovery-entry-read"), so a test can stop the process, or let another
// one act, at an exact point. Not for production use.
using WriteStepHook = void (*)(const char* step);
void SetWriteStepHook(WriteStepHook hook);
void WriteStep(const char* step);

}  // namespace songcore
