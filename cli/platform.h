#pragma once

// What sscm-cli needs from the operating system beyond standard C++, one home for each
// difference between POSIX systems and Windows.

#include <cstdint>
#include <string>

namespace sscm::cli {

/// Readies the process before anything is read or written. On Windows: standard input, output
/// and error in binary mode (text mode would turn every line end of a table into CR CR LF), and
/// argv rebuilt as UTF-8 from the wide command line, so that file names with any letters arrive
/// intact, and the console shown UTF-8. Elsewhere argv is left as it is.
void preparePlatform(int& argc, char**& argv);

/// The largest amount of memory this process has held at once, in bytes (0 when unknown).
std::uint64_t peakMemoryBytes();

/// True when standard error goes to a terminal (the console on Windows): progress is shown there.
bool standardErrorIsTerminal();

/// Which file a name stands for: two names of one file give equal ids.
struct FileId {
    bool exists = false;
    std::uint64_t device = 0; ///< the file system (POSIX st_dev, Windows' volume serial number)
    std::uint64_t index = 0;  ///< the file within it (POSIX st_ino, Windows' file index)
    bool charDevice = false;  ///< a terminal or the null device
};

/// The file named `path`; with `followLinks` false, a link itself rather than what it names.
FileId fileIdOf(const std::string& path, bool followLinks = true);

/// The file that this process's standard output goes to.
FileId standardOutputId();

/// Creates a folder with a name no other run has, open to its owner only: under TMPDIR or /tmp
/// with mode 0700, or on Windows under std::filesystem::temp_directory_path(), the user's own
/// temporary folder, whose access it inherits. Its path in `path`; false with errno set on
/// failure, `path` then naming the parent folder.
bool makeScratchFolder(std::string& path);

} // namespace sscm::cli
