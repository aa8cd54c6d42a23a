# The spectrum against values worked out in R from the observations alone. Within each case
# every ordered pair of rows (a row with itself included) gives the code 3, 2 or 1 as the first
# row's intensity is higher, equal or lower; a pair of species that was compared gets the mean of
# its codes; each species' row is scaled by the number of species over its number of compared
# partners; the palatability values are that matrix's principal eigenvector, of unit length.
reference_values <- function(obs) {
  sp <- unique(obs$Species)
  total <- matrix(0, length(sp), length(sp), dimnames = list(sp, sp))
  count <- total
  for (rows in split(seq_len(nrow(obs)), obs$Site)) {
    for (i in rows) {
      for (j in rows) {
        a <- obs$Species[i]
        b <- obs$Species[j]
        total[a, b] <- total[a, b] + 2 + sign(obs$Pref[i] - obs$Pref[j])
        count[a, b] <- count[a, b] + 1
      }
    }
  }
  mean_code <- ifelse(count > 0, total / count, 0)
  scaled <- mean_code * length(sp) / rowSums(count > 0)
  e <- eigen(scaled)
  v <- Re(e$vectors[, which.max(Re(e$values))])
  setNames(v * sign(v[1]) / sqrt(sum(v^2)), sp)
}

test_that("a chain of three species has the values worked out by hand", {
  # a beats b in one site, b beats c in another; a and c never meet. The scaled matrix is
  # ((3, 4.5, 0), (1, 2, 3), (0, 1.5, 3)): its largest eigenvalue is (5 + sqrt(37)) / 2, with
  # the eigenvector (9, sqrt(37) - 1, 3) / (sqrt(37) - 1).
  obs <- data.frame(Site = c("S1", "S1", "S2", "S2"), Species = c("a", "b", "b", "c"),
                    Pref = c(5, 1, 5, 1), stringsAsFactors = FALSE)
  hand <- c(a = 9, b = sqrt(37) - 1, c = 3)
  expect_equal(reference_values(obs), hand / sqrt(sum(hand^2)), tolerance = 1e-12)
  sp <- sscm_spectrum(obs, "Site", "Species", "Pref", remove_low = FALSE)
  expect_identical(sp$species, c("a", "b", "c"))
  expect_equal(sp$value, c(0.8362258569, 0.4722597169, 0.2787419523), tolerance = 1e-6)
  expect_identical(sp$rank, 1:3)
  # Codes c and 4 - c of each pair and 2 on the diagonal: the mean of all means is 2.
  expect_equal(attr(sp, "fill"), 2)
})

test_that("spectra equal the principal eigenvector of the mean-code matrix built in R", {
  # Four species with ties, a species twice in one site, and partners of 3 or 4 species.
  four <- data.frame(
    Site = c("S1", "S1", "S1", "S2", "S2", "S2", "S4", "S4"),
    Species = c("a", "b", "c", "b", "d", "d", "c", "d"),
    Pref = c(3, 1, 1, 4, 2, 5, 0, 1),
    stringsAsFactors = FALSE
  )
  for (obs in list(four, example_obs())) {
    sp <- sscm_spectrum(obs, "Site", "Species", "Pref", remove_low = FALSE)
    ref <- reference_values(obs)
    expect_setequal(sp$species, names(ref))
    expect_equal(sp$value, unname(ref[sp$species]), tolerance = 1e-6)
    expect_identical(sp$species, names(sort(ref, decreasing = TRUE)))
  }
})
