#include "cli/platform.h"

#include "data/pathtext.h"

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <system_error>
#include <vector>

#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>
#include <random>
#include <windows.h>
// After windows.h, which it needs.
#include <psapi.h>
#include <shellapi.h>
#else
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace sscm::cli {

namespace fs = std::filesystem;

#if defined(_WIN32)

namespace {

std::string toUtf8(const wchar_t* text) {
    const int size = ::WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (size <= 0)
        return {};
    std::string out(std::size_t(size), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text, -1, out.data(), size, nullptr, nullptr);
    out.resize(std::size_t(size) - 1);
    return out;
}

FileId idOfHandle(HANDLE h) {
    FileId id;
    if (h == INVALID_HANDLE_VALUE || h == nullptr)
        return id;
    id.exists = true;
    if (::GetFileType(h) == FILE_TYPE_CHAR) {
        id.charDevice = true;
        return id;
    }
    // A pipe, or a file the system gives no index (wine's view of a POSIX device), has no
    // identity to compare: it is then told by its path, never taken for another such file.
    BY_HANDLE_FILE_INFORMATION info{};
    if (!::GetFileInformationByHandle(h, &info))
        return {};
    id.device = info.dwVolumeSerialNumber;
    id.index = (std::uint64_t(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
    if (id.device == 0 && id.index == 0)
        return {};
    return id;
}

} // namespace

void preparePlatform(int& argc, char**& argv) {
    ::_setmode(::_fileno(stdin), _O_BINARY);
    ::_setmode(::_fileno(stdout), _O_BINARY);
    ::_setmode(::_fileno(stderr), _O_BINARY);
    // Messages name files in UTF-8: the console shows them so.
    ::SetConsoleOutputCP(CP_UTF8);
    // The strings live as long as the process: argv's do too.
    static std::vector<std::string> args;
    static std::vector<char*> pointers;
    int count = 0;
    wchar_t** wide = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    if (wide == nullptr)
        return;
    for (int k = 0; k < count; ++k)
        args.push_back(toUtf8(wide[k]));
    ::LocalFree(wide);
    for (std::string& a : args)
        pointers.push_back(a.data());
    pointers.push_back(nullptr);
    argc = count;
    argv = pointers.data();
}

bool standardErrorIsTerminal() {
    return ::_isatty(::_fileno(stderr)) != 0;
}

std::uint64_t peakMemoryBytes() {
    PROCESS_MEMORY_COUNTERS counters{};
    if (!::GetProcessMemoryInfo(::GetCurrentProcess(), &counters, sizeof counters))
        return 0;
    return counters.PeakWorkingSetSize;
}

FileId fileIdOf(const std::string& path, bool followLinks) {
    const std::wstring name = pathOf(path).wstring();
    // No access asked for: only the file's identity is read, which even a file open for
    // writing elsewhere gives. Folders open only with backup semantics.
    DWORD flags = FILE_FLAG_BACKUP_SEMANTICS;
    if (!followLinks)
        flags |= FILE_FLAG_OPEN_REPARSE_POINT;
    HANDLE h =
        ::CreateFileW(name.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                      nullptr, OPEN_EXISTING, flags, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return {};
    const FileId id = idOfHandle(h);
    ::CloseHandle(h);
    return id;
}

FileId standardOutputId() {
    return idOfHandle(::GetStdHandle(STD_OUTPUT_HANDLE));
}

bool makeScratchFolder(std::string& path) {
    std::error_code ec;
    const fs::path parent = fs::temp_directory_path(ec);
    if (ec) {
        path = "the temporary folder";
        errno = ec.value();
        return false;
    }
    std::random_device seed;
    std::mt19937 pick(seed());
    static const char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string name = "sscm-";
        for (int k = 0; k < 8; ++k)
            name += kLetters[pick() % 36];
        const fs::path folder = parent / name;
        // create_directory is false, without an error, when the name is taken.
        if (fs::create_directory(folder, ec)) {
            path = textOf(folder);
            return true;
        }
        if (ec)
            break;
    }
    path = textOf(parent);
    errno = ec ? ec.value() : EEXIST;
    return false;
}

#else

void preparePlatform(int&, char**&) {}

bool standardErrorIsTerminal() {
    return ::isatty(STDERR_FILENO) != 0;
}

std::uint64_t peakMemoryBytes() {
    rusage usage{};
    if (::getrusage(RUSAGE_SELF, &usage) != 0)
        return 0;
#if defined(__APPLE__)
    return std::uint64_t(usage.ru_maxrss); // bytes on macOS
#else
    return std::uint64_t(usage.ru_maxrss) * 1024; // kilobytes on Linux and the BSDs
#endif
}

namespace {

FileId idOfStat(const struct stat& st) {
    FileId id;
    id.exists = true;
    id.device = std::uint64_t(st.st_dev);
    id.index = std::uint64_t(st.st_ino);
    id.charDevice = S_ISCHR(st.st_mode);
    return id;
}

} // namespace

FileId fileIdOf(const std::string& path, bool followLinks) {
    struct stat st {};
    const int r = followLinks ? ::stat(path.c_str(), &st) : ::lstat(path.c_str(), &st);
    return r == 0 ? idOfStat(st) : FileId{};
}

FileId standardOutputId() {
    struct stat st {};
    return ::fstat(STDOUT_FILENO, &st) == 0 ? idOfStat(st) : FileId{};
}

bool makeScratchFolder(std::string& path) {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = (tmp != nullptr && *tmp != '\0') ? tmp : "/tmp";
    if (pattern.back() != '/')
        pattern += '/';
    pattern += "sscm-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) {
        path = pattern.substr(0, pattern.rfind('/'));
        return false;
    }
    path = pattern;
    return true;
}

#endif

} // namespace sscm::cli
