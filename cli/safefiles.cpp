#include "cli/safefiles.h"

#include "cli/cliwindow.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace sscm::cli {

namespace fs = std::filesystem;

namespace {

std::string inQuotes(const std::string& s) {
    return "\"" + s + "\"";
}

/// What two paths are compared by: device and inode when the file is there, else its resolved
/// path.
struct Identity {
    bool exists = false;
    dev_t dev = 0;
    ino_t ino = 0;
    bool shareable = false; // a terminal or /dev/null: several outputs may go there
    std::string path;

    bool operator==(const Identity& o) const {
        return exists == o.exists && (exists ? dev == o.dev && ino == o.ino : path == o.path);
    }
};

/// `entry`: the name itself, not what a link there points to (a ".part" file, which replaces
/// whatever stands under its name).
Identity identityOf(const std::string& path, bool standardOutput = false, bool entry = false) {
    Identity id;
    struct stat st {};
    const int r = standardOutput ? ::fstat(STDOUT_FILENO, &st)
                  : entry        ? ::lstat(path.c_str(), &st)
                                 : ::stat(path.c_str(), &st);
    if (r == 0) {
        id.exists = true;
        id.dev = st.st_dev;
        id.ino = st.st_ino;
        id.shareable = S_ISCHR(st.st_mode);
        return id;
    }
    std::error_code ec;
    id.path = fs::weakly_canonical(fs::absolute(path, ec), ec).string();
    if (ec)
        id.path = path;
    return id;
}

} // namespace

ScratchFolder::~ScratchFolder() {
    if (!path_.empty()) {
        std::error_code ec;
        fs::remove_all(path_, ec);
    }
}

Status ScratchFolder::create() {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = (tmp != nullptr && *tmp != '\0') ? tmp : "/tmp";
    if (pattern.back() != '/')
        pattern += '/';
    pattern += "sscm-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr)
        return Status::failed("Cannot create a scratch folder in " +
                              inQuotes(pattern.substr(0, pattern.rfind('/'))) + ": " +
                              std::strerror(errno));
    path_ = pattern;
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
            if (!(a.id == b.id) || (a.id.exists && a.id.shareable))
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
    struct stat a {};
    struct stat b {};
    return ::fstat(STDOUT_FILENO, &a) == 0 && ::stat(out.given.c_str(), &b) == 0 &&
           a.st_dev == b.st_dev && a.st_ino == b.st_ino;
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
    struct stat st {};
    if (::lstat(written.c_str(), &st) != 0)
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
