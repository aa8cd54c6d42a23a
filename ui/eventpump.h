#pragma once

#include <cstdint>

#include <QElapsedTimer>

namespace sscm {

/// Lets the window handle its events from inside a long command, at a cost a command can pay
/// tens of millions of times. Throttled twice over: the clock is looked at only every `stride`
/// calls (adapted so that this happens about once a millisecond), and events are pumped at most
/// every 20 ms.
class EventPump {
public:
    EventPump();

    /// Called by the command at every step; pumps the events when it is time.
    void step();
    /// A command starts: the next step pumps at once, so its working captions show.
    void kick();
    /// A new stage starts, whose steps may cost more than the last one's: look at the clock at
    /// the next step.
    void newStage();

private:
    QElapsedTimer clock_;
    std::int64_t lastCheckNs_ = 0;
    std::int64_t lastPumpNs_ = 0;
    int countdown_ = 1;
    int stride_ = 1;
};

} // namespace sscm
