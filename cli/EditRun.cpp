#include "cli/EditRun.h"

#include "cli/Command.h"

namespace tunemoss {

bool FinishEditRun(songcore::WriteBatch& batch, songcore::EditOperation operation, bool keep) {
    bool ok = true;
    if (std::string error; !batch.Finish(error)) {
        ReportError(error);
        ok = false;
    }
    if (keep) {
        if (std::string error; !songcore::EditHistory().Record(std::move(operation), error)) {
            ReportError("the edit cannot be undone: " + error);
        }
    }
    return ok;
}

}  // namespace tunemoss
