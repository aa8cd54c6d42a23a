#pragma once

#include <cstddef>
#include <functional>
#include <thread>
#include <vector>

namespace sscm {

/// The threads of one piece of work split into parts; every thread started is joined before
/// the object goes, so no thread outlives the data it works on.
class PartThreads {
public:
    PartThreads() = default;
    PartThreads(const PartThreads&) = delete;
    PartThreads& operator=(const PartThreads&) = delete;
    ~PartThreads() { join(); }

    /// Runs work(part) for each part in [first, last) on a thread of its own. The parts whose
    /// thread the system cannot give (std::system_error) are returned in order, for the calling
    /// thread to run. `work` is taken by reference: it must stay until join().
    std::vector<unsigned> start(unsigned first, unsigned last,
                                const std::function<void(unsigned)>& work);
    /// Threads started and not yet joined.
    std::size_t running() const { return threads_.size(); }
    /// Waits for every thread started.
    void join();

private:
    std::vector<std::thread> threads_;
};

/// Runs work(part, calling) for every part in [0, parts): part 0 and each part that gets no
/// thread of its own on the calling thread (calling = true, in part order, after the others
/// are started), the rest on threads of their own. Returns when every part has ended.
void runParts(unsigned parts, const std::function<void(unsigned part, bool calling)>& work);

} // namespace sscm
