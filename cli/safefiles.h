#pragma once

// What keeps sscm-cli safe in scripts and shared folders: a private scratch folder per run,
// outputs that never destroy the data file or each other, and files created anew instead of
// written through planted links (by the file-writing unit of data/).

#include "cli/terminal.h" // the names and messages of these files are printed through shown()
#include "data/freshfile.h"
#include "data/status.h"

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

    /// Creates the folder; a failure names it and the system's reason.
    Status create();
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
    /// Where it is written; `inPlace` also for standard output.
    WholeFile file;
};

/// Settles where `out` goes and checks what can be checked before the run: a path that is a
/// folder, or that lies in a folder that does not exist, is refused.
Status planOutput(Output& out);

/// Refuses an output that is the data file or another output, or whose ".part" file is one of
/// them, by file identity (device and inode, links resolved; paths of files not there yet are
/// compared once resolved). Terminals and /dev/null may take several outputs.
Status conflicts(const std::string& dataFile, const std::vector<Output*>& outputs);

/// Opens where the run writes `out`: standard output, the device or FIFO itself (waiting for a
/// reader until a stop signal), or the ".part" file created anew. Null with errno on failure.
std::FILE* openResult(const Output& out);

/// True when `out` goes to this process's standard output.
bool isStandardOutput(const Output& out);

/// Puts the finished file `written` in its place: renamed over the target, or copied to the
/// device or standard output and removed. Nothing happens when `written` is not there (the
/// run stopped before creating it). A failure names the file.
Status publish(const Output& out, const std::string& written);

/// Writes `bytes` as the whole output `out` (planned): standard output, the device or FIFO
/// itself, or the ".part" file renamed over the target. A failure names the output.
Status writeOutput(const Output& out, std::string_view bytes);

} // namespace sscm::cli
