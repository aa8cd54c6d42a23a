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

void RWindow::setCaption(Ctl, std::string_view) {}

void RWindow::setEnabled(Ctl, bool) {}

std::string RWindow::text(Ctl c) {
    return texts_[std::size_t(c)];
}

void RWindow::setText(Ctl c, std::string_view text) {
    texts_[std::size_t(c)].assign(text);
}

int RWindow::value(Ctl c) {
    return values_[std::size_t(c)];
}

void RWindow::clearList(Ctl c) {
    if (c == Ctl::List1)
        list1_.clear();
    else if (c == Ctl::List3)
        list3Count_ = 0;
}

void RWindow::addItem(Ctl c, std::string_view item) {
    if (c == Ctl::List1)
        list1_.emplace_back(item);
    else if (c == Ctl::List3)
        ++list3Count_;
}

int RWindow::itemCount(Ctl c) {
    if (c == Ctl::List1)
        return int(list1_.size());
    return c == Ctl::List3 ? list3Count_ : 0;
}

std::string RWindow::item(Ctl c, int index) {
    if (c == Ctl::List1 && index >= 0 && std::size_t(index) < list1_.size())
        return list1_[std::size_t(index)];
    return {};
}

void RWindow::warning(std::string_view text, std::string_view) {
    warnings_.emplace_back(text);
}

bool RWindow::processEvents() {
    return interrupts_.poll();
}

} // namespace sscm
