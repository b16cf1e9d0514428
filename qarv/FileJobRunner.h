#pragma once
// Runs a Rename As or Copy To job on a worker thread behind a progress
// dialog (files done of the total, the current file, Cancel), so a branch of
// thousands of songs leaves the window responsive. Cancel stops after the
// current file; a copy cut short leaves nothing behind.

#include <QString>
#include <functional>
#include <vector>

#include "songcore/rename/PatternJobs.h"

class QWidget;

using FileJob = std::function<std::vector<songcore::PatternJobResult>(
    const songcore::PatternJobCallbacks& callbacks)>;

std::vector<songcore::PatternJobResult> RunFileJob(QWidget* parent, const QString& title,
                                                   size_t total, const FileJob& job);

// "path: reason" of every result that was not done (skipped, failed,
// cancelled), for one message at the end.
QStringList FileJobProblems(const std::vector<songcore::PatternJobResult>& results);
