#include "songcore/edit/BatchEdit.h"

#include <ctime>

#include "songcore/util/WriteBatch.h"

namespace songcore {

BatchOutcome RunBatchEdit(const std::vector<BatchItem>& items, const std::string& label,
                          const std::atomic<bool>& cancel,
                          const std::function<void(size_t, const std::string&)>& progress,
                          EditHistory* history) {
    BatchOutcome outcome;
    outcome.operation.label = label;
    outcome.operation.time = std::time(nullptr);
    WriteBatch batch;
    for (size_t i = 0; i < items.size(); ++i) {
        if (cancel.load()) {
            outcome.cancelled = true;
            break;
        }
        if (progress) {
            progress(i, items[i].path);
        }
        SongEditResult result = EditSong(items[i].path, items[i].changes);
        ++outcome.done;
        if (!result.ok) {
            outcome.failures.emplace_back(items[i].path, result.error);
            continue;
        }
        if (std::string notKept = NotKeptText(result); !notKept.empty()) {
            outcome.failures.emplace_back(items[i].path, std::move(notKept));
        }
        outcome.operation.Add(items[i].path, std::move(result));
    }
    if (std::string error; !batch.Finish(error)) {
        outcome.failures.emplace_back("", error);
    }
    if (history != nullptr) {
        EditOperation kept = outcome.operation;
        history->Record(std::move(kept), outcome.historyError);
    }
    return outcome;
}

}  // namespace songcore
