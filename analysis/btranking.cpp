#include "analysis/btranking.h"

#include "analysis/csv.h"
#include "analysis/rankorder.h"

namespace sscm {

namespace {

// Species names, at most `limit` of them, then how many more.
std::string nameList(const AnalysisResult& full, const std::vector<std::int32_t>& species,
                     std::size_t limit = 12) {
    std::string t;
    for (std::size_t i = 0; i < species.size() && i < limit; ++i)
        t += (i ? ", " : "") + full.spname[std::size_t(species[i])];
    if (species.size() > limit)
        t += " and " + std::to_string(species.size() - limit) + " more";
    return t;
}

std::string shortest(double v) {
    std::string t;
    appendShortest(t, v);
    return t;
}

} // namespace

Status btRanking(const AnalysisResult& full, BtRanking& out) {
    out = BtRanking{};
    if (full.curvec.empty() || full.curvec.size() != full.spname.size())
        return Status::failed("The model-based ranking needs a finished run.");
    if (Status st = fitBradleyTerry(std::int32_t(full.spname.size()), btPairs(full.pairs), out.fit);
        !st)
        return st;
    out.rank = ranks(out.fit.ability);
    // All abilities equal (every comparison a tie) or a single species: nothing to correlate.
    out.agreement = spearman(full.curvec, out.fit.ability, out.spearman).isOk() &&
                    kendallTauB(full.curvec, out.fit.ability, out.kendall).isOk();
    return rankShifts(full.curvec, out.fit.ability, out.shifted);
}

std::string btSummary(const AnalysisResult& full, const BtRanking& bt) {
    std::string t = "model: Bradley-Terry fit in " + std::to_string(bt.fit.steps) + " steps" +
                    (bt.fit.converged ? "" : " (not converged)") + "; ";
    if (bt.agreement)
        t += "agreement with the spectrum: Spearman " + fixedDecimals(bt.spearman, 4) +
             ", Kendall " + fixedDecimals(bt.kendall, 4) + "\n";
    else
        t += "no agreement computed (fewer than two species or all abilities equal)\n";
    const std::string limit = shortest(rankShiftLimit(full.spname.size()));
    if (bt.shifted.empty())
        t += "model: no species' rank differs by more than " + limit + "\n";
    else
        t += "model: " + std::to_string(bt.shifted.size()) + " species ranked more than " + limit +
             " places apart: " + nameList(full, bt.shifted) + "\n";
    if (!bt.fit.mleExists) {
        t += "model: some species won, or lost, every comparison with the species outside their "
             "group, so their abilities have no finite maximum-likelihood estimate; " +
             shortest(kBtPseudoWins) +
             " wins were added each way to every compared pair to keep them finite";
        if (!bt.fit.unboundedHigh.empty())
            t += "; never beaten from outside: " + nameList(full, bt.fit.unboundedHigh);
        if (!bt.fit.unboundedLow.empty())
            t += "; never beating outside: " + nameList(full, bt.fit.unboundedLow);
        t += "\n";
    }
    if (bt.warn())
        t += "warning: the spectrum and the model's ranking agree poorly (Spearman below " +
             shortest(kBtAgreementLimit) +
             "): the species were compared with different sets of species (for example regions), "
             "and the spectrum may misorder them; look at the model's ranking and at the groups "
             "of species that meet\n";
    return t;
}

} // namespace sscm
