#pragma once
// How a model reaches its owner's thread. A dispatcher runs one piece of work
// on the owner's thread and returns when it has run, as a sent window message
// does; called on the owner's thread itself it runs the work at once. It
// returns false, without running the work, once the owner refuses new work
// (at shutdown, before the owner stops and joins the threads that might be
// waiting in it).

#include <functional>

namespace songcore {

using ModelDispatcher = std::function<bool(const std::function<void()>& work)>;

}  // namespace songcore
