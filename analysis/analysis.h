#pragma once

#include "data/datatable.h"
#include "data/progress.h"
#include "data/status.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
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
    /// Which way the intensity is read: a higher intensity means more preferred, unless this is
    /// set (rank data, 1 = eaten first): then the comparison codes are reversed.
    bool lowerIsPreferred = false;
};

/// The compared pairs of the kept species, row by row: for species i the species j it was
/// compared with (compn(i, j) > 0, i itself included) in ascending j. Most pairs of a large
/// species list never meet in a case, so connectivity and the iteration work on these lists
/// instead of the full matrix.
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
    /// The data rows (1-based, ascending) left out of the run because their case, species or
    /// intensity is missing (an empty cell, or the intensity NA).
    std::vector<std::int32_t> leftOut;
    /// Whether the intensities were read lower-is-preferred (AnalysisSettings).
    bool lowerIsPreferred = false;
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
    /// species that cannot reach every other one: connstep then ends with its steps
    /// (kMaxConnectSteps or more).
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

/// Where a listing's lines go, one call per line, in order.
using LineSink = std::function<void(std::string_view)>;

struct CaseSpeciesTables;
struct RoleColumns;
class OutFile;

namespace analysis {

/// Hears what each stage of a run found, at the stage's end, and follows the run through
/// Progress. Every hook has a default that does nothing (or keeps the settings), so a caller that
/// only wants the result passes none. A hook that returns a failure stops the run with it.
class Hooks : public Progress {
public:
    /// The three roles' columns are found; nothing else is done yet.
    virtual Status rolesFound(const RoleColumns& roles) {
        (void)roles;
        return Status::ok();
    }
    /// The case and species tables of every data row.
    virtual void tablesFound(const CaseSpeciesTables& tables) { (void)tables; }
    /// Before the comparisons are pooled: a file that is to receive every comparison record, or
    /// null for none (the default).
    virtual Status recordFile(OutFile*& records) {
        records = nullptr;
        return Status::ok();
    }
    /// Every comparison is pooled (and written to the record file, when there is one).
    virtual Status recordsDone() { return Status::ok(); }
    /// The occurrence threshold text for the next species of the removal pass; asked once per
    /// species, so a threshold that changes while the pass runs is followed.
    virtual std::string threshold(const AnalysisSettings& settings) { return settings.lowlimit; }
    /// The removal pass ended: the removed species (indices into `spname`, every species of the
    /// tables), whether the pass went through every species, and the numbers of all and of the
    /// kept species. Heard even when the pass failed, before the run stops.
    virtual void removalDone(const std::vector<std::string_view>& spname,
                             const std::vector<std::int32_t>& removed, bool complete,
                             std::int32_t total, std::int32_t used) {
        (void)spname;
        (void)removed;
        (void)complete;
        (void)total;
        (void)used;
    }
    /// The kept species' matrices are built; the connectivity search starts.
    virtual void connectStarting() {}
    /// The connectivity search ended (`cancelled` when stopped): the kept species, their steps
    /// (up to the first species of a split network) and the species reached from the last one
    /// searched (1 or 0).
    virtual void connectDone(const std::vector<std::string_view>& spname,
                             const std::vector<std::int32_t>& connstep,
                             const std::vector<double>& reached, bool cancelled) {
        (void)spname;
        (void)connstep;
        (void)reached;
        (void)cancelled;
    }
    /// A linked network's mean codes: the compared pairs and the value of every pair never
    /// compared. Not heard for a split network.
    virtual void meansFound(const std::vector<std::string_view>& spname, const PairTable& pairs,
                            double fill) {
        (void)spname;
        (void)pairs;
        (void)fill;
    }
};

/// One whole analysis on `table` with `settings`, the one sequence of stages that every front
/// end runs: roles, case and species tables, comparisons pooled in memory (and written to the
/// hooks' record file, if any), optional removal, connectivity, mean codes and eigenvector.
/// Keeps no state between calls, so calls on different tables may run at the same time on
/// different threads. A failure says why; running out of memory is kOutOfMemory. A split network
/// is Status::Code::SplitNetwork with `result` filled up to the mean codes (species, pairs,
/// fill, connstep up to the first failing species) and no values. `hooks` may be null.
Status run(const DataTable& table, const AnalysisSettings& settings, Hooks* hooks,
           AnalysisResult& result);

} // namespace analysis

/// The message of a run that ran out of memory: the comparison matrices grow with the square of
/// the number of species.
inline constexpr const char* kOutOfMemory =
    "There is not enough memory to complete the analysis. The comparison matrices grow with the "
    "square of the number of species: check that the plant species variable is right.";

} // namespace sscm
