#include "qarv/tagedit/BatchRunner.h"

#include <QObject>
#include <QStringList>
#include <ctime>
#include <set>

#include "qarv/ProgressRunner.h"
#include "qarv/tagedit/TagFailure.h"
#include "songcore/util/WriteBatch.h"

void ReportBatchOutcome(QWidget* parent, const songcore::BatchOutcome& outcome) {
    if (!outcome.failures.empty()) {
        // A file written without a field its tag has no place for is among
        // the failures too, but it was written.
        std::set<std::string> written;
        for (const songcore::FileEdit& file : outcome.operation.files) {
            written.insert(file.path);
        }
        QStringList lines;
        size_t notWritten = 0;
        for (const auto& [path, reason] : outcome.failures) {
            notWritten += written.count(path) == 0 ? 1 : 0;
            lines << QStringLiteral("%1: %2").arg(QString::fromStdString(path),
                                                  QString::fromStdString(reason));
        }
        QString headline = notWritten == 0
                               ? QObject::tr("Every file was written, but not every field:")
                               : QObject::tr("%1 of %2 files could not be written:")
                                     .arg(notWritten)
                                     .arg(outcome.done);
        if (notWritten > 0 && notWritten < outcome.failures.size()) {
            headline = QObject::tr(
                           "%1 of %2 files could not be written, and some written files "
                           "have no place for a field:")
                           .arg(notWritten)
                           .arg(outcome.done);
        }
        if (notWritten == 0) {
            ReportTagWarning(parent, headline, lines.join('\n'));
        } else {
            ReportTagFailure(parent, headline, lines.join('\n'));
        }
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
