#pragma once
// GuiDispatcher: runs the song tree's changes on the GUI thread. A worker
// thread hands over a piece of work and waits until the GUI thread has run
// it, as a sent window message waits. At shutdown the dispatcher is closed
// first: it refuses new work and releases every worker still waiting, so
// the GUI thread can then stop and join the workers without a deadlock.

#include <QObject>
#include <memory>

#include "songcore/views/ModelDispatcher.h"

class GuiDispatcher {
public:
    // context lives on the GUI thread; work runs through its event queue.
    explicit GuiDispatcher(QObject* context);
    ~GuiDispatcher();
    GuiDispatcher(const GuiDispatcher&) = delete;
    GuiDispatcher& operator=(const GuiDispatcher&) = delete;

    // The function to hand to the tree; it may outlive this object (it then
    // refuses work from other threads).
    songcore::ModelDispatcher Function() const;
    // Refuses new work from other threads and releases the waiting ones.
    void Close();
    bool IsOpen() const;
    // How many workers wait for the GUI thread to start their work.
    size_t WaitingCount() const;

private:
    struct State;
    std::shared_ptr<State> state_;
};
