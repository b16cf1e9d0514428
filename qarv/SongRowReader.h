#pragma once
// SongRowReader: reads the tags of songs for play list rows on a worker
// thread, for the songs that can take long (a web address that has to be
// downloaded first), so the window never waits for them. The results come
// back on the reader's own thread, as signals.

#include <QObject>
#include <QStringList>
#include <memory>

class SongRowReader : public QObject {
    Q_OBJECT
public:
    explicit SongRowReader(QObject* parent = nullptr);
    // Cancels the reads under way (a download is cut off) and waits for the
    // worker; no signal comes after.
    ~SongRowReader() override;

    // Queues the paths; each gets rowRead or readFailed, in order.
    void Read(const QStringList& paths);
    bool IsReading() const;

Q_SIGNALS:
    void rowRead(const QString& path, const QString& artist, const QString& album,
                 const QString& title);
    // "NAME: reason".
    void readFailed(const QString& path, const QString& message);

private:
    struct Worker;
    std::unique_ptr<Worker> worker_;
};
