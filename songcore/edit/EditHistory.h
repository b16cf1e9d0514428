#pragma once
// The history of tag edits, for undo and redo across restarts: for every
// operation (a dialog's Update, a batch, a command) the old and new values
// of the fields it changed, by file, and each file's stamp as the write left
// it. An undo restores the old values only in files that nobody changed
// since; the others are reported and left alone. Kept in one file under
// $XDG_STATE_HOME/Tunemoss/, bounded to the last 50 operations and 64 MB,
// locked while it is read and changed so qarv and tunemoss can share it.
// A new operation is appended to the file as a record of its own (one flush)
// after a look at the file's tail alone; undo, redo and the bounds rewrite it
// whole.
// The file, its lock and their folder must be the user's own (PrivateFiles.h).

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "songcore/edit/SongEdit.h"
#include "songcore/tags/RestorePlan.h"

namespace songcore {

struct FileEdit {
    std::string path;
    uint32_t tagKind = 0;
    FieldValues before;
    FieldValues after;
    FileStamp stamp;
    // The bytes the next step (undo, then redo) puts back; without them the
    // step writes the values of the fields (a history of an older version,
    // or an edit whose old bytes were too many to keep).
    std::vector<RestorePlan> restore;
    // Pictures or other items no field shows were changed too.
    bool changesItems = false;
};

struct EditOperation {
    std::string label;  // "Edit Tags", "write", ...
    int64_t time = 0;   // seconds since the epoch
    std::vector<FileEdit> files;

    // Keeps what a successful edit of path changed.
    void Add(const std::string& path, SongEditResult&& result, bool changesItems = false) {
        files.push_back({path, result.tagKind, std::move(result.before), std::move(result.after),
                         result.stamp, std::move(result.restore), changesItems});
    }
    // The files, each once (an edit may write a file more than once).
    std::vector<std::string> Paths() const;
    // "Edit Tags of 12 songs", "Edit Tags of Song.mp3", as menus name it.
    std::string Describe() const;
};

struct HistoryOutcome {
    bool ok = false;
    std::string error;  // nothing to undo, a damaged history ...
    std::string label;
    std::vector<std::string> restored;
    std::vector<std::pair<std::string, std::string>> refused;  // path, reason
};

class EditHistory {
public:
    static constexpr size_t kMaxOperations = 50;
    static constexpr size_t kMaxBytes = 64u << 20;

    // The history file; empty when no state folder can be found.
    static std::string DefaultPath();

    explicit EditHistory(std::string path = DefaultPath());

    // Adds an operation (its files that changed something) and forgets what
    // could be redone. An operation with no file is not kept.
    bool Record(EditOperation operation, std::string& error);

    // Newest first.
    bool List(std::vector<EditOperation>& undo, std::vector<EditOperation>& redo,
              std::string& error) const;

    HistoryOutcome Undo();
    HistoryOutcome Redo();
    // Undoes the operation index steps below the top of the undo list (0:
    // the last one, as Undo), alone. A file that a later edit changed again
    // is refused as changed since, as any file changed since is; what was
    // undone can be redone next.
    HistoryOutcome UndoAt(size_t index);

    // Tunemoss renamed or moved a song: its edits follow it. Paths that no
    // edit names are passed over.
    bool FollowRenames(const std::vector<std::pair<std::string, std::string>>& renames,
                       std::string& error);

private:
    struct Stacks {
        std::vector<EditOperation> undo;
        std::vector<EditOperation> redo;
    };
    // damaged tells a history whose bytes make no sense (it can be moved
    // aside) from one that could not be read at all (it is left alone).
    bool Load(Stacks& stacks, std::string& error, bool* damaged = nullptr) const;
    bool Save(Stacks& stacks, std::string& error) const;
    // Adds operation to the end of the file after reading its tail alone;
    // false when the file must be read and rewritten instead (it is of an
    // older version, cut short, or full), and error tells only a failure to
    // write.
    bool AppendAtTail(const EditOperation& operation, std::string& error) const;
    HistoryOutcome Step(bool undo, size_t index);
    // Runs work on the stacks with the history locked; false (and error)
    // when the history cannot be read or work fails.
    bool WithStacks(const std::function<bool(Stacks&)>& work, std::string& error) const;

    std::string path_;
};

}  // namespace songcore
