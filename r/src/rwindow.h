#pragma once

#include "commands/headlesswindow.h"

#include <chrono>

namespace sscm {

/// Looks for a pending interrupt (Ctrl-C, the console's Stop) without letting R jump out of the
/// C++ frames: R handles the interrupt inside a protected call, and the caller stops its work and
/// re-raises it once every C++ frame has returned. R is asked at most every `period`, so the
/// check is cheap enough to call once per record. Call from R's main thread only.
class InterruptPoll {
public:
    explicit InterruptPoll(std::chrono::milliseconds period = std::chrono::milliseconds(50))
        : period_(period) {}

    /// False once an interrupt has been seen (and from then on).
    bool poll();
    /// Asks R now, whatever the time since the last look.
    bool pollNow();
    /// True when an interrupt was seen: the caller must raise it in R.
    bool interrupted() const { return interrupted_; }

private:
    static constexpr int kCallsPerClockLook = 1024;
    std::chrono::milliseconds period_;
    std::chrono::steady_clock::time_point last_ = std::chrono::steady_clock::now();
    int countdown_ = kCallsPerClockLook;
    bool interrupted_ = false;
};

/// The window the Read command works with inside R: the headless window, whose warning boxes
/// the caller turns into an R error. processEvents() reports a closing window once R has an
/// interrupt pending.
class RWindow final : public HeadlessWindow {
public:
    explicit RWindow(InterruptPoll& interrupts) : interrupts_(interrupts) {}

    bool processEvents() override;

private:
    InterruptPoll& interrupts_;
};

} // namespace sscm
