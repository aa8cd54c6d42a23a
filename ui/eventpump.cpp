#include "ui/eventpump.h"

#include <algorithm>

#include <QCoreApplication>

namespace sscm {

namespace {

// Pump at most every kPumpNs; look at the clock about every kCheckNs, but at least every
// kMaxStride calls, so that a stage whose steps are slow after one whose steps were fast stalls
// the window for at most kMaxStride of its steps.
constexpr std::int64_t kPumpNs = 20'000'000;
constexpr std::int64_t kCheckNs = 1'000'000;
constexpr int kMaxStride = 256;

} // namespace

EventPump::EventPump() {
    clock_.start();
}

void EventPump::step() {
    if (--countdown_ > 0) {
        return;
    }
    const std::int64_t now = clock_.nsecsElapsed();
    const std::int64_t sinceCheck = now - lastCheckNs_;
    if (sinceCheck < kCheckNs) {
        stride_ = std::min(stride_ * 2, kMaxStride);
    } else {
        // Calls got slower: scale the stride down at once to what one check interval holds.
        stride_ = int(std::clamp<std::int64_t>(stride_ * kCheckNs / sinceCheck, 1, kMaxStride));
    }
    countdown_ = stride_;
    lastCheckNs_ = now;
    if (now - lastPumpNs_ >= kPumpNs) {
        QCoreApplication::processEvents();
        lastPumpNs_ = lastCheckNs_ = clock_.nsecsElapsed();
    }
}

void EventPump::kick() {
    countdown_ = 1;
    lastPumpNs_ = clock_.nsecsElapsed() - kPumpNs;
}

void EventPump::newStage() {
    stride_ = 1;
    countdown_ = 1;
}

} // namespace sscm
