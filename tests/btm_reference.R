# The abilities of sscm-cli --model bt against R's BradleyTerry2::BTm on the same pair counts
# (pairs.csv, a tie as half a win for each species), both centred to mean 0: they agree to 1e-6.
# Usage: Rscript btm_reference.R SSCM-CLI WORKDIR DATA.csv...; exits 77 (skipped) without
# BradleyTerry2.
if (!requireNamespace("BradleyTerry2", quietly = TRUE)) {
  message("BradleyTerry2 is not installed")
  quit(status = 77)
}
args <- commandArgs(trailingOnly = TRUE)
cli <- args[1]
work <- args[2]
worst <- 0
for (data in args[-(1:2)]) {
  out <- file.path(work, paste0("btm_", basename(tools::file_path_sans_ext(data))))
  status <- system2(cli, c(shQuote(data), "--case", "Site", "--species", "Species", "--pref",
                           "Pref", "--quiet", "--results", "/dev/null", "--log", "/dev/null",
                           "--model", "bt", "--out", shQuote(out)), stderr = FALSE)
  stopifnot(status == 0)
  pairs <- read.csv(file.path(out, "pairs.csv"), check.names = FALSE)
  spectrum <- read.csv(file.path(out, "spectrum.csv"), check.names = FALSE)
  model <- readLines(file.path(out, "run.json"))
  # Without a finite estimate the fit adds 0.5 wins each way to every pair: so does the reference.
  extra <- if (any(grepl('"estimate_exists": false', model, fixed = TRUE))) 0.5 else 0
  levels <- sort(unique(c(pairs$species_a, pairs$species_b)))
  pairs$species_a <- factor(pairs$species_a, levels = levels)
  pairs$species_b <- factor(pairs$species_b, levels = levels)
  pairs$win_a <- pairs$a_higher + pairs$ties / 2 + extra
  pairs$win_b <- pairs$b_higher + pairs$ties / 2 + extra
  # Half wins make non-integer binomial counts, which glm() warns about; the fit is the same.
  fit <- suppressWarnings(BradleyTerry2::BTm(
    cbind(win_a, win_b), species_a, species_b, data = pairs,
    control = glm.control(epsilon = 1e-14, maxit = 200)))
  ability <- BradleyTerry2::BTabilities(fit)[, "ability"]
  ability <- ability - mean(ability)
  ours <- setNames(spectrum$bt_ability, spectrum$species)[names(ability)]
  stopifnot(!anyNA(ours), length(ours) == nrow(spectrum))
  diff <- max(abs(ours - ability))
  cat(sprintf("%s: %d species, %d pairs, largest difference from BTm %.3g\n", basename(data),
              length(ability), nrow(pairs), diff))
  worst <- max(worst, diff)
}
if (worst > 1e-6) {
  message("The abilities differ from BTm's by more than 1e-6")
  quit(status = 1)
}
