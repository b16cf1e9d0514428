#pragma once
// Undoing the writes that a crash, a kill or a full disk cut short, from the
// entries they left in the write journal (WriteJournal.h).
//
// An entry is applied only to the file the write left, as the write can have
// left it: the file at the entry's path, with its inode (the device number
// may have changed: a disk that comes back under another name), locked, and
// holding in every range the entry covers either the old or the new bytes,
// with a length between the old and the new one. Anything else means that
// another program changed or replaced the file since; putting the old bytes
// back would damage it, so the entry is set aside instead (copied to
// journal/set-aside/, kept for the user and reported once) and the file is
// left as it is. Only the journals of processes that ended are read (a live
// process holds its journal's lock), and a song that another writer holds
// locked is left until it is free. Journals and their folder must belong to
// the running user; others are never read.

#include <cstdint>
#include <string>
#include <vector>

namespace songcore {

// Something the user should hear about: an entry set aside, or a journal
// that could not be used.
struct JournalNotice {
    std::string path;  // the song, or the journal folder
    std::string message;
};

struct RecoveryReport {
    int undone = 0;  // files given their old content back
    std::vector<JournalNotice> notices;
};

// Applies (or sets aside) every entry whose file no process is writing now,
// as the programs do when they start.
RecoveryReport RecoverInterruptedWrites();

// Applies (or sets aside) the entries left for the file open on fd at path,
// with its device and inode; the caller holds the file's exclusive lock.
// False (with error) only when an
// entry could not be applied; the file is then not to be written. The
// journal folder is listed only when it changed since a look that found
// nothing to settle there.
bool RecoverFile(int fd, const std::string& path, uint64_t device, uint64_t inode,
                 std::string& error);

// The notices of entries set aside by RecoverFile since the last call.
std::vector<JournalNotice> TakeJournalNotices();

}  // namespace songcore
