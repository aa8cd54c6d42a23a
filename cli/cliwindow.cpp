#include "cli/cliwindow.h"

#include "cli/safefiles.h"

#include <cerrno>

namespace sscm::cli {

volatile std::sig_atomic_t CliWindow::stopRequested_ = 0;

namespace {

constexpr int kEventsPerClockLook = 4096;
constexpr auto kProgressEvery = std::chrono::milliseconds(100);

extern "C" void onStopSignal(int signo) {
    CliWindow::requestStop(signo);
}

} // namespace

void CliWindow::installSignalHandlers() {
#if defined(_WIN32)
    // Ctrl+C and Ctrl+Break reach the C library's SIGINT handler; no pipe raises a signal there.
    std::signal(SIGINT, onStopSignal);
    std::signal(SIGTERM, onStopSignal);
#else
    struct sigaction sa {};
    sa.sa_handler = onStopSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = 0; // no SA_RESTART: a blocking open, read or write returns EINTR
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);
    std::signal(SIGPIPE, SIG_IGN);
#endif
}

CliWindow::CliWindow(bool showProgress) : progress_(showProgress) {}

void CliWindow::setListSink(std::FILE* results, bool echo) {
    results_ = results;
    echo_ = echo;
}

const std::string& CliWindow::lastWarning() const {
    static const std::string none;
    return warnings().empty() ? none : warnings().back();
}

void CliWindow::listLine(std::string_view item) {
    if (results_ != nullptr && resultErr_ == 0) {
        std::fwrite(item.data(), 1, item.size(), results_);
        std::fwrite("\r\n", 1, 2, results_);
        if (std::ferror(results_))
            resultErr_ = errno != 0 ? errno : EIO;
    }
    if (echo_ && stdoutErr_ == 0) {
        endProgress();
        std::fwrite(item.data(), 1, item.size(), stdout);
        std::fputc('\n', stdout);
        if (std::ferror(stdout))
            stdoutErr_ = errno != 0 ? errno : EIO;
    }
}

void CliWindow::warning(std::string_view text, std::string_view title) {
    endProgress();
    HeadlessWindow::warning(text, title);
    std::fprintf(stderr, "sscm-cli: %s\n", cli::shown(text, true).c_str());
}

bool CliWindow::processEvents() {
    if (--countdown_ <= 0) {
        countdown_ = kEventsPerClockLook;
        if (progress_) {
            const auto now = std::chrono::steady_clock::now();
            if (now - lastShown_ >= kProgressEvery) {
                lastShown_ = now;
                showProgress();
            }
        }
    }
    return stopRequested_ == 0 && resultErr_ == 0 && stdoutErr_ == 0;
}

void CliWindow::showProgress() {
    // The run's status once it has one, before that the progress of Read.
    const std::string& run = caption(Ctl::Label11);
    std::string line = "\r";
    line += run.empty() ? caption(Ctl::Label18) : run;
    const std::size_t width = line.size() - 1;
    if (width < shownWidth_)
        line.append(shownWidth_ - width, ' ');
    shownWidth_ = width;
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fflush(stderr);
}

void CliWindow::endProgress() {
    if (shownWidth_ > 0) {
        std::fputc('\n', stderr);
        shownWidth_ = 0;
    }
}

} // namespace sscm::cli
