test_that("bad arguments give clear errors", {
  obs <- example_obs()
  run <- function(...) sscm_spectrum(obs, "Site", "Species", "Pref", ...)
  expect_error(sscm_spectrum(obs, "Site", "Species"), "`pref` must be one variable name",
               class = "sscm_error")
  expect_error(sscm_spectrum(obs, c("Site", "x"), "Species", "Pref"), "`case`",
               class = "sscm_error")
  expect_error(sscm_spectrum(obs, NA_character_, "Species", "Pref"), "`case`")
  expect_error(run(bootstrap = -1), "`bootstrap` must be a whole number")
  expect_error(run(bootstrap = 2.5), "`bootstrap` must be a whole number")
  expect_error(run(bootstrap = 10, level = 1), "`level` must be a number between 0 and 1")
  expect_error(run(bootstrap = 10, level = 0), "`level`")
  expect_error(run(bootstrap = 10, threads = 0), "`threads` must be a whole number")
  expect_error(run(seed = -1), "`seed`")
  expect_error(run(remove_low = NA), "`remove_low` must be TRUE or FALSE")
  expect_error(run(per_group = "yes"), "`per_group`")
  expect_error(run(threshold = c(1, 2)), "`threshold` must be one number")
  expect_error(run(threshold = Inf), "`threshold` must be a finite number")
  expect_error(sscm_spectrum(list(1, 2), "a", "b", "c"), "`data` must be a data frame")
  expect_error(sscm_spectrum(c("a.csv", "b.csv"), "a", "b", "c"), "`data` must be a data frame")
  expect_error(sscm_spectrum(file.path(tempdir(), "none.csv"), "a", "b", "c"),
               "does not exist", class = "sscm_error")
  lst <- obs
  lst$Pref <- as.list(lst$Pref)
  expect_error(sscm_spectrum(lst, "Site", "Species", "Pref"), "Column \"Pref\"",
               class = "sscm_error")
  # The call named in the error is the user's own.
  err <- tryCatch(run(bootstrap = -1), error = identity)
  expect_identical(as.character(conditionCall(err)[[1]]), "sscm_spectrum")
})

test_that("what the analysis rejects is an R error with its own message", {
  obs <- example_obs()
  err <- expect_error(sscm_spectrum(obs, "Plot", "Species", "Pref"), class = "sscm_error")
  expect_match(conditionMessage(err), "Plot", fixed = TRUE)
  bad <- obs
  bad$Pref[5] <- "lots"
  err <- expect_error(sscm_spectrum(bad, "Site", "Species", "Pref"), class = "sscm_error")
  expect_match(conditionMessage(err), "lots", fixed = TRUE)
  expect_error(sscm_spectrum(obs, "Site", "Species", "Pref", threshold = "four"),
               class = "sscm_error")
  # The session goes on: the next call works.
  expect_s3_class(sscm_spectrum(obs, "Site", "Species", "Pref"), "sscm_spectrum")
})
