#include "qarv/SongRowReader.h"

#include <QMetaObject>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

#include "qarv/PlayListModel.h"
#include "songcore/tags/SongFileInfo.h"

struct SongRowReader::Worker {
    std::mutex lock;
    std::condition_variable wake;
    std::deque<QString> queue;
    bool stop = false;
    bool busy = false;
    // The song being read, so that a cancel can cut its download off.
    CSongFileInfo* current = nullptr;
    std::thread thread;
};

SongRowReader::SongRowReader(QObject* parent)
    : QObject(parent), worker_(std::make_unique<Worker>()) {
    worker_->thread = std::thread([worker = worker_.get(), this] {
        std::unique_lock guard(worker->lock);
        for (;;) {
            worker->wake.wait(guard, [worker] { return worker->stop || !worker->queue.empty(); });
            if (worker->stop) {
                return;
            }
            QString path = worker->queue.front();
            worker->queue.pop_front();
            worker->busy = true;
            CSongFileInfo song;
            worker->current = &song;
            guard.unlock();

            std::string error;
            PlayListModel::SongRow row;
            bool opened = PlayListModel::ReadSongRow(song, path.toStdString(), row, error);

            guard.lock();
            worker->current = nullptr;
            worker->busy = false;
            if (worker->stop) {
                return;  // the reader is going away: nobody to tell
            }
            // Queued while the lock is held, so the destructor (which takes
            // it first) cannot run between the check and the post.
            if (opened) {
                QMetaObject::invokeMethod(
                    this,
                    [this, path, row] {
                        emit rowRead(path, QString::fromStdString(row.artist),
                                     QString::fromStdString(row.album),
                                     QString::fromStdString(row.title));
                    },
                    Qt::QueuedConnection);
            } else {
                QString message = QStringLiteral("%1: %2").arg(path, QString::fromStdString(error));
                QMetaObject::invokeMethod(
                    this, [this, path, message] { emit readFailed(path, message); },
                    Qt::QueuedConnection);
            }
        }
    });
}

SongRowReader::~SongRowReader() {
    {
        std::lock_guard guard(worker_->lock);
        worker_->stop = true;
        if (worker_->current != nullptr) {
            worker_->current->Terminate();
        }
    }
    worker_->wake.notify_all();
    worker_->thread.join();
}

void SongRowReader::Read(const QStringList& paths) {
    {
        std::lock_guard guard(worker_->lock);
        worker_->queue.insert(worker_->queue.end(), paths.begin(), paths.end());
    }
    worker_->wake.notify_all();
}

bool SongRowReader::IsReading() const {
    std::lock_guard guard(worker_->lock);
    return worker_->busy || !worker_->queue.empty();
}
