#pragma once
// One qarv per user: the first instance listens on a local socket; a later
// start hands its file arguments to it (which shows its window and opens
// them) and ends.

#include <QLocalServer>
#include <QObject>
#include <QStringList>
#include <functional>

class SingleInstance : public QObject {
    Q_OBJECT
public:
    // name: the socket's name; by default one per user.
    explicit SingleInstance(QString name = DefaultName(), QObject* parent = nullptr);

    // Hands paths (made absolute) to a running instance; false when there
    // is none.
    bool HandOver(const QStringList& paths);
    // Becomes the running instance: opened is called with what later starts
    // hand over. False when the socket cannot be set up.
    bool Listen(std::function<void(const QStringList&)> opened);

    static QString DefaultName();

private:
    QString name_;
    QLocalServer server_;
    std::function<void(const QStringList&)> opened_;
};
