#pragma once

#include <cstdint>

namespace sscm {

/// The pieces of work that report how far they are.
enum class Stage {
    Read,         ///< Read: counter = per cent of the data file copied or sized (total 100)
    Tables,       ///< case and species tables: counter = data rows tabulated (total objn)
    Records,      ///< once per comparison record (ordered pair of rows within a case)
    Removal,      ///< low-occurrence removal: counter = species decided (total spn)
    Connectivity, ///< once per step of a species' search; counter = start species, from 1
    Iteration,    ///< every 100th step of the eigenvector iteration; counter = step / 100
    Bootstrap,    ///< replicates: counter = replicates finished, total = replicates asked for
};

/// Follows long work and may stop it: Read, an analysis run and a bootstrap all take one. Every
/// method has a default that does nothing, so a follower overrides only what it shows. The work
/// calls proceed() before each unit (a block read, a record, an iteration step, a batch of
/// replicates) and progress() when the unit has something to show. Both come from the thread
/// that drives the work, millions of times on large data: keep them cheap.
class Progress {
public:
    virtual ~Progress() = default;
    /// False stops the work at its next unit; it then returns Status::Code::Cancelled.
    virtual bool proceed() { return true; }
    /// `counter` and `total` as the stage says (total 0 when open-ended); `change` is the
    /// iteration's previous mean absolute change (Iteration only).
    virtual void progress(Stage stage, std::int64_t counter, std::int64_t total, double change) {
        (void)stage;
        (void)counter;
        (void)total;
        (void)change;
    }
};

} // namespace sscm
