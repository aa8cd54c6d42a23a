#include "cli/limits.h"

#include <unistd.h>

namespace sscm::cli {

std::uint64_t usableMemory() {
    const long pages = ::sysconf(_SC_PHYS_PAGES);
    const long size = ::sysconf(_SC_PAGESIZE);
    if (pages <= 0 || size <= 0)
        return std::uint64_t{1} << 32; // unknown: as a small machine would have
    return std::uint64_t(pages) * std::uint64_t(size) / 2;
}

} // namespace sscm::cli
