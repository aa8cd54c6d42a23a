roles <- c("--case", "Site", "--species", "Species", "--pref", "Pref")

test_that("the example set's spectrum equals sscm-cli's spectrum.csv to the last bit", {
  ref <- cli_spectrum(example_file(), roles)
  sp <- sscm_spectrum(example_obs(), "Site", "Species", "Pref")
  expect_s3_class(sp, "sscm_spectrum")
  expect_identical(names(sp), names(ref))
  expect_identical(columns(sp), as.list(ref))
  expect_true(all(is.na(sp$value_lo)))
  expect_equal(sum(sp$value^2), 1)

  # Without the removal, and with a threshold given as its text.
  ref <- cli_spectrum(example_file(), c(roles, "--keep-rare"))
  expect_identical(columns(sscm_spectrum(example_file(), "Site", "Species", "Pref",
                                         remove_low = FALSE)), as.list(ref))
  ref <- cli_spectrum(example_file(), c(roles, "--threshold", "2.5"))
  sp <- sscm_spectrum(example_obs(), "Site", "Species", "Pref", threshold = "2.5")
  expect_identical(columns(sp), as.list(ref))
  expect_identical(columns(sscm_spectrum(example_obs(), "Site", "Species", "Pref",
                                         threshold = 2.5)), as.list(ref))
})

test_that("the bootstrap intervals equal sscm-cli's, whatever the number of threads", {
  ref <- cli_spectrum(example_file(), c(roles, "--bootstrap", "60", "--seed", "11",
                                        "--ci", "0.9", "--threads", "1"))
  one <- sscm_spectrum(example_obs(), "Site", "Species", "Pref", bootstrap = 60, seed = 11,
                       level = 0.9, threads = 1)
  two <- sscm_spectrum(example_obs(), "Site", "Species", "Pref", bootstrap = 60, seed = 11,
                       level = 0.9, threads = 2)
  expect_identical(columns(one), as.list(ref))
  expect_identical(columns(two), columns(one))
  boot <- attr(one, "bootstrap")
  expect_identical(boot$replicates, 60L)
  expect_identical(boot$used + boot$split, 60L)
  expect_true(all(one$value_lo <= one$value_hi))
  expect_true(all(one$rank_lo <= one$rank_hi))
  # Another seed draws other cases.
  other <- sscm_spectrum(example_obs(), "Site", "Species", "Pref", bootstrap = 60, seed = 12,
                         level = 0.9, threads = 1)
  expect_false(identical(other$value_sd, one$value_sd))
})

test_that("model = \"bt\" adds sscm-cli's model columns and agreement, with the same intervals", {
  ref <- cli_spectrum(example_file(), c(roles, "--model", "bt", "--bootstrap", "40",
                                        "--seed", "3", "--threads", "1"))
  sp <- sscm_spectrum(example_obs(), "Site", "Species", "Pref", model = "bt", bootstrap = 40,
                      seed = 3, threads = 2)
  expect_identical(names(sp), names(ref))
  expect_identical(columns(sp), as.list(ref))
  model <- attr(sp, "model")
  expect_identical(model$name, "Bradley-Terry")
  expect_false(model$warning)
  expect_output(print(summary(sp)), "Spearman 0.98")
  expect_error(sscm_spectrum(example_obs(), "Site", "Species", "Pref", model = "glm"),
               "`model`")
})
