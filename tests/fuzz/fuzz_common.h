#pragma once

// What the fuzz targets share: a private working folder for the files a command writes, and a
// check that stops the run on a broken invariant (libFuzzer keeps the input that did it).

#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace sscm::fuzz {

/// Moves into a fresh private folder under $TMPDIR once per process, so the commands' scratch,
/// log and data files stay out of the corpus and of other processes' way.
inline const std::string& workDir() {
    static const std::string dir = [] {
        const char* tmp = std::getenv("TMPDIR");
        std::string pattern = std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") +
                              "/sscm-fuzz-XXXXXX";
        if (::mkdtemp(pattern.data()) == nullptr || ::chdir(pattern.c_str()) != 0) {
            std::perror("sscm fuzz: working folder");
            std::abort();
        }
        return pattern;
    }();
    return dir;
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
    std::FILE* f = std::fopen(name, "wb");
    require(f != nullptr, "cannot create the input file");
    require(size == 0 || std::fwrite(data, 1, size, f) == size, "cannot write the input file");
    require(std::fclose(f) == 0, "cannot close the input file");
}

inline bool fileExists(const char* name) {
    return ::access(name, F_OK) == 0;
}

} // namespace sscm::fuzz
