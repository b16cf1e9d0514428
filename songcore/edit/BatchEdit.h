#pragma once
// Writes field changes into many songs, one after another, as one operation
// of the edit history: a batch edit, or tags taken from file names. A file
// that fails is listed with its reason and the others are still written; a
// cancel stops before the next file, so no file is left half done.

#include <atomic>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "songcore/edit/EditHistory.h"

namespace songcore {

struct BatchItem {
    std::string path;
    FieldValues changes;
};

struct BatchOutcome {
    // The files written, with their old values.
    EditOperation operation;
    // path, reason: files not written, and fields a file's tag has no place
    // for (the file's other fields are written).
    std::vector<std::pair<std::string, std::string>> failures;
    size_t done = 0;  // files handled, written or failed
    bool cancelled = false;
    // Why the operation could not be kept for undo; empty when it was.
    std::string historyError;
};

// progress(index, path) is called on the calling thread before each file.
// history, when given, keeps the operation (under label).
BatchOutcome RunBatchEdit(const std::vector<BatchItem>& items, const std::string& label,
                          const std::atomic<bool>& cancel,
                          const std::function<void(size_t, const std::string&)>& progress,
                          EditHistory* history);

}  // namespace songcore
