#pragma once

#include "data/window.h"

#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace sscm {

/// The window of a front end without one (the command line, R): the text boxes and the check box
/// hold what the caller sets, captions are kept, List1 keeps the variable names, List3's lines
/// are counted and passed to listLine() (not kept, so a large listing is never held in memory),
/// and warning boxes are kept in order. Buttons have no state; processEvents() goes on.
class HeadlessWindow : public Window {
public:
    /// Ticks (1) or unticks (0) the check box.
    void setValue(Ctl c, int v) { values_[std::size_t(c)] = v; }
    /// Caption last set on a button or label.
    const std::string& caption(Ctl c) const { return captions_[std::size_t(c)]; }
    /// Texts of the warning boxes shown, in order.
    const std::vector<std::string>& warnings() const { return warnings_; }

    void setCaption(Ctl c, std::string_view text) override;
    void setEnabled(Ctl c, bool enabled) override;
    std::string text(Ctl c) override;
    void setText(Ctl c, std::string_view text) override;
    int value(Ctl c) override;
    void clearList(Ctl c) override;
    void addItem(Ctl c, std::string_view item) override;
    int itemCount(Ctl c) override;
    std::string item(Ctl c, int index) override;
    void warning(std::string_view text, std::string_view title) override;
    bool processEvents() override;

protected:
    /// Each line added to List3, as it comes.
    virtual void listLine(std::string_view line) { (void)line; }

private:
    static constexpr std::size_t kCtls = std::size_t(Ctl::Dir1) + 1;
    std::array<std::string, kCtls> texts_{};
    std::array<std::string, kCtls> captions_{};
    std::array<int, kCtls> values_{};
    std::vector<std::string> list1_;
    int list3Count_ = 0;
    std::vector<std::string> warnings_;
};

} // namespace sscm
