#include "analysis/parallel.h"

#include <system_error>

namespace sscm {

std::vector<unsigned> PartThreads::start(unsigned first, unsigned last,
                                         const std::function<void(unsigned)>& work) {
    std::vector<unsigned> left;
    if (last <= first)
        return left;
    // Reserved before any thread runs: a failed allocation afterwards would leave threads
    // working on data their caller is about to drop.
    threads_.reserve(threads_.size() + (last - first));
    left.reserve(last - first);
    for (unsigned part = first; part < last; ++part) {
        try {
            threads_.emplace_back([&work, part] { work(part); });
        } catch (const std::system_error&) {
            left.push_back(part); // the system has no more threads to give
        }
    }
    return left;
}

void PartThreads::join() {
    for (auto& t : threads_)
        t.join();
    threads_.clear();
}

void runParts(unsigned parts, const std::function<void(unsigned part, bool calling)>& work) {
    const std::function<void(unsigned)> onThread = [&work](unsigned part) { work(part, false); };
    if (parts == 0)
        return;
    PartThreads threads;
    const std::vector<unsigned> own = threads.start(1, parts, onThread);
    work(0, true);
    for (const unsigned part : own)
        work(part, true);
    threads.join();
}

} // namespace sscm
