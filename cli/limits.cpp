#include "cli/limits.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace sscm::cli {

namespace {

/// What a run counts on when the machine does not say: as a small machine would have.
constexpr std::uint64_t kUnknownMemory = std::uint64_t{1} << 32;

} // namespace

std::uint64_t usableMemory() {
#if defined(_WIN32)
    MEMORYSTATUSEX status{};
    status.dwLength = sizeof status;
    if (!::GlobalMemoryStatusEx(&status) || status.ullTotalPhys == 0)
        return kUnknownMemory;
    return status.ullTotalPhys / 2;
#else
    const long pages = ::sysconf(_SC_PHYS_PAGES);
    const long size = ::sysconf(_SC_PAGESIZE);
    if (pages <= 0 || size <= 0)
        return kUnknownMemory;
    return std::uint64_t(pages) * std::uint64_t(size) / 2;
#endif
}

} // namespace sscm::cli
