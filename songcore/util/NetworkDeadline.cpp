#include "songcore/util/NetworkDeadline.h"

#include <atomic>
#include <cstdlib>

namespace songcore {
namespace {

std::atomic<int> gDeadlineMs{kDefaultTransferDeadlineMs};

}  // namespace

int TransferDeadlineMs() {
    return gDeadlineMs.load();
}

void SetTransferDeadlineMs(int milliseconds) {
    gDeadlineMs.store(milliseconds > 0 ? milliseconds : kDefaultTransferDeadlineMs);
}

bool DeadlineEndedTransfer(long long tookMs, long long deadlineMs, long long idleMs) {
    if (idleMs <= 0) {
        return true;  // no idle time-out was set
    }
    return std::llabs(tookMs - deadlineMs) <= std::llabs(tookMs - idleMs);
}

std::string SecondsText(long long milliseconds) {
    long long tenths = (milliseconds + 50) / 100;
    std::string text = std::to_string(tenths / 10);
    if (tenths % 10 != 0) {
        text += "." + std::to_string(tenths % 10);
    }
    return text + " s";
}

}  // namespace songcore
