test_that("an interrupt stops a long bootstrap within a second and the session goes on", {
  skip_on_os("windows")
  skip_on_cran()
  rscript <- file.path(R.home("bin"), "Rscript")
  dir <- tempfile("intr-")
  dir.create(dir)
  on.exit(unlink(dir, recursive = TRUE))
  script <- file.path(dir, "run.R")
  log <- file.path(dir, "log.txt")
  writeLines(c(
    sprintf(".libPaths(%s)", paste(deparse(.libPaths()), collapse = "")),
    "library(sscm)",
    sprintf("log <- %s", deparse(log)),
    sprintf("obs <- read.csv(%s)", deparse(example_file())),
    # 40 copies of the sites: every replicate takes a while.
    "big <- do.call(rbind, lapply(1:40, function(k) transform(obs, Site = paste(Site, k))))",
    "cat('started\\n', file = log)",
    "r <- tryCatch(sscm_spectrum(big, 'Site', 'Species', 'Pref', bootstrap = 1e6, threads = 1),",
    "              interrupt = function(e) 'interrupted')",
    "cat(sprintf('%s %.0f\\n', r, as.numeric(Sys.time()) * 1000), file = log, append = TRUE)",
    "sp <- sscm_spectrum(obs, 'Site', 'Species', 'Pref')",
    "cat('rows', nrow(sp), '\\n', file = log, append = TRUE)"
  ), script)
  # Started in the background by a shell, which sends SIGINT once the bootstrap has begun.
  shell <- file.path(dir, "run.sh")
  writeLines(c(
    # Job control on: a background job's SIGINT is then not ignored.
    "set -m",
    sprintf("%s --vanilla %s & pid=$!", shQuote(rscript), shQuote(script)),
    sprintf("while [ ! -s %s ]; do sleep 0.1; done", shQuote(log)),
    "sleep 2",
    "date +%s%3N > sent.txt",
    "kill -INT $pid",
    "wait $pid"
  ), shell)
  old <- setwd(dir)
  on.exit(setwd(old), add = TRUE, after = FALSE)
  status <- system2("sh", shell, stdout = FALSE, stderr = FALSE)
  expect_identical(status, 0L)
  lines <- readLines(log)
  expect_identical(lines[1], "started")
  stopped <- strsplit(lines[2], " ")[[1]]
  expect_identical(stopped[1], "interrupted")
  sent <- as.numeric(readLines(file.path(dir, "sent.txt")))
  expect_lt(as.numeric(stopped[2]) - sent, 1000)
  expect_match(lines[3], "^rows [0-9]+")
})
