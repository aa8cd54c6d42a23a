#include "cli/safefiles.h"

#include "cli/cliwindow.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
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

std::string ScratchFolder::create() {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = (tmp != nullptr && *tmp != '\0') ? tmp : "/tmp";
    if (pattern.back() != '/')
        pattern += '/';
    pattern += "sscm-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr)
        return "Cannot create a scratch folder in " +
               inQuotes(pattern.substr(0, pattern.rfind('/'))) + ": " + std::strerror(errno);
    path_ = pattern;
    return {};
}

std::string planOutput(Output& out) {
    if (out.given == "-") {
        out.toStdout = true;
        out.inPlace = true;
        return {};
    }
    if (out.given.empty())
        return std::string("The ") + out.what + " name is empty.";
    std::error_code ec;
    const fs::file_status st = fs::status(out.given, ec); // links followed
    if (fs::exists(st)) {
        if (fs::is_directory(st))
            return std::string("The ") + out.what + " " + inQuotes(out.given) + " is a folder.";
        if (!fs::is_regular_file(st)) {
            out.inPlace = true;
            return {};
        }
        out.target = fs::canonical(out.given, ec).string();
        if (ec)
            out.target = out.given;
    } else {
        // Not there yet (or a link to nothing): its folder must be.
        out.target = fs::weakly_canonical(fs::absolute(out.given, ec), ec).string();
        if (ec)
            out.target = out.given;
        const fs::path folder = fs::path(out.target).parent_path();
        if (!fs::is_directory(folder, ec))
            return std::string("The ") + out.what + " " + inQuotes(out.given) +
                   " lies in a folder that does not exist: " + inQuotes(folder.string()) + ".";
    }
    out.part = out.target + ".part";
    return {};
}

std::string conflicts(const std::string& dataFile, const std::vector<Output*>& outputs) {
    struct Named {
        Identity id;
        std::string text;
        const Output* owner;
    };
    std::vector<Named> files;
    files.push_back({identityOf(dataFile), "the data file " + inQuotes(dataFile), nullptr});
    for (const Output* o : outputs) {
        const std::string name = std::string("the ") + o->what + " " + inQuotes(o->given);
        if (o->inPlace) {
            files.push_back({identityOf(o->given, o->toStdout), name, o});
        } else {
            files.push_back({identityOf(o->target), name, o});
            files.push_back(
                {identityOf(o->part, false, true), name + "'s part file " + inQuotes(o->part), o});
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
            return msg + ": choose another name.";
        }
    }
    return {};
}

std::FILE* createExclusive(const std::string& path) {
    if (::unlink(path.c_str()) != 0 && errno != ENOENT)
        return nullptr;
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd < 0)
        return nullptr;
    std::FILE* f = ::fdopen(fd, "wb");
    if (f == nullptr) {
        const int err = errno;
        ::close(fd);
        errno = err;
    }
    return f;
}

std::FILE* openResult(const Output& out) {
    if (out.toStdout)
        return stdout;
    if (!out.inPlace)
        return createExclusive(out.part);
    for (;;) {
        // Opening a FIFO waits for a reader; a stop signal ends the wait (EINTR).
        std::FILE* f = std::fopen(out.given.c_str(), "wb");
        if (f != nullptr || errno != EINTR || CliWindow::stopSignal() != 0)
            return f;
    }
}

bool isStandardOutput(const Output& out) {
    if (out.toStdout)
        return true;
    if (!out.inPlace)
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

} // namespace

std::string publish(const Output& out, const std::string& written) {
    struct stat st {};
    if (::lstat(written.c_str(), &st) != 0)
        return {};
    if (!out.inPlace) {
        if (std::rename(written.c_str(), out.target.c_str()) == 0)
            return {};
        return "Cannot rename " + inQuotes(written) + " to " + inQuotes(out.target) + ": " +
               std::strerror(errno);
    }
    std::FILE* f = out.toStdout ? stdout : std::fopen(out.given.c_str(), "wb");
    bool ok = f != nullptr && copyFile(written, f);
    const int err = errno;
    if (f != nullptr && f != stdout)
        ok = std::fclose(f) == 0 && ok;
    std::remove(written.c_str());
    if (ok)
        return {};
    return std::string("Cannot write the ") + out.what + " " + inQuotes(out.given) + ": " +
           std::strerror(err);
}

std::string shown(std::string_view text, bool keepLineBreaks) {
    static const char* const kHex = "0123456789abcdef";
    std::string s;
    s.reserve(text.size());
    for (const char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if ((u >= 0x20 && u != 0x7f) || (c == '\n' && keepLineBreaks)) {
            s += c;
            continue;
        }
        switch (c) {
        case '\0':
            s += "\\0";
            break;
        case '\t':
            s += "\\t";
            break;
        case '\n':
            s += "\\n";
            break;
        case '\r':
            s += "\\r";
            break;
        default:
            s += "\\x";
            s += kHex[u >> 4];
            s += kHex[u & 15];
        }
    }
    return s;
}

} // namespace sscm::cli
