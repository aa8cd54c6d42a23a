#include "commands/windowobserver.h"

#include "data/printfmt.h"

#include <cmath>

namespace sscm {

void WindowObserver::progress(RunStage stage, std::int64_t counter, double change) {
    switch (stage) {
    case RunStage::Records:
        w_.setCaption(Ctl::Label11, "Making matrix");
        break;
    case RunStage::Connectivity:
        if (counter != species_) {
            species_ = counter;
            connectivity_ = "connectivity";
            appendNumberText(connectivity_, counter);
        }
        w_.setCaption(Ctl::Label11, connectivity_); // every step, as the search goes on
        break;
    case RunStage::Iteration:
        caption_ = "Eigen vector";
        appendNumberText(caption_, counter);
        w_.setCaption(Ctl::Label11, caption_);
        caption_.clear();
        appendNumberText(caption_, std::floor(change * 1000000) / 1000000);
        w_.setCaption(Ctl::Label14, caption_);
        break;
    }
}

} // namespace sscm
