# The spectrum against numbers computed without the core: R's eigen() on the mean matrix built
# here from the pair counts, and a three-species case solved by hand.

test_that("the spectrum is the principal eigenvector of the mean matrix built from the pairs", {
  data(grazing, package = "sscm", envir = environment())
  sp <- sscm_spectrum(grazing, "Site", "Species", "Pref")
  p <- as.data.frame(sscm_pairs(grazing, "Site", "Species", "Pref"))
  # Codes 3 (higher), 2 (tie), 1 (lower); 2 on the diagonal. Pairs never compared take the
  # mean of the compared pairs' means: 2 up to rounding, as each pair's two means add up to 4.
  core <- sscm_matrix(grazing, "Site", "Species", "Pref")
  fill <- attr(core, "fill")
  expect_equal(fill, 2, tolerance = 1e-14)
  lev <- sp$species
  m <- matrix(fill, length(lev), length(lev), dimnames = list(lev, lev))
  diag(m) <- 2
  n <- p$a_higher + p$ties + p$b_higher
  m[cbind(p$species_a, p$species_b)] <- (3 * p$a_higher + 2 * p$ties + p$b_higher) / n
  m[cbind(p$species_b, p$species_a)] <- (p$a_higher + 2 * p$ties + 3 * p$b_higher) / n

  expect_equal(core$mean_code, unname(m[cbind(core$species_a, core$species_b)]),
               tolerance = 1e-14)

  e <- eigen(m)
  v <- Re(e$vectors[, 1])
  v <- v / sqrt(sum(v^2)) * sign(sum(v))
  # The core iterates to a mean change below its tolerance, not to the last bit.
  expect_equal(sp$value, unname(v), tolerance = 1e-7)
  expect_identical(sp$rank, as.integer(rank(-v, ties.method = "min")))
})

test_that("a three-species case gives the values solved by hand", {
  # A above B and C at both sites, B and C tied: the mean matrix is
  # [2 3 3; 1 2 2; 1 2 2], whose principal eigenvalue is 3 + sqrt(7) with the vector
  # (sqrt(7) - 1, 1, 1), here of unit length.
  d <- data.frame(Site = rep(c("s1", "s2"), each = 3), Species = rep(c("A", "B", "C"), 2),
                  Pref = c(3, 1, 1, 5, 2, 2))
  sp <- sscm_spectrum(d, "Site", "Species", "Pref", remove_low = FALSE)
  norm <- sqrt(10 - 2 * sqrt(7))
  expect_identical(sp$species, c("A", "B", "C"))
  expect_equal(sp$value, c(sqrt(7) - 1, 1, 1) / norm, tolerance = 1e-7)
  expect_identical(sp$rank, c(1L, 2L, 2L))
})
