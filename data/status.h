#pragma once

#include <string>
#include <utility>

namespace sscm {

/// Outcome of a command or stage. Expected failures (a file that cannot be read, a text that is
/// not a number, a name not found) are results carrying a message for the user, not exceptions.
struct Status {
    enum class Code {
        Ok,           ///< finished normally
        Failed,       ///< stopped on bad input or a file error; `message` says why
        Cancelled,    ///< stopped because the window is closing
        SplitNetwork, ///< the species are not all linked through shared cases
    };
    Code code = Code::Ok;
    std::string message;
    /// Set on a failure to write a file (a full disk, a file-size limit): what the run wrote is
    /// incomplete, where other failures leave it as far as it went.
    bool writeError = false;

    static Status ok() { return {}; }
    static Status failed(std::string msg) { return {Code::Failed, std::move(msg)}; }
    static Status writeFailed(std::string msg) { return {Code::Failed, std::move(msg), true}; }
    static Status cancelled() { return {Code::Cancelled, {}}; }
    static Status splitNetwork(std::string msg) { return {Code::SplitNetwork, std::move(msg)}; }

    bool isOk() const { return code == Code::Ok; }
    explicit operator bool() const { return isOk(); }
};

/// Title of the system's own warning boxes ("At least one variable ", "No common species between
/// cases"): two blanks.
inline constexpr const char* kBlankTitle = "  ";
/// Title of the warning boxes that report a failed command (a file error, bad input).
inline constexpr const char* kErrorTitle = "sscm";

} // namespace sscm
