#pragma once

#include "data/window.h"

#include <array>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace sscm {

/// The window of the batch front end: the text boxes and the check box hold the command line's
/// settings, List1 keeps the variable names, and List3's lines go straight to the result file
/// and to standard output as the run adds them, so a large listing is never held in memory.
/// Warnings go to standard error; progress captions too, when standard error is a terminal.
class CliWindow final : public Window {
public:
    explicit CliWindow(bool showProgress);

    /// Where List3's lines go: each line and CR LF to `results` (may be null), each line and a
    /// newline to standard output when `echo`.
    void setListSink(std::FILE* results, bool echo);
    /// The text of the last warning box shown.
    const std::string& lastWarning() const { return lastWarning_; }
    /// Ends the progress line on the terminal, if one is shown.
    void endProgress();
    /// Ticks (1) or unticks (0) the check box.
    void setValue(Ctl c, int v) { values_[std::size_t(c)] = v; }
    /// Makes processEvents() report a closing window from now on: called from the handler of
    /// SIGINT and SIGTERM with the signal's number.
    static void requestStop(int signo) { stopRequested_ = signo; }
    /// The signal that asked to stop, or 0.
    static int stopSignal() { return stopRequested_; }
    /// Installs the stop handler for SIGINT and SIGTERM, without restarting interrupted calls,
    /// so that a wait (opening a pipe nobody writes to, a blocked write) ends at once; and
    /// ignores SIGPIPE, so a closed standard output is a write error the run notices.
    static void installSignalHandlers();

    /// The system's reason (errno) of the first failed write to the result file or to standard
    /// output, or 0. A failed write stops the run as a closing window does.
    int resultWriteError() const { return resultErr_; }
    int stdoutWriteError() const { return stdoutErr_; }
    /// Notes a failed write to standard output made outside the list (flushes at the end).
    void noteStdoutError(int err) {
        if (stdoutErr_ == 0)
            stdoutErr_ = err;
    }
    /// Whether Ctrl-C (or a termination request) has come.
    static bool stopRequested() { return stopRequested_ != 0; }

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

private:
    static constexpr std::size_t kCtls = std::size_t(Ctl::Dir1) + 1;
    static volatile std::sig_atomic_t stopRequested_;

    void showProgress();

    bool progress_;
    std::array<std::string, kCtls> texts_{};
    std::array<std::string, kCtls> captions_{};
    std::array<int, kCtls> values_{};
    std::vector<std::string> list1_;
    int list3Count_ = 0;
    std::FILE* results_ = nullptr;
    bool echo_ = false;
    std::string lastWarning_;
    int resultErr_ = 0;
    int stdoutErr_ = 0;
    // Event processing is called per record: the clock is looked at every few thousand calls.
    int countdown_ = 1;
    std::chrono::steady_clock::time_point lastShown_{};
    std::size_t shownWidth_ = 0;
};

} // namespace sscm
