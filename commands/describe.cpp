#include "commands/describe.h"

#include "analysis/csv.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace sscm {

namespace {

// "1 case", "12 cases".
std::string count(std::size_t n, const char* one, const char* many) {
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

// A level as a percentage, to a tenth at most: 0.95 is "95", 0.975 "97.5".
std::string percent(double level) {
    const long long tenths = std::llround(level * 1000);
    return std::to_string(tenths / 10) +
           (tenths % 10 != 0 ? "." + std::to_string(tenths % 10) : "");
}

std::string quoted(const std::string& name) {
    return "\"" + name + "\"";
}

} // namespace

std::string citationText() {
    return std::string(kCitationAuthors) + " (" + std::string(kReleaseDate, 4) + "). " +
           kCitationTitle + ". Version " SSCM_VERSION ".";
}

std::string methodsParagraph(const RunOutcome& run) {
    if (!run.status.isOk() || run.settings == nullptr || run.result == nullptr ||
        run.result->curvec.empty())
        return {};
    const AnalysisSettings& s = *run.settings;
    const AnalysisResult& r = *run.result;

    std::string p = "Palatability was ranked with sscm " SSCM_VERSION " (" +
                    std::string(kCitationAuthors) + ", " + std::string(kReleaseDate, 4) + "). ";
    p += "The case (site) was taken from the variable " + quoted(s.casevar) +
         ", the plant species from " + quoted(s.spvar) +
         " and the local preference intensity from " + quoted(s.prefvar) + "; ";
    p += r.lowerIsPreferred ? "a lower intensity was read as a stronger preference (ranks, 1 = "
                              "eaten first), so every comparison was reversed. "
                            : "a higher intensity was read as a stronger preference. ";

    const std::size_t left = r.leftOut.size();
    const std::size_t used = std::size_t(r.objn) - left;
    const std::string held = count(r.casename.size(), "case", "cases") + " and held " +
                             count(r.allSpecies.size(), "species", "species") + ". ";
    if (left > 0)
        p += "Of " + count(std::size_t(r.objn), "data row", "data rows") + ", " +
             std::to_string(left) + (left == 1 ? " was" : " were") +
             " left out for a missing case, species or intensity; the " + std::to_string(used) +
             " used came from " + held;
    else
        p += (r.objn == 1 ? "The 1 data row came from "
                          : "The " + std::to_string(r.objn) + " data rows came from ") +
             held;
    const std::size_t ranked = r.spname.size();
    const std::string rare = s.lowlimit + (s.lowlimit == "1" ? " case" : " cases") + " or fewer";
    if (!s.removelow)
        p += "All " + std::to_string(ranked) + " species were kept and ranked. ";
    else if (r.removed.empty())
        p += "No species was found in " + rare + ", so all " + std::to_string(ranked) +
             " were ranked. ";
    else
        p += "The " + count(r.removed.size(), "species", "species") + " found in " + rare + " " +
             (r.removed.size() == 1 ? "was" : "were") + " removed, and the remaining " +
             std::to_string(ranked) + " were ranked. ";

    p += "Within each case, every pair of rows was compared by the order of their intensities "
         "only, so that each case could use its own scale, and coded 3, 2 or 1 as the first "
         "row's intensity was higher than, equal to or lower than the second's. For each pair of "
         "species the codes were averaged over all their comparisons: the mean comparison code "
         "corrects for how often two species occur together. The palatability spectrum is the "
         "principal eigenvector of the species-by-species matrix of mean codes, found by power "
         "iteration over the pairs of species that were compared (" +
         count(std::size_t(r.steps), "step", "steps") + ").";

    if (run.intervals != nullptr) {
        const BootstrapResult& b = *run.intervals;
        const std::int32_t drawn = b.settings.replicates;
        p += " Its uncertainty was estimated by a site bootstrap: " +
             count(std::size_t(drawn), "resample", "resamples") + " of the " +
             count(r.casename.size(), "case", "cases") + " were drawn with replacement (seed " +
             std::to_string(b.settings.seed) + "); ";
        if (b.split == 0)
            p += drawn == 1 ? "it was used. " : "all were used. ";
        else
            p += std::to_string(b.used) + (b.used == 1 ? " was" : " were") + " used and " +
                 std::to_string(b.split) +
                 " discarded because their species no longer formed one connected network of "
                 "comparisons. ";
        p += "The " + percent(b.settings.level) + " % percentile intervals of each species' " +
             (b.settings.model && run.model != nullptr ? "value, rank and Bradley-Terry ability"
                                                       : "value and rank") +
             " come from the resamples used.";
    }

    if (run.model != nullptr) {
        const BtRanking& m = *run.model;
        p += " As a check, a Bradley-Terry model was fitted to the same comparisons, a tie counted "
             "as half a win for each species";
        if (!m.fit.mleExists) {
            p += "; as some species were never beaten by, or never beat, a species outside their "
                 "group, its maximum-likelihood estimate did not exist, and ";
            appendShortest(p, kBtPseudoWins);
            p += " pseudo-wins were added each way to every compared pair";
        }
        if (m.agreement) {
            p += "; its ranking agreed with the spectrum with Spearman's rho = " +
                 fixedDecimals(m.spearman, 2) +
                 " and Kendall's tau-b = " + fixedDecimals(m.kendall, 2);
            if (m.warn())
                p += ", below " + fixedDecimals(kBtAgreementLimit, 2) +
                     ", so species compared with different sets of species may be misordered by "
                     "the spectrum";
        }
        p += ".";
    }
    return p;
}

} // namespace sscm
