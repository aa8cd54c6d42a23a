#pragma once

// What keeps sscm-cli safe in scripts and shared folders: a private scratch folder per run,
// outputs that never destroy the data file or each other, files created anew instead of written
// through planted links, and names printed whole.

#include <cstdio>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace sscm::cli {

/// A private folder for the scratch files of one run, made with mkdtemp under $TMPDIR (or /tmp)
/// and open to its owner only, so that runs started together in one folder never share a file.
/// Removed with its content when the object goes, on every way out of main().
class ScratchFolder {
public:
    ScratchFolder() = default;
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    /// Creates the folder; on failure returns a message naming it and the system's reason.
    std::string create();
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

/// An output file of a run as the command line names it, and where it is written.
struct Output {
    Output(const char* what_, std::string given_) : what(what_), given(std::move(given_)) {}

    const char* what = ""; ///< "result file", "log file"
    std::string given;     ///< the path as given; "-" is standard output
    bool toStdout = false; ///< given as "-"
    /// Not a regular file (a device, a FIFO, standard output): written directly, no ".part".
    bool inPlace = false;
    /// The regular file that a finished run replaces, links resolved, and the ".part" file
    /// beside it that the run writes first (empty when inPlace).
    std::string target;
    std::string part;
};

/// Settles where `out` goes and checks what can be checked before the run: a path that is a
/// folder, or that lies in a folder that does not exist, is refused. Returns the message, or ""
/// when the output is fine.
std::string planOutput(Output& out);

/// Refuses an output that is the data file or another output, or whose ".part" file is one of
/// them, by file identity (device and inode, links resolved; paths of files not there yet are
/// compared once resolved). Terminals and /dev/null may take several outputs. Returns the
/// message, or "" when all are distinct.
std::string conflicts(const std::string& dataFile, const std::vector<Output*>& outputs);

/// Creates `path` anew for writing: an existing file or link of that name is removed first and
/// the file is created exclusively, without following links. Null with errno set on failure.
std::FILE* createExclusive(const std::string& path);

/// Opens where the run writes `out`: standard output, the device or FIFO itself (waiting for a
/// reader until a stop signal), or the ".part" file created anew. Null with errno on failure.
std::FILE* openResult(const Output& out);

/// True when `out` goes to this process's standard output.
bool isStandardOutput(const Output& out);

/// Puts the finished file `written` in its place: renamed over the target, or copied to the
/// device or standard output and removed. Nothing happens when `written` is not there (the
/// run stopped before creating it). Returns a message naming the file on failure, or "".
std::string publish(const Output& out, const std::string& written);

/// `text` with NUL and the other control characters shown escaped ("\0", "\t", "\x1b"), so a
/// name or message prints whole and cannot steer the terminal. A message may keep its line
/// breaks (`keepLineBreaks`); a name, printed one per line, may not.
std::string shown(std::string_view text, bool keepLineBreaks = false);

} // namespace sscm::cli
