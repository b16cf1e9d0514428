#pragma once
// SongRowReader: reads the tags of songs for play list rows on a worker
// thread, for the songs that can take long (a web address that has to be
// downloaded first), so the window never waits for them. The results come
// back on the reader's own thread, as signals.

#include <QObject>
#include <QStringList>

#include "qarv/SongWorker.h"

class SongRowReader : public QObject {
    Q_OBJECT
public:
    explicit SongRowReader(QObject* parent = nullptr);
    // Destroying the reader cancels the reads under way (a download is cut
    // off); no signal comes after.

    // Queues the paths; each gets rowRead or readFailed, in order.
    void Read(const QStringList& paths) { worker_.Read(paths); }
    bool IsReading() const { return worker_.IsReading(); }

Q_SIGNALS:
    void rowRead(const QString& path, const QString& artist, const QString& album,
                 const QString& title);
    // "NAME: reason".
    void readFailed(const QString& path, const QString& message);

private:
    SongWorker worker_;
};
