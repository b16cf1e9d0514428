#include "qarv/SignalNotifier.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// The handler may only write to a descriptor: it tells the GUI thread which
// signal came through this pair.
int gPair[2] = {-1, -1};

void OnSignal(int signal) {
    unsigned char byte = static_cast<unsigned char>(signal);
    ssize_t ignored = ::write(gPair[0], &byte, 1);
    (void)ignored;
}

}  // namespace

SignalNotifier::SignalNotifier(QObject* parent) : QObject(parent) {
    if (gPair[0] >= 0 || ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, gPair) != 0) {
        return;
    }
    ::fcntl(gPair[0], F_SETFL, O_NONBLOCK);
    notifier_ = std::make_unique<QSocketNotifier>(gPair[1], QSocketNotifier::Read);
    connect(notifier_.get(), &QSocketNotifier::activated, this, [this] {
        unsigned char byte = 0;
        if (::read(gPair[1], &byte, 1) == 1) {
            Q_EMIT quitRequested(byte);
        }
    });
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signal : {SIGTERM, SIGINT, SIGHUP}) {
        ::sigaction(signal, &action, nullptr);
    }
}

SignalNotifier::~SignalNotifier() {
    if (!notifier_) {
        return;
    }
    struct sigaction action {};
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    for (int signal : {SIGTERM, SIGINT, SIGHUP}) {
        ::sigaction(signal, &action, nullptr);
    }
    notifier_.reset();
    ::close(gPair[0]);
    ::close(gPair[1]);
    gPair[0] = gPair[1] = -1;
}
