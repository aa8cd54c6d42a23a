#pragma once

// What the fuzz targets share: a private working folder for the files a command writes, and a
// check that stops the run on a broken invariant (libFuzzer keeps the input that did it).

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>
#include <unistd.h>

namespace sscm::fuzz {

/// A fresh private folder under $TMPDIR, made once per process and removed at its exit, for the
/// data, scratch and log files of the commands, out of the corpus and of other processes' way.
/// (The working directory stays: libFuzzer reads its corpus by relative paths.)
inline const std::string& workDir() {
    static const std::string dir = [] {
        const char* tmp = std::getenv("TMPDIR");
        std::string pattern =
            std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") + "/sscm-fuzz-XXXXXX";
        if (::mkdtemp(pattern.data()) == nullptr) {
            std::perror("sscm fuzz: working folder");
            std::abort();
        }
        return pattern;
    }();
    static const bool removedAtExit = [] {
        return std::atexit([] {
                   std::error_code ec;
                   std::filesystem::remove_all(dir, ec);
               }) == 0;
    }();
    (void)removedAtExit;
    return dir;
}

/// Path of `name` in the working folder.
inline std::string inWorkDir(const char* name) {
    return workDir() + "/" + name;
}

/// Ends the process with a message when `ok` is false.
inline void require(bool ok, const char* what) {
    if (!ok) {
        std::fprintf(stderr, "broken invariant: %s\n", what);
        std::abort();
    }
}

/// Writes `size` bytes to `name` in the working folder.
inline void writeBytes(const char* name, const void* data, std::size_t size) {
    std::FILE* f = std::fopen(inWorkDir(name).c_str(), "wb");
    require(f != nullptr, "cannot create the input file");
    require(size == 0 || std::fwrite(data, 1, size, f) == size, "cannot write the input file");
    require(std::fclose(f) == 0, "cannot close the input file");
}

/// Whether `name` exists in the working folder.
inline bool fileExists(const char* name) {
    return ::access(inWorkDir(name).c_str(), F_OK) == 0;
}

} // namespace sscm::fuzz
