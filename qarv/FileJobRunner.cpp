#include "qarv/FileJobRunner.h"

#include <QStringList>

#include "qarv/ProgressRunner.h"

std::vector<songcore::PatternJobResult> RunFileJob(QWidget* parent, const QString& title,
                                                   size_t total, const FileJob& job) {
    std::vector<songcore::PatternJobResult> results;
    RunWithProgress(parent, title, total, [&](ProgressState& state) {
        size_t done = 0;
        songcore::PatternJobCallbacks callbacks;
        callbacks.onFile = [&](const std::string& source, const std::string&) {
            state.Report(done, source);
        };
        callbacks.onResult = [&](const songcore::PatternJobResult&) { ++done; };
        callbacks.isCancelled = [&] { return state.Cancelled(); };
        results = job(callbacks);
    });
    return results;
}

QStringList FileJobProblems(const std::vector<songcore::PatternJobResult>& results) {
    QStringList problems;
    for (const songcore::PatternJobResult& result : results) {
        if (result.status == songcore::PatternJobStatus::Done ||
            result.status == songcore::PatternJobStatus::Unchanged) {
            continue;
        }
        problems << QStringLiteral("%1: %2").arg(QString::fromStdString(result.source),
                                                 QString::fromStdString(result.message));
    }
    return problems;
}
