#pragma once

#include "data/status.h"

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

namespace sscm {

/// A text file written through one large reused buffer. With a background writer the full buffer
/// is handed to a second thread and filled again from a second buffer while the first is written,
/// so formatting and writing overlap; the bytes reach the file in the same order either way.
class OutFile {
public:
    /// Size of one buffer: large enough that the system sees few, big writes.
    static constexpr std::size_t kBufferSize = std::size_t{8} << 20;

    OutFile() = default;
    ~OutFile();
    OutFile(const OutFile&) = delete;
    OutFile& operator=(const OutFile&) = delete;

    /// Creates the file anew: an existing file or link of that name is removed first and never
    /// written through; a device or FIFO is written in place. A failure names the file (as
    /// `what`, "log file" say, and its path) and the system's reason.
    Status open(const std::string& path, bool background = false, const char* what = "file");
    bool isOpen() const { return file_ != nullptr; }
    const std::string& path() const { return path_; }

    /// Makes room for `n` more bytes and returns where they go; the caller writes at most `n`
    /// bytes and hands the new end to advance(). `n` must not exceed kBufferSize.
    char* claim(std::size_t n) {
        if (std::size_t(lim_ - pos_) < n)
            flushBuffer();
        return pos_;
    }
    void advance(char* newPos) { pos_ = newPos; }

    void put(std::string_view s) {
        if (std::size_t(lim_ - pos_) < s.size()) {
            flushBuffer();
            if (s.size() > kBufferSize) {
                writeThrough(s);
                return;
            }
        }
        std::memcpy(pos_, s.data(), s.size());
        pos_ += s.size();
    }
    void putLine(std::string_view s) {
        put(s);
        put("\r\n");
    }

    /// True from the first write that failed (a full disk, a file-size limit), whichever thread
    /// made it; every later write is skipped. Cheap enough to ask once per case.
    bool failed() const { return errno_.load(std::memory_order_relaxed) != 0; }

    /// Writes what is buffered and closes the file; a write failure is reported here, naming the
    /// file and the system's reason. Closing a file that is not open does nothing.
    Status close();

private:
    void flushBuffer();
    void writeThrough(std::string_view s);
    void writeNow(const char* data, std::size_t n);
    void writerLoop();

    std::FILE* file_ = nullptr;
    std::string path_;
    std::unique_ptr<char[]> buf_[2];
    int cur_ = 0;
    char* pos_ = nullptr;
    char* lim_ = nullptr;
    std::atomic<int> errno_{0}; // first write error, set by either thread

    // Background writer: one pending buffer at a time.
    bool background_ = false;
    std::thread writer_;
    std::mutex mutex_;
    std::condition_variable cv_;
    const char* pendingData_ = nullptr;
    std::size_t pendingSize_ = 0;
    bool pending_ = false;
    bool stop_ = false;
};

} // namespace sscm
