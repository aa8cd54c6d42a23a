#include "commands/windowprogress.h"

#include "data/printfmt.h"

#include <cmath>

namespace sscm {

void WindowProgress::progress(Stage stage, std::int64_t counter, std::int64_t total,
                              double change) {
    (void)total;
    switch (stage) {
    case Stage::Read:
        caption_.clear();
        appendNumberText(caption_, counter);
        caption_ += " %";
        w_.setCaption(Ctl::Label18, caption_);
        break;
    case Stage::Records:
        w_.setCaption(Ctl::Label11, "Making matrix");
        break;
    case Stage::Connectivity:
        if (counter != species_) {
            species_ = counter;
            connectivity_ = "connectivity";
            appendNumberText(connectivity_, counter);
        }
        w_.setCaption(Ctl::Label11, connectivity_); // every step, as the search goes on
        break;
    case Stage::Iteration:
        caption_ = "Eigen vector";
        appendNumberText(caption_, counter);
        w_.setCaption(Ctl::Label11, caption_);
        caption_.clear();
        appendNumberText(caption_, std::floor(change * 1000000) / 1000000);
        w_.setCaption(Ctl::Label14, caption_);
        break;
    default: // the other stages show no caption
        break;
    }
}

} // namespace sscm
