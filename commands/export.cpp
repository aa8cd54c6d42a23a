#include "commands/export.h"

#include "analysis/csvtables.h"
#include "commands/describe.h"
#include "data/freshfile.h"
#include "data/pathtext.h"
#include "data/textencoding.h"

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <system_error>

namespace sscm {

namespace {

namespace fs = std::filesystem;
// Keys in the order they are set: the record reads from top to bottom.
using json = nlohmann::ordered_json;

// Writes `bytes` as dir/name, whole, and notes the name in the report.
Status writeInFolder(PendingFiles& pending, const fs::path& dir, const std::string& name,
                     const std::string& bytes, FolderReport& report) {
    if (Status st = pending.write(textOf(dir / pathOf(name)), bytes, "table", false); !st)
        return st;
    report.files.push_back(name);
    return Status::ok();
}

// A text for JSON: JSON wants UTF-8, and names keep the bytes of their data file. Latin-1 turns
// into UTF-8 exactly; bytes that are not UTF-8 otherwise (CP932) become U+FFFD in run.json only.
// Texts from elsewhere (paths, the command line, messages) are taken as UTF-8 when they are.
std::string jsonText(std::string_view text, TextEncoding names) {
    if (isValidUtf8(text))
        return std::string(text);
    if (names == TextEncoding::Latin1)
        return latin1ToUtf8(text);
    return std::string(text);
}

// A variable name of the table, in the table's own encoding: a Latin-1 table's names turn into
// UTF-8 byte by byte even where their bytes happen to be valid UTF-8, as the window shows them.
std::string jsonName(std::string_view name, TextEncoding names) {
    return names == TextEncoding::Latin1 ? latin1ToUtf8(name) : std::string(name);
}

const char* outcomeName(Status::Code c) {
    switch (c) {
    case Status::Code::Ok:
        return "finished";
    case Status::Code::SplitNetwork:
        return "split network";
    case Status::Code::Cancelled:
        return "cancelled";
    case Status::Code::Failed:
        break;
    }
    return "failed";
}

Status refuseFolderOverData(const fs::path& folder, const std::string& dataFile) {
    for (const char* name : kFolderFiles)
        if (Status st = refuseDataFile(textOf(folder / name), dataFile, "table"); !st)
            return st;
    return Status::ok();
}

json runJson(const RunOutcome& run, const RunRecord& record, const FolderReport& report,
             const std::vector<GroupSpectrum>& spectra, const SpeciesGroups* groups) {
    // Without a table (a run that failed before its tables) no name decides anything: UTF-8.
    const TextEncoding enc = run.table != nullptr ? run.table->encoding : TextEncoding::Utf8;
    json j;
    j["program"] = {{"name", "sscm"}, {"version", SSCM_VERSION}};
    json cmd = json::array();
    for (const auto& a : record.commandLine)
        cmd.push_back(jsonText(a, enc));
    j["command_line"] = record.commandLine.empty() ? json(nullptr) : cmd;

    json data;
    data["name"] = jsonText(record.dataFile, enc);
    std::error_code ec;
    const auto size = record.dataFile.empty() ? 0 : fs::file_size(pathOf(record.dataFile), ec);
    data["size"] = record.dataFile.empty() || ec ? json(nullptr) : json(std::uint64_t(size));
    data["sha256"] = record.dataSha256.empty() ? json(nullptr) : json(record.dataSha256);
    j["data_file"] = data;
    j["name_encoding"] = encodingName(enc);

    if (run.settings != nullptr) {
        const AnalysisSettings& s = *run.settings;
        j["settings"] = {{"case", jsonName(s.casevar, enc)},
                         {"species", jsonName(s.spvar, enc)},
                         {"intensity", jsonName(s.prefvar, enc)},
                         {"remove_low_occurrence", s.removelow},
                         {"threshold", s.removelow ? json(jsonText(s.lowlimit, enc)) : json()},
                         {"higher_intensity_preferred", !s.lowerIsPreferred},
                         {"per_group", run.perGroup}};
    }
    j["outcome"] = outcomeName(run.status.code);
    j["message"] = run.status.isOk() ? json(nullptr) : json(jsonText(run.status.message, enc));

    if (run.result != nullptr && !run.result->casename.empty()) {
        const AnalysisResult& r = *run.result;
        // The first ten rows left out, by their file line (null for a table of no file) and
        // data row.
        json leftOut = json::array();
        for (std::size_t k = 0; k < r.leftOut.size() && k < 10; ++k) {
            const std::int32_t row = r.leftOut[k];
            const bool lines = run.table != nullptr && !run.table->line.empty();
            leftOut.push_back(
                {{"line", lines ? json(run.table->line[std::size_t(row - 1)]) : json()},
                 {"data_row", row}});
        }
        j["rows_left_out"] = {{"count", r.leftOut.size()}, {"first", leftOut}};
        j["counts"] = {{"rows", r.objn},
                       {"cases", r.casename.size()},
                       {"species_found", r.allSpecies.size()},
                       {"species_removed", r.removed.size()},
                       {"species_kept", r.spname.size()}};
        const bool finished = run.status.isOk();
        j["iteration"] = finished ? json{{"steps", r.steps}, {"final_change", r.change}} : json();
        j["fill_value"] = r.pairs.col.empty() ? json() : json(r.fill);
        // Connect steps are known for every species of a finished run only.
        j["largest_connect_step"] =
            finished && !r.connstep.empty()
                ? json(*std::max_element(r.connstep.begin(), r.connstep.end()))
                : json();
    }
    if (groups != nullptr) {
        json list = json::array();
        for (std::size_t g = 0; g < groups->species.size(); ++g) {
            json item = {{"group", g + 1},
                         {"species", groups->species[g].size()},
                         {"cases", groups->cases[g].size()}};
            for (const GroupSpectrum& gs : spectra) {
                if (std::size_t(gs.group) == g) {
                    item["steps"] = gs.steps;
                    item["final_change"] = gs.change;
                }
            }
            list.push_back(item);
        }
        j["groups"] = {
            {"count", groups->species.size()}, {"ranked", spectra.size()}, {"list", list}};
    }
    if (run.intervals != nullptr) {
        const BootstrapResult& b = *run.intervals;
        j["bootstrap"] = {{"replicates", b.settings.replicates},
                          {"seed", b.settings.seed},
                          {"level", b.settings.level},
                          {"threads", b.settings.threads},
                          {"used", b.used},
                          {"skipped_split", b.split},
                          {"model_intervals", b.settings.model},
                          {"dominance", b.settings.dominance},
                          {"generator", "one per replicate, seeded from (seed, replicate)"}};
    } else {
        j["bootstrap"] = nullptr;
    }
    if (run.model != nullptr && run.result != nullptr) {
        const BtRanking& m = *run.model;
        auto names = [&](const std::vector<std::int32_t>& list) {
            json a = json::array();
            for (const auto s : list)
                a.push_back(jsonName(run.result->spname[std::size_t(s)], enc));
            return a;
        };
        j["model"] = {{"name", kBtModelName},
                      {"tie_rule", kBtTieRule},
                      {"iterations", m.fit.steps},
                      {"converged", m.fit.converged},
                      {"estimate_exists", m.fit.mleExists},
                      {"pseudo_wins", m.fit.mleExists ? json() : json(kBtPseudoWins)},
                      {"never_beaten_from_outside", names(m.fit.unboundedHigh)},
                      {"never_beating_outside", names(m.fit.unboundedLow)},
                      {"spearman", m.agreement ? json(m.spearman) : json()},
                      {"kendall", m.agreement ? json(m.kendall) : json()},
                      {"rank_shift_limit", rankShiftLimit(run.result->spname.size())},
                      {"species_rank_shifted", names(m.shifted)},
                      {"warning", m.warn()}};
    } else {
        j["model"] = nullptr;
    }
    const std::string methods = methodsParagraph(run);
    j["methods_paragraph"] = methods.empty() ? json() : json(jsonText(methods, enc));
    json times = json::object();
    for (const auto& [stage, seconds] : record.stageSeconds)
        times[stage] = seconds;
    j["stage_seconds"] = times;
    json files = json::array();
    for (const auto& f : report.files)
        files.push_back(f);
    files.push_back(kRunJson);
    j["files"] = files;
    j["result_file"] = record.resultFile.empty() ? json() : json(jsonText(record.resultFile, enc));
    j["log_file"] = record.logFile.empty() ? json() : json(jsonText(record.logFile, enc));
    return j;
}

} // namespace

Status writeResultsFolder(const std::string& dir, const RunOutcome& run, const RunRecord& record,
                          FolderReport* reportOut, PendingFiles* pendingOut) {
    const auto t0 = std::chrono::steady_clock::now();
    PendingFiles own;
    PendingFiles& pending = pendingOut != nullptr ? *pendingOut : own;
    FolderReport report;
    const fs::path folder = pathOf(dir.empty() ? std::string(".") : dir);
    std::error_code ec;
    fs::create_directories(folder, ec);
    if (ec || !fs::is_directory(folder, ec))
        return Status::failed("Cannot create the folder \"" + textOf(folder) + "\"" +
                              (ec ? ": " + ec.message() : std::string()) + ".");

    // Every name of the folder is written or removed: none may be the data file.
    if (Status st = refuseFolderOverData(folder, record.dataFile); !st)
        return st;

    const bool finished = run.status.isOk();
    const bool split = run.status.code == Status::Code::SplitNetwork;
    const bool tables = (finished || split) && run.table != nullptr && run.result != nullptr;
    std::vector<GroupSpectrum> spectra;
    SpeciesGroups groups;
    bool haveGroups = false;
    if (tables) {
        const AnalysisResult& r = *run.result;
        if (split || run.perGroup) {
            if (Status st = speciesGroups(*run.table, r, groups); !st)
                return st;
            haveGroups = true;
            report.groups = std::int32_t(groups.species.size());
        }
        if (finished && !run.perGroup) {
            if (Status st = writeInFolder(pending, folder, kSpectrumCsv,
                                          spectrumTable(r, run.intervals, run.model), report);
                !st)
                return st;
        } else if (finished) {
            // A connected network is one group: the whole run's spectrum, group 1 throughout.
            const std::string t = spectrumTable(r, run.intervals, 1, run.model);
            report.groupsRanked = 1;
            if (Status st = writeInFolder(pending, folder, kSpectrumCsv, t, report); !st)
                return st;
        } else if (run.perGroup) {
            if (Status st = rankGroups(r, groups, spectra); !st)
                return st;
            report.groupsRanked = std::int32_t(spectra.size());
            if (Status st = writeInFolder(pending, folder, kSpectrumCsv,
                                          groupSpectrumTable(r, groups, spectra), report);
                !st)
                return st;
        }
        std::vector<PairCounts> pairs;
        if (Status st = pairCounts(*run.table, r, pairs); !st)
            return st;
        if (Status st = writeInFolder(pending, folder, kPairsCsv, pairsTable(r, pairs), report);
            !st)
            return st;
        if (Status st = writeInFolder(pending, folder, kMatrixCsv, matrixTable(r), report); !st)
            return st;
        std::vector<CaseCounts> cases;
        if (Status st = caseCounts(*run.table, r, cases); !st)
            return st;
        if (Status st = writeInFolder(pending, folder, kCasesCsv, casesTable(r, cases), report);
            !st)
            return st;
        if (split) {
            if (Status st =
                    writeInFolder(pending, folder, kGroupsCsv, groupsTable(r, groups), report);
                !st)
                return st;
        }
        if (finished && run.intervals != nullptr && run.intervals->settings.dominance) {
            if (Status st = writeInFolder(pending, folder, kDominanceCsv,
                                          dominanceTable(r, *run.intervals), report);
                !st)
                return st;
        }
    }
    // The tables' own time goes into the record that follows them.
    RunRecord timed = record;
    timed.stageSeconds.emplace_back(
        "results folder",
        std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
    const json j = runJson(run, timed, report, spectra, haveGroups ? &groups : nullptr);
    if (Status st = writeInFolder(
            pending, folder, kRunJson,
            j.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) + "\n", report);
        !st)
        return st;
    // The tables of an earlier run that this one does not write go when these are in place.
    for (const char* name : kFolderFiles) {
        const fs::path path = folder / name;
        const bool written =
            std::find(report.files.begin(), report.files.end(), name) != report.files.end();
        if (!written && fs::symlink_status(path, ec).type() != fs::file_type::not_found)
            pending.removeOnPublish(textOf(path));
    }
    if (Status st = pendingOut == nullptr ? own.publish() : Status::ok(); !st)
        return st;
    if (reportOut != nullptr)
        *reportOut = std::move(report);
    return Status::ok();
}

RunOutcome lastRun(const Session& s) {
    RunOutcome run;
    if (!s.lastResult || !s.lastTable) {
        run.status = Status::failed("There is no run yet. Run GO first.");
        return run;
    }
    run.table = s.lastTable.get();
    run.settings = &s.lastSettings;
    run.result = s.lastResult.get();
    run.intervals = s.lastIntervals.get();
    if (run.intervals != nullptr && !run.intervals->valueLo.empty() &&
        run.intervals->valueLo.size() != run.result->spname.size())
        run.intervals = nullptr; // drawn for another run
    run.model = s.lastModel.get();
    if (run.model != nullptr && run.model->rank.size() != run.result->spname.size())
        run.model = nullptr; // fitted to another run
    // GO also keeps a split network's result, up to its compared pairs: its folder has the groups.
    if (run.result->curvec.size() != run.result->spname.size() || run.result->spname.empty()) {
        run.status = splitNetworkStatus(*run.table, *run.result);
        run.intervals = nullptr;
        run.model = nullptr;
    }
    return run;
}

Status exportTables(const Session& s, const std::string& dir, const RunRecord& record) {
    if (!s.lastResult || !s.lastTable)
        return Status::failed("There is no run to export. Run GO first.");
    RunRecord rec = record;
    if (rec.dataFile.empty())
        rec.dataFile = s.lastDataFile;
    // The file read since the run is data too.
    if (Status st = refuseFolderOverData(pathOf(dir), s.dataFile); !st)
        return st;
    return writeResultsFolder(dir, lastRun(s), rec);
}

} // namespace sscm
