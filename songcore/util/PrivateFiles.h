#pragma once
// The folders and files that Tunemoss keeps for itself (the write journal,
// the edit history and its lock) decide what is written into songs, so they
// must be the running user's alone. A folder or file that belongs to another
// user is refused, as ssh refuses keys that others could have changed: with
// `su` or `sudo -E` the state folder of another user is what the variables
// name, and an entry planted there must never be applied as root. Symbolic
// links and special files are refused too, so a name cannot be pointed at a
// file elsewhere or at a FIFO that would hang the program.

#include <sys/stat.h>

#include <string>

namespace songcore {

// Creates folder (and its missing parents, for this user only) and checks
// that it belongs to the running user. Group or world write permission on
// a folder of ours is taken away. False, with error, when the folder cannot
// be made or belongs to someone else.
bool PreparePrivateFolder(const std::string& folder, std::string& error);

// The same check for a folder that must not be created: true when it
// exists and is fit for use; exists tells whether it was there at all.
// When found is given, it receives the folder's status.
bool CheckPrivateFolder(const std::string& folder, bool& exists, std::string& error,
                        struct stat* found = nullptr);

// Opens a file of ours: never through a symbolic link, never a FIFO, a
// device or a folder, and only when it belongs to the running user. flags
// are open(2) flags (O_CREAT makes it with mode 0600). Returns the
// descriptor, or -1 with error (errno is kept for ENOENT).
int OpenPrivateFile(const std::string& path, int flags, std::string& error);

}  // namespace songcore
