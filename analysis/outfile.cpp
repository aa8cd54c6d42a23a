#include "analysis/outfile.h"

#include "data/compat.h"
#include "data/freshfile.h"

#include <cerrno>
#include <system_error>

namespace sscm {

OutFile::~OutFile() {
    (void)close();
}

Status OutFile::open(const std::string& path, bool background, const char* what) {
    (void)close();
    path_ = path;
    errno_ = 0;
    file_ = openFresh(path);
    if (file_ == nullptr)
        return Status::failed(std::string("Cannot open the ") + what + " \"" + path +
                              "\": " + std::strerror(errno));
    // Whole buffers are handed to the system as they are; the stream adds no copy of its own.
    std::setvbuf(file_, nullptr, _IONBF, 0);
    const int nbuf = background ? 2 : 1;
    for (int i = 0; i < nbuf; ++i) {
        if (!buf_[i])
            buf_[i] = compat::makeUniqueForOverwrite<char[]>(
                kBufferSize); // pages untouched until written
    }
    cur_ = 0;
    pos_ = buf_[0].get();
    lim_ = pos_ + kBufferSize;
    background_ = background;
    if (background_) {
        pending_ = false;
        stop_ = false;
        try {
            writer_ = std::thread([this] { writerLoop(); });
        } catch (const std::system_error&) {
            background_ = false; // no thread to be had: buffers are written as they fill
        }
    }
    return Status::ok();
}

void OutFile::writeNow(const char* data, std::size_t n) {
    if (n == 0 || failed())
        return;
    if (std::fwrite(data, 1, n, file_) != n) {
        const int err = errno != 0 ? errno : EIO;
        int none = 0;
        errno_.compare_exchange_strong(none, err);
    }
}

void OutFile::writerLoop() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        cv_.wait(lock, [this] { return pending_ || stop_; });
        if (pending_) {
            const char* data = pendingData_;
            const std::size_t n = pendingSize_;
            lock.unlock();
            writeNow(data, n);
            lock.lock();
            pending_ = false;
            cv_.notify_all();
        } else {
            return;
        }
    }
}

void OutFile::flushBuffer() {
    char* start = buf_[cur_].get();
    const std::size_t n = std::size_t(pos_ - start);
    if (!background_) {
        writeNow(start, n);
        pos_ = start;
        return;
    }
    {
        std::unique_lock<std::mutex> lock(mutex_);
        cv_.wait(lock, [this] { return !pending_; });
        pendingData_ = start;
        pendingSize_ = n;
        pending_ = n > 0;
    }
    cv_.notify_all();
    cur_ ^= 1;
    pos_ = buf_[cur_].get();
    lim_ = pos_ + kBufferSize;
}

void OutFile::writeThrough(std::string_view s) {
    if (background_) {
        std::unique_lock<std::mutex> lock(mutex_);
        cv_.wait(lock, [this] { return !pending_; });
    }
    writeNow(s.data(), s.size());
}

Status OutFile::close() {
    if (file_ == nullptr)
        return Status::ok();
    flushBuffer();
    if (background_) {
        {
            std::unique_lock<std::mutex> lock(mutex_);
            cv_.wait(lock, [this] { return !pending_; });
            stop_ = true;
        }
        cv_.notify_all();
        writer_.join();
        background_ = false;
    }
    if (std::fclose(file_) != 0 && !failed())
        errno_ = errno != 0 ? errno : EIO;
    file_ = nullptr;
    pos_ = lim_ = nullptr;
    if (const int err = errno_.load(); err != 0)
        return Status::writeFailed("Cannot write the file \"" + path_ +
                                   "\": " + std::strerror(err));
    return Status::ok();
}

} // namespace sscm
