#include "data/freshfile.h"

#include "data/pathtext.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <system_error>
#if defined(_WIN32)
#include <io.h>
#else
#include <unistd.h>
#endif

namespace sscm {

namespace fs = std::filesystem;

namespace {

std::string inQuotes(const std::string& s) {
    return "\"" + s + "\"";
}

std::FILE* streamOf(int fd) {
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

#if !defined(_WIN32)
bool isDeviceOrFifo(mode_t mode) {
    return S_ISCHR(mode) || S_ISBLK(mode) || S_ISFIFO(mode);
}
#endif

std::string cannotWrite(const char* what, const std::string& path, int err) {
    return std::string("Cannot write the ") + what + " " + inQuotes(path) + ": " +
           std::strerror(err);
}

} // namespace

#if defined(_WIN32)

// Windows (the R package built with Rtools): no FIFOs or devices under a file's name to write in
// place, and no link an ordinary user can plant; the file is still created exclusively.
std::FILE* openFresh(const std::string& path) {
    if (::_unlink(path.c_str()) != 0 && errno != ENOENT)
        return nullptr;
    return streamOf(
        ::_open(path.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY, _S_IREAD | _S_IWRITE));
}

std::FILE* openInPlace(const std::string& path) {
    return streamOf(::_open(path.c_str(), _O_WRONLY | _O_BINARY));
}

#else

std::FILE* openFresh(const std::string& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) == 0 && isDeviceOrFifo(st.st_mode))
        return streamOf(::open(path.c_str(), O_WRONLY | O_NOCTTY | O_NOFOLLOW | O_CLOEXEC));
    if (::unlink(path.c_str()) != 0 && errno != ENOENT)
        return nullptr;
    return streamOf(
        ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666));
}

std::FILE* openInPlace(const std::string& path) {
    return streamOf(::open(path.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC));
}

#endif

Status planWhole(const std::string& path, const char* what, WholeFile& plan, bool followLinks) {
    plan = {};
    if (path.empty())
        return Status::failed(cannotWrite(what, path, ENOENT));
    std::error_code ec;
    const fs::file_status st = fs::status(pathOf(path), ec); // links followed
    if (fs::exists(st)) {
        if (fs::is_directory(st))
            return Status::failed(std::string("The ") + what + " " + inQuotes(path) +
                                  " is a folder.");
        if (!fs::is_regular_file(st)) {
            plan.inPlace = true;
            return Status::ok();
        }
        plan.target = textOf(fs::canonical(pathOf(path), ec));
        if (ec)
            plan.target = path;
        if (!followLinks && fs::is_symlink(fs::symlink_status(pathOf(path), ec)))
            plan.target = textOf(fs::absolute(pathOf(path), ec));
    } else {
        // Not there yet (or a link to nothing): its folder must be.
        plan.target = textOf(fs::weakly_canonical(fs::absolute(pathOf(path), ec), ec));
        if (ec)
            plan.target = path;
        const fs::path folder = pathOf(plan.target).parent_path();
        if (!fs::is_directory(folder, ec))
            return Status::failed(
                std::string("The ") + what + " " + inQuotes(path) +
                " lies in a folder that does not exist: " + inQuotes(textOf(folder)) + ".");
    }
    plan.part = plan.target + ".part";
    return Status::ok();
}

Status replaceTarget(const WholeFile& plan) {
#if defined(_WIN32)
    // The C library's rename refuses an existing target there; the file system's replaces it.
    std::error_code ec;
    fs::rename(pathOf(plan.part), pathOf(plan.target), ec);
    if (!ec)
        return Status::ok();
    const std::string why = ec.message();
#else
    if (std::rename(plan.part.c_str(), plan.target.c_str()) == 0)
        return Status::ok();
    const std::string why = std::strerror(errno);
#endif
    std::remove(plan.part.c_str());
    return Status::failed("Cannot rename " + inQuotes(plan.part) + " to " + inQuotes(plan.target) +
                          ": " + why);
}

Status writeWhole(const std::string& path, std::string_view bytes, const char* what) {
    PendingFiles file;
    if (Status st = file.write(path, bytes, what); !st)
        return st;
    return file.publish();
}

PendingFiles::~PendingFiles() {
    abandon();
}

Status PendingFiles::write(const std::string& path, std::string_view bytes, const char* what,
                           bool followLinks) {
    Pending p;
    if (Status st = planWhole(path, what, p.plan, followLinks); !st)
        return st;
    p.path = path;
    p.what = what;
    if (p.plan.inPlace) {
        p.bytes.assign(bytes);
        files_.push_back(std::move(p));
        return Status::ok();
    }
    std::FILE* f = openFresh(p.plan.part);
    if (f == nullptr)
        return Status::failed(cannotWrite(what, path, errno));
    errno = 0;
    bool written = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size() &&
                   std::fflush(f) == 0 && std::ferror(f) == 0;
    int err = errno;
    written = std::fclose(f) == 0 && written;
    if (!written) {
        err = err != 0 ? err : (errno != 0 ? errno : EIO);
        std::remove(p.plan.part.c_str());
        return Status::writeFailed(cannotWrite(what, path, err));
    }
    files_.push_back(std::move(p));
    return Status::ok();
}

void PendingFiles::adopt(const WholeFile& plan) {
    Pending p;
    p.plan = plan;
    p.path = plan.target;
    files_.push_back(std::move(p));
}

void PendingFiles::removeOnPublish(std::string path) {
    removals_.push_back(std::move(path));
}

Status PendingFiles::publish(const std::function<bool()>& stopped) {
    // Devices and FIFOs first: their writes cannot be taken back, but they replace no earlier
    // file, so a failure there still leaves every regular file as it was.
    Status result;
    for (Pending& p : files_) {
        if (!p.plan.inPlace || !result)
            continue;
        std::FILE* f = nullptr;
        for (;;) {
            // Opening a FIFO waits for a reader; a signal ends the wait (EINTR).
            f = openInPlace(p.path);
            if (f != nullptr || errno != EINTR)
                break;
            if (stopped && stopped())
                break;
        }
        if (f == nullptr) {
            result = errno == EINTR ? Status::cancelled()
                                    : Status::failed(cannotWrite(p.what, p.path, errno));
            break;
        }
        errno = 0;
        bool ok = std::fwrite(p.bytes.data(), 1, p.bytes.size(), f) == p.bytes.size();
        const int err = errno;
        ok = std::fclose(f) == 0 && ok;
        if (!ok)
            result = Status::writeFailed(cannotWrite(p.what, p.path, err != 0 ? err : EIO));
    }
    for (std::size_t k = 0; k < files_.size() && result; ++k) {
        Pending& p = files_[k];
        if (!p.plan.inPlace) {
            result = replaceTarget(p.plan);
            p.plan.part.clear(); // renamed, or removed by the failed rename
        }
    }
    abandon();
    if (result) {
        for (const std::string& path : removals_)
            std::remove(path.c_str());
    }
    removals_.clear();
    return result;
}

void PendingFiles::abandon() {
    for (const Pending& p : files_)
        if (!p.plan.inPlace && !p.plan.part.empty())
            std::remove(p.plan.part.c_str());
    files_.clear();
}

bool sameFile(const std::string& a, const std::string& b) {
    std::error_code ec;
    return !a.empty() && !b.empty() && fs::equivalent(pathOf(a), pathOf(b), ec) && !ec;
}

Status refuseDataFile(const std::string& path, const std::string& dataFile, const char* what) {
    WholeFile plan;
    const bool planned = planWhole(path, what, plan).isOk() && !plan.inPlace;
    if (sameFile(path, dataFile) || (planned && sameFile(plan.part, dataFile)))
        return Status::failed(std::string("The ") + what + " " + inQuotes(path) +
                              " is the data file " + inQuotes(dataFile) +
                              ": writing it would destroy the data. Choose another name.");
    return Status::ok();
}

} // namespace sscm
