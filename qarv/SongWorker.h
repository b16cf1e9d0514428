#pragma once
// SongWorker: one worker thread that opens songs given by path, one after
// another, for work the window must not wait for (a download, a frame scan).
// Each job runs on the worker with a fresh song record and returns what is
// to happen with its result; that runs later on the receiver's thread,
// unless the worker is being destroyed by then.

#include <QObject>
#include <QStringList>
#include <functional>
#include <memory>

class CSongFileInfo;

class SongWorker {
public:
    using Reply = std::function<void()>;
    using Job = std::function<Reply(CSongFileInfo& song, const QString& path)>;

    SongWorker(QObject* receiver, Job job);
    // Cancels the job under way (a download is cut off) and waits for the
    // thread; no reply runs after.
    ~SongWorker();
    SongWorker(const SongWorker&) = delete;
    SongWorker& operator=(const SongWorker&) = delete;

    // Queues the paths; their jobs run in order.
    void Read(const QStringList& paths);
    bool IsReading() const;

private:
    struct State;
    std::unique_ptr<State> state_;
};
