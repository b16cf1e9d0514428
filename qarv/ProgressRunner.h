#pragma once
// Long work over many songs (a batch edit, Copy To, Rename As) runs on a
// worker thread behind a modal progress dialog: items done of the total,
// the current file, Cancel. The window stays responsive; the work polls the
// cancel between two items, so nothing is left half done.

#include <QString>
#include <atomic>
#include <functional>
#include <mutex>
#include <string>

class QWidget;

class ProgressState {
public:
    // From the worker: how far the work is, and on which file.
    void Report(size_t done, const std::string& current);
    // The number of items, once work knows it (a folder walk has ended).
    void SetTotal(size_t total);
    bool Cancelled() const { return cancel_.load(); }
    const std::atomic<bool>& CancelFlag() const { return cancel_; }

private:
    friend void RunWithProgress(QWidget*, const QString&, size_t,
                                const std::function<void(ProgressState&)>&);
    std::atomic<bool> cancel_{false};
    mutable std::mutex lock_;
    size_t done_ = 0;
    size_t total_ = 0;
    std::string current_;
};

// Returns when work has returned. A total of 0 stands for one not known
// beforehand.
void RunWithProgress(QWidget* parent, const QString& title, size_t total,
                     const std::function<void(ProgressState&)>& work);
