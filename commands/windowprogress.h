#pragma once

#include "data/progress.h"
#include "data/window.h"

#include <cstdint>
#include <string>

namespace sscm {

/// Progress shown in the window: events processed at every unit of work, the Read's per cent in
/// Label18, the run's stage in Label11 and the iteration's change in Label14.
class WindowProgress final : public Progress {
public:
    explicit WindowProgress(Window& w) : w_(w) {}

    bool proceed() override { return w_.processEvents(); }

    void progress(Stage stage, std::int64_t counter, std::int64_t total, double change) override;

private:
    Window& w_;
    std::int64_t species_ = 0;
    std::string connectivity_;
    std::string caption_;
};

} // namespace sscm
