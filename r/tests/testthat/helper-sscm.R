# Shared by the tests: the example data set, and sscm-cli's own tables to compare with.

example_file <- function() {
  system.file("extdata", "grazing.csv", package = "sscm", mustWork = TRUE)
}

example_obs <- function(...) {
  read.csv(example_file(), ...)
}

# sscm-cli, as built in the repository (scripts/test-r.sh sets SSCM_CLI); the comparisons are
# skipped where it is not built.
cli_path <- function() {
  cli <- Sys.getenv("SSCM_CLI")
  if (!nzchar(cli) || !file.exists(cli)) {
    skip("sscm-cli not found (set SSCM_CLI to its path)")
  }
  cli
}

# The spectrum.csv that sscm-cli writes for `file` and its options, read back with every number
# exact: R's own number reader may miss the last bit of a double.
cli_spectrum <- function(file, options) {
  cli <- cli_path()
  wd <- tempfile("cli-")
  dir.create(wd)
  on.exit(unlink(wd, recursive = TRUE))
  out <- file.path(wd, "spectrum.csv")
  old <- setwd(wd)
  on.exit(setwd(old), add = TRUE, after = FALSE)
  status <- system2(cli, c(shQuote(file), options, "--quiet", "--spectrum", shQuote(out)),
                    stdout = FALSE, stderr = FALSE)
  expect_identical(status, 0L)
  raw <- read.csv(out, colClasses = "character", encoding = "UTF-8", na.strings = character())
  exact <- function(x) .Call(sscm:::sscm_exact_doubles, x)
  # Every column as R holds it: names as text, counts and ranks as integers, the rest as doubles
  # (an empty field is NA).
  whole <- c("rank", "cases", "rows", "bt_rank", "group")
  out <- lapply(names(raw), function(n) {
    if (n == "species") raw[[n]] else if (n %in% whole) as.integer(raw[[n]]) else exact(raw[[n]])
  })
  names(out) <- names(raw)
  as.data.frame(out, stringsAsFactors = FALSE, optional = TRUE)
}

# The spectrum's columns without its class and attributes.
columns <- function(x) {
  as.list(as.data.frame(unclass(x)[names(x)], stringsAsFactors = FALSE))
}

# Two regions that share no species, and one stray site with two species of its own.
split_obs <- function() {
  data.frame(
    Site = c(rep(c("A1", "A2", "A3"), each = 3), rep(c("B1", "B2", "B3"), each = 4),
             "X1", "X1"),
    Species = c(rep(c("a1", "a2", "a3"), 3), rep(c("b1", "b2", "b3", "b4"), 3), "x1", "x2"),
    Pref = c(5, 3, 1, 4, 4, 2, 9, 1, 3, 1, 2, 3, 4, 8, 6, 4, 2, 0.5, 0.7, 0.6, 0.2, 3, 1),
    stringsAsFactors = FALSE
  )
}
