# The seeded coverage simulation: how often the 95 % site-bootstrap intervals of the spectrum and
# of the Bradley-Terry fit hold the population value, and how well each recovers the species'
# true preferences. One population of species (true preferences from a fixed seed); samples of
# its sites at two sizes, analysed at two thresholds. The population value of a species is that
# of a sample of 20,000 sites restricted to the species the sample kept (values and ranks only
# compare within one set of species). A last cell samples two regions that share two species.
#
# Usage: Rscript bench/coverage.R SSCM-CLI SSCM-GEN WORKDIR [DATA SETS PER CELL] [REPLICATES]
# Prints a Markdown table.
args <- commandArgs(trailingOnly = TRUE)
cli <- args[1]
gen <- args[2]
work <- args[3]
sets <- if (length(args) >= 4) as.integer(args[4]) else 20L
replicates <- if (length(args) >= 5) as.integer(args[5]) else 200L
dir.create(work, showWarnings = FALSE, recursive = TRUE)
species <- 30
rows <- 8
population_seed <- 77

run <- function(cmd, args) {
  status <- system2(cmd, args, stdout = FALSE, stderr = FALSE)
  status == 0
}
generate <- function(file, cases, seed, extra = character()) {
  stopifnot(run(gen, c("--cases", cases, "--rows-per-case", rows, "--species", species,
                       "--population-seed", population_seed, "--seed", seed,
                       "--truth", file.path(work, "truth.csv"), "-o", file, extra)))
}
analyse <- function(data, out, options) {
  run(cli, c(data, "--case", "Site", "--species", "Species", "--pref", "Pref", "--quiet",
             "--results", "/dev/null", "--log", "/dev/null", "--model", "bt", "--spectrum", out,
             options))
}

population <- function(extra) {
  file <- file.path(work, paste0("population", length(extra), ".csv"))
  if (!file.exists(file)) generate(file, 20000, 999983, extra)
  read.csv(file, stringsAsFactors = FALSE, check.names = FALSE)
}

cell <- function(sites, threshold, extra = character(), label = "random") {
  pop <- population(extra)
  truth <- NULL
  hits <- list(value = c(), rank = c(), bt = c(), bt_rank = c())
  rho <- c(spectrum = 0, bt = 0)
  kept <- c()
  used <- 0
  for (k in seq_len(sets)) {
    data <- file.path(work, "sample.csv")
    generate(data, sites, 1000 * sites + 10 * threshold + k, extra)
    truth <- read.csv(file.path(work, "truth.csv"), stringsAsFactors = FALSE)
    spec_file <- file.path(work, "sample_spectrum.csv")
    if (!analyse(data, spec_file, c("--threshold", threshold, "--bootstrap", replicates,
                                    "--seed", k, "--threads", "2"))) next
    s <- read.csv(spec_file, stringsAsFactors = FALSE)
    sub <- file.path(work, "population_kept.csv")
    write.csv(pop[pop$Species %in% s$species, ], sub, row.names = FALSE, quote = FALSE)
    pop_file <- file.path(work, "population_spectrum.csv")
    if (!analyse(sub, pop_file, "--keep-rare")) next
    p <- read.csv(pop_file, stringsAsFactors = FALSE)
    p <- p[match(s$species, p$species), ]
    used <- used + 1
    kept <- c(kept, nrow(s))
    within <- function(lo, x, hi) lo <= x & x <= hi
    hits$value <- c(hits$value, within(s$value_lo, p$value, s$value_hi))
    hits$rank <- c(hits$rank, within(s$rank_lo, p$rank, s$rank_hi))
    hits$bt <- c(hits$bt, within(s$bt_lo, p$bt_ability, s$bt_hi))
    hits$bt_rank <- c(hits$bt_rank, within(s$bt_rank_lo, p$bt_rank, s$bt_rank_hi))
    true <- truth$truth[match(s$species, truth$species)]
    rho <- rho + c(cor(s$value, true, method = "spearman"),
                   cor(s$bt_ability, true, method = "spearman"))
  }
  data.frame(species_meet = label, sites = sites, threshold = threshold, data_sets = used,
             species_kept = round(mean(kept), 1), cover_value = mean(hits$value),
             cover_rank = mean(hits$rank), cover_bt = mean(hits$bt),
             cover_bt_rank = mean(hits$bt_rank), spearman_spectrum = rho[["spectrum"]] / used,
             spearman_bt = rho[["bt"]] / used)
}

out <- rbind(cell(100, 4), cell(100, 15), cell(400, 4), cell(400, 15),
             cell(400, 4, c("--regions", "2", "--shared", "2", "--noise", "0.05"),
                  "two regions"))
cat(sprintf("Seeded: population seed %d, %d species, %d rows per site, %d data sets per cell, %d bootstrap replicates, 95 %% percentile intervals.\n\n",
            population_seed, species, rows, sets, replicates))
cat("| species meet | sites | threshold | data sets | species kept | value covered | rank covered | BT ability covered | BT rank covered | Spearman spectrum~truth | Spearman BT~truth |\n")
cat("|---|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|\n")
for (i in seq_len(nrow(out))) {
  r <- out[i, ]
  cat(sprintf("| %s | %d | %d | %d | %.1f | %.3f | %.3f | %.3f | %.3f | %.3f | %.3f |\n",
              r$species_meet, r$sites, r$threshold, r$data_sets, r$species_kept, r$cover_value,
              r$cover_rank, r$cover_bt, r$cover_bt_rank, r$spearman_spectrum, r$spearman_bt))
}
