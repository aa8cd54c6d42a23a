#include "commands/headlesswindow.h"

namespace sscm {

void HeadlessWindow::setCaption(Ctl c, std::string_view text) {
    captions_[std::size_t(c)].assign(text);
}

void HeadlessWindow::setEnabled(Ctl, bool) {}

std::string HeadlessWindow::text(Ctl c) {
    return texts_[std::size_t(c)];
}

void HeadlessWindow::setText(Ctl c, std::string_view text) {
    texts_[std::size_t(c)].assign(text);
}

int HeadlessWindow::value(Ctl c) {
    return values_[std::size_t(c)];
}

void HeadlessWindow::clearList(Ctl c) {
    if (c == Ctl::List1)
        list1_.clear();
    else if (c == Ctl::List3)
        list3Count_ = 0;
}

void HeadlessWindow::addItem(Ctl c, std::string_view item) {
    if (c == Ctl::List1) {
        list1_.emplace_back(item);
    } else if (c == Ctl::List3) {
        ++list3Count_;
        listLine(item);
    }
}

int HeadlessWindow::itemCount(Ctl c) {
    if (c == Ctl::List1)
        return int(list1_.size());
    return c == Ctl::List3 ? list3Count_ : 0;
}

std::string HeadlessWindow::item(Ctl c, int index) {
    // List3's lines are passed on as they come, not kept.
    if (c == Ctl::List1 && index >= 0 && std::size_t(index) < list1_.size())
        return list1_[std::size_t(index)];
    return {};
}

void HeadlessWindow::warning(std::string_view text, std::string_view) {
    warnings_.emplace_back(text);
}

bool HeadlessWindow::processEvents() {
    return true;
}

} // namespace sscm
