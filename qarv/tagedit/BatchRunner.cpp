#include "qarv/tagedit/BatchRunner.h"

#include <QObject>
#include <QStringList>
#include <ctime>

#include "qarv/ProgressRunner.h"
#include "qarv/tagedit/TagFailure.h"
#include "songcore/util/WriteBatch.h"

void ReportBatchOutcome(QWidget* parent, const songcore::BatchOutcome& outcome) {
    if (!outcome.failures.empty()) {
        QStringList lines;
        for (const auto& [path, reason] : outcome.failures) {
            lines << QStringLiteral("%1: %2").arg(QString::fromStdString(path),
                                                  QString::fromStdString(reason));
        }
        ReportTagFailure(parent,
                         QObject::tr("%1 of %2 files could not be written:")
                             .arg(outcome.failures.size())
                             .arg(outcome.done),
                         lines.join('\n'));
    }
    if (!outcome.historyError.empty()) {
        ReportTagFailure(parent, QObject::tr("The edit cannot be undone"),
                         QString::fromStdString(outcome.historyError));
    }
}

songcore::BatchOutcome RunBatchWithProgress(QWidget* parent, const QString& title,
                                            const std::vector<songcore::BatchItem>& items,
                                            const std::string& label) {
    songcore::BatchOutcome outcome;
    RunWithProgress(parent, title, items.size(), [&](ProgressState& state) {
        songcore::EditHistory history;
        outcome = songcore::RunBatchEdit(
            items, label, state.CancelFlag(),
            [&](size_t at, const std::string& path) { state.Report(at, path); }, &history);
    });

    ReportBatchOutcome(parent, outcome);
    return outcome;
}

songcore::BatchOutcome RunSongWritesWithProgress(
    QWidget* parent, const QString& title, const std::string& label,
    const std::vector<std::string>& paths,
    const std::function<std::string(size_t, songcore::EditOperation&)>& write) {
    songcore::BatchOutcome outcome;
    outcome.operation = {label, std::time(nullptr), {}};
    RunWithProgress(parent, title, paths.size(), [&](ProgressState& state) {
        songcore::WriteBatch batch;
        for (size_t i = 0; i < paths.size(); ++i) {
            if (state.Cancelled()) {
                outcome.cancelled = true;
                break;
            }
            state.Report(outcome.done, paths[i]);
            ++outcome.done;
            std::string failure = write(i, outcome.operation);
            if (!failure.empty()) {
                outcome.failures.emplace_back(paths[i], std::move(failure));
            }
        }
        std::string error;
        if (!batch.Finish(error)) {
            outcome.failures.emplace_back(std::string(), error);
        }
    });
    if (!outcome.operation.files.empty()) {
        songcore::EditHistory().Record(outcome.operation, outcome.historyError);
    }
    ReportBatchOutcome(parent, outcome);
    return outcome;
}
