#pragma once
// The end of a command's run of tag edits, the same for every command that
// writes: the songs written in the batch are flushed together, then the run
// is kept in the edit history as one edit that `tunemoss undo` takes back.

#include "songcore/edit/EditHistory.h"
#include "songcore/util/WriteBatch.h"

namespace tunemoss {

// Flushes the batch and, when keep, records the operation (an operation
// that wrote nothing is not kept). Each failure is reported; false when the
// batch could not be flushed, so that the command exits with a failure.
bool FinishEditRun(songcore::WriteBatch& batch, songcore::EditOperation operation, bool keep);

}  // namespace tunemoss
