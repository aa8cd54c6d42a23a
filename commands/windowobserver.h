#pragma once

#include "analysis/analysis.h"
#include "data/window.h"

#include <cstdint>
#include <string>

namespace sscm {

/// The run's progress in the window: events processed at every unit of work, the stage's caption
/// in Label11 and the iteration's change in Label14.
class WindowObserver final : public RunObserver {
public:
    explicit WindowObserver(Window& w) : w_(w) {}

    bool proceed() override { return w_.processEvents(); }

    void progress(RunStage stage, std::int64_t counter, double change) override;

private:
    Window& w_;
    std::int64_t species_ = 0;
    std::string connectivity_;
    std::string caption_;
};

} // namespace sscm
