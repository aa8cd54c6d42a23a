#pragma once

#include "data/datatable.h"
#include "data/status.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace sscm {

/// What one analysis needs besides the data table.
struct AnalysisSettings {
    /// Names of the case (site), plant species and local preference intensity variables, matched
    /// exactly against the table's variable names (the last of equal names wins).
    std::string casevar;
    std::string spvar;
    std::string prefvar;
    /// Whether species found in no more cases than the threshold are removed.
    bool removelow = true;
    /// The occurrence threshold as typed ("4", "4.5"); read only when removelow is on.
    std::string lowlimit = "4";
};

/// The stages of a run, in order, as an observer hears of them.
enum class RunStage {
    Records,      ///< once per comparison record (ordered pair of rows within a case)
    Connectivity, ///< once per step of a species' search; counter = start species, from 1
    Iteration,    ///< every 100th step of the eigenvector iteration; counter = step / 100
};

/// Follows a run while it works and may stop it. Every method has a default that does nothing,
/// so an observer overrides only what it shows. The run calls proceed() before each unit of work
/// (a record, a removal step, a connectivity step, an iteration step) and progress() right after
/// it when the unit has something to show. Both are called from the thread that runs the
/// analysis, millions of times on large data: keep them cheap.
class RunObserver {
public:
    virtual ~RunObserver() = default;
    /// False stops the run at once; it then returns Status::Code::Cancelled.
    virtual bool proceed() { return true; }
    /// `counter` as described by the stage; `change` is the iteration's previous mean absolute
    /// change (Iteration only).
    virtual void progress(RunStage stage, std::int64_t counter, double change) {
        (void)stage;
        (void)counter;
        (void)change;
    }
};

/// The compared pairs of the kept species, row by row: for species i the species j it was
/// compared with (compn(i, j) > 0, i itself included) in ascending j.
struct PairTable {
    std::int32_t n = 0;
    /// Entries of row i: [start[i], start[i+1]).
    std::vector<std::int64_t> start;
    std::vector<std::int32_t> col;
    /// Number of comparisons (ordered pairs of rows within cases) of i against j.
    std::vector<double> count;
    /// Mean comparison code of i against j: 3 when i's intensity was always the higher, 1 when
    /// always the lower, 2 when even.
    std::vector<double> mean;
};

/// Everything one analysis finds. Names are copies, so a result outlives its table.
struct AnalysisResult {
    /// Columns of the three roles in the table (1-based).
    std::int32_t casecol = 0;
    std::int32_t spcol = 0;
    std::int32_t prefcol = 0;

    /// Data rows and the distinct cases in order of first appearance, with their row counts.
    std::int32_t objn = 0;
    std::vector<std::string> casename;
    std::vector<std::int32_t> casefreq;

    /// Every distinct species in order of first appearance, with rows and occurrence (cases).
    std::vector<std::string> allSpecies;
    std::vector<std::int32_t> allSpfreq;
    std::vector<std::int32_t> allSpocc;

    /// The species kept after the low-occurrence removal, in their order; `kept[k]` is the
    /// index in allSpecies of kept species k.
    std::vector<std::string> spname;
    std::vector<std::int32_t> spfreq;
    std::vector<std::int32_t> spocc;
    std::vector<std::int32_t> kept;
    /// The removed species (indices into allSpecies, ascending), empty when removal is off.
    std::vector<std::int32_t> removed;

    /// Minimum connect steps of each kept species. A split network stops the run at the first
    /// species that cannot reach every other one: connstep then ends with its steps (1000 or
    /// more).
    std::vector<std::int32_t> connstep;

    /// Compared pairs of the kept species with their counts and mean codes.
    PairTable pairs;
    /// Mean of all mean codes: the value the log's matrix shows for pairs never compared.
    double fill = 0;

    /// Palatability values (unit length, kept-species order), the last iterate before the
    /// final normalisation, the number of iteration steps taken and the last mean change.
    std::vector<double> curvec;
    std::vector<double> nextvec;
    std::int32_t steps = 0;
    double change = 0;
};

/// One whole analysis on `table` with `settings`: case and species tables, comparisons pooled
/// in memory (no record file), optional removal, connectivity, mean matrix and eigenvector. Needs
/// no window and keeps no state between calls, so calls on different tables may run at the same
/// time on different threads. A failure says why; a split network is Status::Code::SplitNetwork
/// with `result` filled up to the connectivity stage (species, pairs, connstep before the first
/// failing species). `observer` may be null.
Status analyze(const DataTable& table, const AnalysisSettings& settings, AnalysisResult& result,
               RunObserver* observer = nullptr);

/// The message of a run that ran out of memory: the comparison matrices grow with the square of
/// the number of species.
inline constexpr const char* kOutOfMemory =
    "There is not enough memory to complete the analysis. The comparison matrices grow with the "
    "square of the number of species: check that the plant species variable is right.";

} // namespace sscm
