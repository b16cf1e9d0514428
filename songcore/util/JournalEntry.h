#pragma once
// One entry of the undo journal, as it lies in a process's journal file
// (which holds a sequence of them): which file an in-place
// write changed (its path, device and inode), its length before and after,
// and for every range the write touches both the old bytes and the new ones.
// Keeping both sides is what makes recovery safe: the old bytes are only put
// back into a file that still holds, byte for byte, a mix of the two, which
// is all an interrupted write can leave. A file that another program changed
// since holds something else, and is left alone.
//
// Layout (little-endian): "TMJ2" ("TMJd" once dropped), device, inode, old
// length, new length
// (u64 each), the path (u32 length and bytes), the ranges (u32 count, then
// offset and length, u64 each, in order and apart), then for each range its
// old bytes (the part before the old length) followed by its new bytes (the
// part before the new length), and a checksum (u64) over everything before.
// Each entry is followed by "TMJe", which ends the list: a journal file is
// reused from its start, and the bytes past its newest entry are left over
// from older ones.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace songcore {

// A range of the file that an in-place write changes.
struct JournalRange {
    uint64_t offset = 0;
    uint64_t length = 0;
};

// Fills count bytes of the content the write leaves at offset (always below
// the new length).
using NewContentFn = std::function<bool(uint64_t offset, uint8_t* out, size_t count)>;

struct JournalEntry {
    uint64_t at = 0;    // where the entry starts in its journal file
    uint64_t size = 0;  // its length there, checksum included
    bool live = true;   // false once its write ended
    uint64_t device = 0;
    uint64_t inode = 0;
    uint64_t oldLength = 0;
    uint64_t newLength = 0;
    std::string path;
    std::vector<JournalRange> ranges;
};

// The bytes of the mark that follows each entry.
constexpr uint64_t kJournalEndMarkSize = 4;

enum class EntryRead { kOk, kDamaged, kOlderFormat };

// Reads and checks the entry at offset at of the journal file, which is
// fileSize bytes long: its header, that its sizes fit and its checksum.
// kOlderFormat is a whole file of the first format, which kept no new bytes.
EntryRead ReadJournalEntry(int journalFd, uint64_t at, uint64_t fileSize, JournalEntry& entry);

// Writes entry at entry.at of the journal file, with the old bytes read from
// fileFd and the new ones from newContent, and sets entry.size (the end
// mark written after it is not counted). Ranges are cut to the longer of
// the two lengths. Does not sync. errno tells why it
// failed.
bool WriteJournalEntry(int journalFd, JournalEntry& entry, int fileFd,
                       const NewContentFn& newContent);

// Marks the entry dropped, in place. Not synced: a crash that loses the mark
// can only give back the old content of a write that had ended.
bool MarkJournalEntryDropped(int journalFd, const JournalEntry& entry);
// Marks the whole journal file as holding nothing live (its first entry
// becomes an end mark), so that a recovery reads no further than its first
// bytes. Not synced, as above.
bool MarkJournalEmpty(int journalFd);

// Why the file open on fileFd is not one that the write can have left
// (a length between the old and the new one, and in every range, byte for
// byte, either the old or the new content); empty when it is.
std::string JournalEntryMismatch(int entryFd, const JournalEntry& entry, int fileFd);

// Puts the old bytes back, restores the old length and syncs the file.
bool ApplyJournalEntry(int entryFd, const JournalEntry& entry, int fileFd, std::string& error);

}  // namespace songcore
