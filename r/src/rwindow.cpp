#include "rwindow.h"

#include <R.h>
#include <Rinternals.h>

namespace sscm {

namespace {

// Runs inside R_ToplevelExec: an interrupt jumps back to it, not across C++ frames.
void checkInterrupt(void*) {
    R_CheckUserInterrupt();
}

} // namespace

bool InterruptPoll::poll() {
    if (interrupted_)
        return false;
    if (--countdown_ > 0)
        return true;
    countdown_ = kCallsPerClockLook;
    const auto now = std::chrono::steady_clock::now();
    if (now - last_ < period_)
        return true;
    return pollNow();
}

bool InterruptPoll::pollNow() {
    if (interrupted_)
        return false;
    last_ = std::chrono::steady_clock::now();
    if (R_ToplevelExec(checkInterrupt, nullptr) == FALSE)
        interrupted_ = true;
    return !interrupted_;
}

bool RWindow::processEvents() {
    return interrupts_.poll();
}

} // namespace sscm
