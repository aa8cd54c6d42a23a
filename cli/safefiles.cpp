#include "cli/safefiles.h"

#include "cli/cliwindow.h"
#include "cli/platform.h"
#include "data/pathtext.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace sscm::cli {

namespace fs = std::filesystem;

namespace {

std::string inQuotes(const std::string& s) {
    return "\"" + s + "\"";
}

/// What two paths are compared by: the file's identity when it is there (device and inode, or
/// volume and file index), else its resolved path.
struct Identity {
    FileId file;
    std::string path;

    /// A terminal or the null device: several outputs may go there.
    bool shareable() const { return file.exists && file.charDevice; }
    bool operator==(const Identity& o) const {
        if (file.exists != o.file.exists)
            return false;
        return file.exists ? file.device == o.file.device && file.index == o.file.index
                           : path == o.path;
    }
};

/// `entry`: the name itself, not what a link there points to (a ".part" file, which replaces
/// whatever stands under its name).
Identity identityOf(const std::string& path, bool standardOutput = false, bool entry = false) {
    Identity id;
    id.file = standardOutput ? standardOutputId() : fileIdOf(path, !entry);
    if (id.file.exists)
        return id;
    std::error_code ec;
    id.path = textOf(fs::weakly_canonical(fs::absolute(pathOf(path), ec), ec));
    if (ec)
        id.path = path;
    return id;
}

} // namespace

ScratchFolder::~ScratchFolder() {
    if (!path_.empty()) {
        std::error_code ec;
        fs::remove_all(pathOf(path_), ec);
    }
}

Status ScratchFolder::create() {
    std::string path;
    if (!makeScratchFolder(path))
        return Status::failed("Cannot create a scratch folder in " + inQuotes(path) + ": " +
                              std::strerror(errno));
    path_ = path;
    return Status::ok();
}

Status planOutput(Output& out) {
    if (out.given == "-") {
        out.toStdout = true;
        out.file = {};
        out.file.inPlace = true;
        return Status::ok();
    }
    if (out.given.empty())
        return Status::failed(std::string("The ") + out.what + " name is empty.");
    return planWhole(out.given, out.what, out.file);
}

Status conflicts(const std::string& dataFile, const std::vector<Output*>& outputs) {
    struct Named {
        Identity id;
        std::string text;
        const Output* owner;
    };
    std::vector<Named> files;
    files.push_back({identityOf(dataFile), "the data file " + inQuotes(dataFile), nullptr});
    for (const Output* o : outputs) {
        const std::string name = std::string("the ") + o->what + " " + inQuotes(o->given);
        if (o->file.inPlace) {
            files.push_back({identityOf(o->given, o->toStdout), name, o});
        } else {
            files.push_back({identityOf(o->file.target), name, o});
            files.push_back({identityOf(o->file.part, false, true),
                             name + "'s part file " + inQuotes(o->file.part), o});
        }
    }
    for (std::size_t i = 0; i < files.size(); ++i) {
        for (std::size_t k = i + 1; k < files.size(); ++k) {
            const Named& a = files[i];
            const Named& b = files[k];
            if (a.owner == b.owner && a.owner != nullptr)
                continue;
            if (!(a.id == b.id) || a.id.shareable())
                continue;
            std::string msg = b.text + " is " + a.text;
            msg[0] = char(std::toupper(static_cast<unsigned char>(msg[0])));
            return Status::failed(msg + ": choose another name.");
        }
    }
    return Status::ok();
}

std::FILE* openResult(const Output& out) {
    if (out.toStdout)
        return stdout;
    if (!out.file.inPlace)
        return openFresh(out.file.part);
    for (;;) {
        // Opening a FIFO waits for a reader; a stop signal ends the wait (EINTR).
        std::FILE* f = openInPlace(out.given);
        if (f != nullptr || errno != EINTR || CliWindow::stopSignal() != 0)
            return f;
    }
}

bool isStandardOutput(const Output& out) {
    if (out.toStdout)
        return true;
    if (!out.file.inPlace)
        return false;
    const FileId a = standardOutputId();
    const FileId b = fileIdOf(out.given);
    // Windows gives its devices no file index: the console and the null device are told apart
    // by nothing, so neither is taken for the other.
    return a.exists && b.exists && a.device == b.device && a.index == b.index &&
           (a.index != 0 || !a.charDevice);
}

namespace {

/// Copies the whole file `from` to `out`. False on a failed read or write, errno set.
bool copyFile(const std::string& from, std::FILE* out) {
    std::FILE* in = std::fopen(from.c_str(), "rb");
    if (in == nullptr)
        return false;
    static char buf[1 << 16];
    bool ok = true;
    for (;;) {
        const std::size_t n = std::fread(buf, 1, sizeof buf, in);
        if (n > 0 && std::fwrite(buf, 1, n, out) != n) {
            ok = false;
            break;
        }
        if (n < sizeof buf) {
            ok = !std::ferror(in);
            break;
        }
    }
    const int err = errno;
    std::fclose(in);
    ok = std::fflush(out) == 0 && ok;
    if (!ok)
        errno = err;
    return ok;
}

Status cannotWrite(const Output& out, int err) {
    return Status::writeFailed(std::string("Cannot write the ") + out.what + " " +
                               inQuotes(out.given) + ": " + std::strerror(err));
}

} // namespace

Status publish(const Output& out, const std::string& written) {
    if (!fileIdOf(written, false).exists)
        return Status::ok();
    if (!out.file.inPlace) {
        WholeFile finished = out.file;
        finished.part = written;
        return replaceTarget(finished);
    }
    std::FILE* f = out.toStdout ? stdout : openInPlace(out.given);
    bool ok = f != nullptr && copyFile(written, f);
    const int err = errno;
    if (f != nullptr && f != stdout)
        ok = std::fclose(f) == 0 && ok;
    std::remove(written.c_str());
    return ok ? Status::ok() : cannotWrite(out, err);
}

Status writeOutput(const Output& out, std::string_view bytes) {
    if (!out.file.inPlace)
        return writeWhole(out.given, bytes, out.what);
    std::FILE* f = openResult(out);
    if (f == nullptr)
        return cannotWrite(out, errno);
    errno = 0;
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    int err = errno;
    ok = (f == stdout ? std::fflush(f) == 0 : std::fclose(f) == 0) && ok;
    err = err != 0 ? err : (errno != 0 ? errno : EIO);
    return ok ? Status::ok() : cannotWrite(out, err);
}

} // namespace sscm::cli
