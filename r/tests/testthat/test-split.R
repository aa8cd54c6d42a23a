test_that("a split network is a condition of its own class with the groups", {
  obs <- split_obs()
  err <- expect_error(sscm_spectrum(obs, "Site", "Species", "Pref", remove_low = FALSE),
                      class = "sscm_split_network")
  expect_s3_class(err, "sscm_error")
  expect_match(conditionMessage(err), "^No common species between cases")
  expect_match(conditionMessage(err), "a1", fixed = TRUE)
  expect_match(conditionMessage(err), "b1", fixed = TRUE)
  g <- err$groups
  expect_identical(names(g), c("species", "group", "group_species", "group_cases"))
  # The largest group first; species in their order.
  expect_identical(g$species, c("b1", "b2", "b3", "b4", "a1", "a2", "a3", "x1", "x2"))
  expect_identical(g$group, rep(1:3, c(4, 3, 2)))
  expect_identical(g$group_species, rep(c(4L, 3L, 2L), c(4, 3, 2)))
  expect_identical(g$group_cases, rep(c(3L, 3L, 1L), c(4, 3, 2)))
  # The tables of a split network fail alike.
  expect_error(sscm_pairs(obs, "Site", "Species", "Pref", remove_low = FALSE),
               class = "sscm_split_network")
})

test_that("per_group ranks each group as the runs on its own rows do", {
  obs <- split_obs()
  sp <- sscm_spectrum(obs, "Site", "Species", "Pref", remove_low = FALSE, per_group = TRUE)
  expect_identical(names(sp)[11], "group")
  expect_identical(unique(sp$group), 1:3)
  region <- function(prefix) {
    alone <- obs[substr(obs$Site, 1, 1) == prefix, ]
    columns(sscm_spectrum(alone, "Site", "Species", "Pref", remove_low = FALSE))
  }
  for (g in 1:3) {
    mine <- columns(sp[sp$group == g, ])
    mine$group <- NULL
    expect_identical(mine, region(c("B", "A", "X")[g]))
  }
  pairs <- sscm_pairs(obs, "Site", "Species", "Pref", remove_low = FALSE, per_group = TRUE)
  expect_identical(pairs$group, ifelse(substr(pairs$species_a, 1, 1) == "b", 1L,
                                       ifelse(substr(pairs$species_a, 1, 1) == "a", 2L, 3L)))
  out <- capture.output(print(sp))
  expect_true(any(grepl("3 groups", out, fixed = TRUE)))
})
