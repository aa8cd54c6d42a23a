#include "data/freshfile.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

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

bool isDeviceOrFifo(mode_t mode) {
    return S_ISCHR(mode) || S_ISBLK(mode) || S_ISFIFO(mode);
}

std::string cannotWrite(const char* what, const std::string& path, int err) {
    return std::string("Cannot write the ") + what + " " + inQuotes(path) + ": " +
           std::strerror(err);
}

} // namespace

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

Status planWhole(const std::string& path, const char* what, WholeFile& plan) {
    plan = {};
    if (path.empty())
        return Status::failed(cannotWrite(what, path, ENOENT));
    std::error_code ec;
    const fs::file_status st = fs::status(path, ec); // links followed
    if (fs::exists(st)) {
        if (fs::is_directory(st))
            return Status::failed(std::string("The ") + what + " " + inQuotes(path) +
                                  " is a folder.");
        if (!fs::is_regular_file(st)) {
            plan.inPlace = true;
            return Status::ok();
        }
        plan.target = fs::canonical(path, ec).string();
        if (ec)
            plan.target = path;
    } else {
        // Not there yet (or a link to nothing): its folder must be.
        plan.target = fs::weakly_canonical(fs::absolute(path, ec), ec).string();
        if (ec)
            plan.target = path;
        const fs::path folder = fs::path(plan.target).parent_path();
        if (!fs::is_directory(folder, ec))
            return Status::failed(
                std::string("The ") + what + " " + inQuotes(path) +
                " lies in a folder that does not exist: " + inQuotes(folder.string()) + ".");
    }
    plan.part = plan.target + ".part";
    return Status::ok();
}

Status replaceTarget(const WholeFile& plan) {
    if (std::rename(plan.part.c_str(), plan.target.c_str()) == 0)
        return Status::ok();
    const std::string why = std::strerror(errno);
    std::remove(plan.part.c_str());
    return Status::failed("Cannot rename " + inQuotes(plan.part) + " to " + inQuotes(plan.target) +
                          ": " + why);
}

Status writeWhole(const std::string& path, std::string_view bytes, const char* what) {
    WholeFile plan;
    if (Status st = planWhole(path, what, plan); !st)
        return st;
    std::FILE* f = plan.inPlace ? openInPlace(path) : openFresh(plan.part);
    if (f == nullptr)
        return Status::failed(cannotWrite(what, path, errno));
    errno = 0;
    bool written = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size() &&
                   std::fflush(f) == 0 && std::ferror(f) == 0;
    int err = errno;
    written = std::fclose(f) == 0 && written;
    if (!written) {
        err = err != 0 ? err : (errno != 0 ? errno : EIO);
        if (!plan.inPlace)
            std::remove(plan.part.c_str());
        return Status::writeFailed(cannotWrite(what, path, err));
    }
    return plan.inPlace ? Status::ok() : replaceTarget(plan);
}

bool sameFile(const std::string& a, const std::string& b) {
    std::error_code ec;
    return !a.empty() && !b.empty() && fs::equivalent(a, b, ec) && !ec;
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
