#include "qarv/tagedit/BatchRunner.h"

#include <QObject>
#include <QStringList>

#include "qarv/ProgressRunner.h"
#include "qarv/tagedit/TagFailure.h"

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
