#pragma once

#include "data/window.h"

#include <array>
#include <chrono>
#include <string>
#include <string_view>
#include <vector>

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

/// The window the Read command works with inside R: text boxes and the check box hold what the
/// caller sets, List1 keeps the variable names, captions and the result list are dropped, and
/// warning boxes are kept so that the caller can turn them into an R error. processEvents()
/// reports a closing window once R has an interrupt pending.
class RWindow final : public Window {
public:
    explicit RWindow(InterruptPoll& interrupts) : interrupts_(interrupts) {}

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

    /// Ticks (1) or unticks (0) the check box.
    void setValue(Ctl c, int v) { values_[std::size_t(c)] = v; }

private:
    static constexpr std::size_t kCtls = std::size_t(Ctl::Dir1) + 1;
    InterruptPoll& interrupts_;
    std::array<std::string, kCtls> texts_{};
    std::array<int, kCtls> values_{};
    std::vector<std::string> list1_;
    int list3Count_ = 0;
    std::vector<std::string> warnings_;
};

} // namespace sscm
