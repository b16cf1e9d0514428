#pragma once
// Runs a batch of tag edits off the GUI thread behind a progress dialog
// (files done of the total, the current file, Cancel), so the window stays
// responsive, and tells at the end which files failed and why. A cancel
// stops after the file being written.

#include <QString>
#include <functional>
#include <string>
#include <vector>

#include "songcore/edit/BatchEdit.h"

class QWidget;

// Tells which files of a batch failed and why, and that the edit cannot be
// undone when it could not be kept; nothing when all went well.
void ReportBatchOutcome(QWidget* parent, const songcore::BatchOutcome& outcome);

songcore::BatchOutcome RunBatchWithProgress(QWidget* parent, const QString& title,
                                            const std::vector<songcore::BatchItem>& items,
                                            const std::string& label);

// Writes the songs one after another through write(index, operation),
// which adds what it wrote to the operation and returns what failed (empty
// when nothing did), behind the progress dialog; then keeps the operation
// in the edit history (label) as one edit and reports the failures.
songcore::BatchOutcome RunSongWritesWithProgress(
    QWidget* parent, const QString& title, const std::string& label,
    const std::vector<std::string>& paths,
    const std::function<std::string(size_t, songcore::EditOperation&)>& write);
