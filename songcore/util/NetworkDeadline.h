#pragma once
// How long one network transfer (a block of a song read over the internet,
// a page of a web search) may take in all. The idle time-outs give up on a
// server that stops sending; this gives up on one that keeps a transfer
// alive by trickling a few bytes at a time. One setting for the process:
// the programs set it from their options, the tests make it short.

#include <string>

namespace songcore {

constexpr int kDefaultTransferDeadlineMs = 120 * 1000;

int TransferDeadlineMs();
// A value of 0 or below brings back the default.
void SetTransferDeadlineMs(int milliseconds);

// Whether a transfer that timed out after tookMs was stopped by the
// deadline rather than by the idle time-out: the clocks of the transfer
// library and ours differ a little, so the nearer of the two is taken.
bool DeadlineEndedTransfer(long long tookMs, long long deadlineMs, long long idleMs);

// "120 s", "0.6 s": a time for messages, to a tenth of a second.
std::string SecondsText(long long milliseconds);

}  // namespace songcore
