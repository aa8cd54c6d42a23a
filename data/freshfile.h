#pragma once

// Safe file writing, one rule for every file the window, the batch front end and the tables
// folder write: a file is created anew, never written through a link planted under its name, and
// a file that readers may see is written whole under a ".part" name and renamed once complete.

#include "data/status.h"

#include <cstdio>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace sscm {

/// Opens `path` for writing as a new file. An existing file or symbolic link of that name is
/// removed first and the file is created exclusively without following links, so a link planted
/// under the name (in a shared folder, pointing at someone else's file) is never written
/// through. A device or FIFO of that name (/dev/null, a pipe to a reader) is written in place.
/// Returns null with errno set when the file cannot be opened: a folder, a name that cannot be
/// removed, a folder that does not exist.
std::FILE* openFresh(const std::string& path);

/// Opens the device or FIFO `path` (links followed: /dev/stdout) to write in place; nothing is
/// created or emptied. Opening a FIFO waits for a reader; a signal ends the wait (null, EINTR).
/// Null with errno set on failure.
std::FILE* openInPlace(const std::string& path);

/// Where a file that readers may see is written.
struct WholeFile {
    /// Not a regular file (a device, a FIFO, reached through links or not): written directly,
    /// no ".part".
    bool inPlace = false;
    /// The regular file that the finished file replaces, links resolved, and the ".part" file
    /// beside it that is written first (both empty when inPlace).
    std::string target;
    std::string part;
};

/// Settles where `path` is written and checks what can be checked before writing: a path that
/// is a folder, or that lies in a folder that does not exist, is refused with a message naming
/// `what` ("result file", "log file") and the path. A link at `path` is followed to the file it
/// names, which is then replaced; with `followLinks` false the link itself is replaced (the
/// files of a folder of tables, which never end up as links).
Status planWhole(const std::string& path, const char* what, WholeFile& plan,
                 bool followLinks = true);

/// Puts the finished ".part" file of `plan` in place of its target. On failure the ".part" file
/// is removed and the message names both files and the reason.
Status replaceTarget(const WholeFile& plan);

/// Writes `bytes` as the whole file `path`: through its ".part" file and a rename when it is a
/// regular file or not there yet (a link to a regular file has its target replaced), in place
/// when it is a device or FIFO. A failure names `what` and `path` with the reason, and leaves
/// the earlier file as it was; a failed write is `Status::writeFailed`.
Status writeWhole(const std::string& path, std::string_view bytes, const char* what);

/// The files of one run, put in place together at its end: each is written whole to its ".part"
/// file at once (a device or FIFO is held until then), and publish() renames them all, so a run
/// that fails or is stopped on the way leaves every earlier file of those names as it was. What
/// is not published is removed when the object goes.
class PendingFiles {
public:
    PendingFiles() = default;
    ~PendingFiles();
    PendingFiles(const PendingFiles&) = delete;
    PendingFiles& operator=(const PendingFiles&) = delete;

    /// Writes `bytes` as the whole file `path` (planned as planWhole does; `followLinks` as
    /// there). A failure names `what` and `path` with the reason; nothing of it stays.
    Status write(const std::string& path, std::string_view bytes, const char* what,
                 bool followLinks = true);
    /// A ".part" file written elsewhere, renamed over its target by publish().
    void adopt(const WholeFile& plan);
    /// A file that publish() removes (a table an earlier run left and this one does not write).
    void removeOnPublish(std::string path);
    /// Puts every file in place, in the order written. `stopped` (may be empty) is asked while
    /// a FIFO waits for its reader; when it says yes the rest is given up as cancelled.
    Status publish(const std::function<bool()>& stopped = {});
    /// Removes every ".part" file not yet published.
    void abandon();

private:
    struct Pending {
        WholeFile plan;
        std::string path;  ///< as given, for messages and for writing in place
        std::string bytes; ///< held for a device or FIFO
        const char* what = "";
    };
    std::vector<Pending> files_;
    std::vector<std::string> removals_;
};

/// Whether `a` and `b` name one existing file (device and inode, links resolved).
bool sameFile(const std::string& a, const std::string& b);

/// Refuses to write the `what` ("result file", "log file") at `path` when that file, or the
/// ".part" file written on the way to it, is the data file `dataFile`: writing it would destroy
/// the observations. Ok when `dataFile` is empty or another file.
Status refuseDataFile(const std::string& path, const std::string& dataFile, const char* what);

} // namespace sscm
