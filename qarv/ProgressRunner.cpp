#include "qarv/ProgressRunner.h"

#include <QEventLoop>
#include <QFileInfo>
#include <QProgressDialog>
#include <QTimer>
#include <algorithm>
#include <thread>

void ProgressState::Report(size_t done, const std::string& current) {
    std::lock_guard<std::mutex> guard(lock_);
    done_ = done;
    current_ = current;
}

void ProgressState::SetTotal(size_t total) {
    std::lock_guard<std::mutex> guard(lock_);
    total_ = total;
}

void RunWithProgress(QWidget* parent, const QString& title, size_t total,
                     const std::function<void(ProgressState&)>& work) {
    QProgressDialog progress(title, QObject::tr("Cancel"), 0, static_cast<int>(total), parent);
    progress.setWindowTitle(title);
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(300);
    progress.setAutoClose(false);
    progress.setAutoReset(false);
    // Wide enough for its title and the program's name beside it, which a
    // window manager would otherwise cut.
    progress.setMinimumWidth(
        std::max(360, progress.fontMetrics().horizontalAdvance(title + " — Tunemoss") + 120));

    ProgressState state;
    state.total_ = total;
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
        const size_t known = state.total_;
        if (progress.maximum() != static_cast<int>(known)) {
            progress.setMaximum(static_cast<int>(known));
        }
        progress.setValue(static_cast<int>(state.done_));
        const QString name = QFileInfo(QString::fromStdString(state.current_)).fileName();
        // Until the total is known there is no "of" to count to.
        progress.setLabelText(known == 0
                                  ? (name.isEmpty() ? QObject::tr("Looking for songs ...") : name)
                                  : QObject::tr("%1 of %2: %3")
                                        .arg(std::min(state.done_ + 1, known))
                                        .arg(known)
                                        .arg(name));
    });
    tick.start(50);
    loop.exec();
    worker.join();
    tick.stop();
    progress.close();
}
