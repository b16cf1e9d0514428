#include "qarv/tagedit/BatchRunner.h"

#include <QEventLoop>
#include <QFileInfo>
#include <QProgressDialog>
#include <QTimer>
#include <mutex>
#include <thread>

#include "qarv/tagedit/TagFailure.h"

songcore::BatchOutcome RunBatchWithProgress(QWidget* parent, const QString& title,
                                            const std::vector<songcore::BatchItem>& items,
                                            const std::string& label) {
    QProgressDialog progress(title, QObject::tr("Cancel"), 0, static_cast<int>(items.size()),
                             parent);
    progress.setWindowTitle(title);
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(300);
    progress.setAutoClose(false);
    progress.setAutoReset(false);

    std::atomic<bool> cancel{false};
    std::mutex lock;
    size_t index = 0;
    std::string current;
    songcore::BatchOutcome outcome;
    QEventLoop loop;
    std::thread worker([&] {
        songcore::EditHistory history;
        outcome = songcore::RunBatchEdit(
            items, label, cancel,
            [&](size_t at, const std::string& path) {
                std::lock_guard<std::mutex> guard(lock);
                index = at;
                current = path;
            },
            &history);
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    QObject::connect(&progress, &QProgressDialog::canceled, [&] { cancel = true; });
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, [&] {
        if (progress.wasCanceled()) {
            cancel = true;
        }
        std::lock_guard<std::mutex> guard(lock);
        progress.setValue(static_cast<int>(index));
        progress.setLabelText(QObject::tr("%1 of %2: %3")
                                  .arg(index + 1)
                                  .arg(items.size())
                                  .arg(QFileInfo(QString::fromStdString(current)).fileName()));
    });
    tick.start(50);
    loop.exec();
    worker.join();
    tick.stop();
    progress.close();

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
    return outcome;
}
