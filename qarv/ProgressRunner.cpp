#include "qarv/ProgressRunner.h"

#include <QEventLoop>
#include <QFileInfo>
#include <QProgressDialog>
#include <QTimer>
#include <thread>

void ProgressState::Report(size_t done, const std::string& current) {
    std::lock_guard<std::mutex> guard(lock_);
    done_ = done;
    current_ = current;
}

void RunWithProgress(QWidget* parent, const QString& title, size_t total,
                     const std::function<void(ProgressState&)>& work) {
    QProgressDialog progress(title, QObject::tr("Cancel"), 0, static_cast<int>(total), parent);
    progress.setWindowTitle(title);
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(300);
    progress.setAutoClose(false);
    progress.setAutoReset(false);

    ProgressState state;
    QEventLoop loop;
    std::thread worker([&] {
        work(state);
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    QObject::connect(&progress, &QProgressDialog::canceled, [&] { state.cancel_ = true; });
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, [&] {
        if (progress.wasCanceled()) {
            state.cancel_ = true;
        }
        std::lock_guard<std::mutex> guard(state.lock_);
        progress.setValue(static_cast<int>(state.done_));
        progress.setLabelText(
            QObject::tr("%1 of %2: %3")
                .arg(std::min(state.done_ + 1, total))
                .arg(total)
                .arg(QFileInfo(QString::fromStdString(state.current_)).fileName()));
    });
    tick.start(50);
    loop.exec();
    worker.join();
    tick.stop();
    progress.close();
}
