#pragma once

#include "commands/headlesswindow.h"

#include <chrono>
#include <csignal>
#include <cstdio>
#include <string>
#include <string_view>

namespace sscm::cli {

/// The window of the batch front end: the headless window, with List3's lines going straight to
/// the result file and to standard output as the run adds them. Warnings go to standard error;
/// progress captions too, when standard error is a terminal.
class CliWindow final : public HeadlessWindow {
public:
    explicit CliWindow(bool showProgress);

    /// Where List3's lines go: each line and CR LF to `results` (may be null), each line and a
    /// newline to standard output when `echo`.
    void setListSink(std::FILE* results, bool echo);
    /// The text of the last warning box shown.
    const std::string& lastWarning() const;
    /// Ends the progress line on the terminal, if one is shown.
    void endProgress();
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

    void warning(std::string_view text, std::string_view title) override;
    bool processEvents() override;

private:
    static volatile std::sig_atomic_t stopRequested_;

    void listLine(std::string_view line) override;
    void showProgress();

    bool progress_;
    std::FILE* results_ = nullptr;
    bool echo_ = false;
    int resultErr_ = 0;
    int stdoutErr_ = 0;
    // Event processing is called per record: the clock is looked at every few thousand calls.
    int countdown_ = 1;
    std::chrono::steady_clock::time_point lastShown_{};
    std::size_t shownWidth_ = 0;
};

} // namespace sscm::cli
