#pragma once
// Turns SIGTERM, SIGINT and SIGHUP (a logout, a kill, Ctrl+C) into a Qt
// signal on the GUI thread, so qarv can save and exit as on a normal close
// instead of dying with unsaved changes. One per process.

#include <QObject>
#include <QSocketNotifier>
#include <memory>

class SignalNotifier : public QObject {
    Q_OBJECT
public:
    explicit SignalNotifier(QObject* parent = nullptr);
    ~SignalNotifier() override;

Q_SIGNALS:
    void quitRequested(int signal);

private:
    std::unique_ptr<QSocketNotifier> notifier_;
};
