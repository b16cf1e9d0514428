#include "qarv/FileJobRunner.h"

#include <QEventLoop>
#include <QFileInfo>
#include <QProgressDialog>
#include <QStringList>
#include <QTimer>
#include <atomic>
#include <mutex>
#include <thread>

std::vector<songcore::PatternJobResult> RunFileJob(QWidget* parent, const QString& title,
                                                   size_t total, const FileJob& job) {
    QProgressDialog progress(title, QObject::tr("Cancel"), 0, static_cast<int>(total), parent);
    progress.setWindowTitle(title);
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(300);
    progress.setAutoClose(false);
    progress.setAutoReset(false);

    std::atomic<bool> cancel{false};
    std::mutex lock;
    size_t done = 0;
    std::string current;
    std::vector<songcore::PatternJobResult> results;
    QEventLoop loop;
    songcore::PatternJobCallbacks callbacks;
    callbacks.onFile = [&](const std::string& source, const std::string&) {
        std::lock_guard<std::mutex> guard(lock);
        current = source;
    };
    callbacks.onResult = [&](const songcore::PatternJobResult&) {
        std::lock_guard<std::mutex> guard(lock);
        ++done;
    };
    callbacks.isCancelled = [&] { return cancel.load(); };
    std::thread worker([&] {
        results = job(callbacks);
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    QObject::connect(&progress, &QProgressDialog::canceled, [&] { cancel = true; });
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, [&] {
        if (progress.wasCanceled()) {
            cancel = true;
        }
        std::lock_guard<std::mutex> guard(lock);
        progress.setValue(static_cast<int>(done));
        progress.setLabelText(QObject::tr("%1 of %2: %3")
                                  .arg(std::min(done + 1, total))
                                  .arg(total)
                                  .arg(QFileInfo(QString::fromStdString(current)).fileName()));
    });
    tick.start(50);
    loop.exec();
    worker.join();
    tick.stop();
    progress.close();
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
