#include "data/freshfile.h"

#include <cerrno>
#include <filesystem>
#include <system_error>

namespace sscm {

std::FILE* openFresh(const std::string& path) {
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::file_status st = fs::symlink_status(path, ec);
    if (ec || !fs::exists(st))
        return std::fopen(path.c_str(), "wbx");
    if (fs::is_regular_file(st) || fs::is_symlink(st)) {
        if (std::remove(path.c_str()) == 0 || errno == ENOENT)
            return std::fopen(path.c_str(), "wbx");
        if (fs::is_symlink(st))
            return nullptr; // errno from the removal
        return std::fopen(path.c_str(), "wb");
    }
    // A folder fails here with the system's own reason; a device or FIFO is written in place.
    return std::fopen(path.c_str(), "wb");
}

} // namespace sscm
