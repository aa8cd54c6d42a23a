# A straightforward count over the rows of each case: the unordered pairs of rows of different
# kept species, by which row's intensity is the higher.
plain_pairs <- function(obs, kept) {
  obs <- obs[obs$Species %in% kept, ]
  counts <- list()
  for (rows in split(seq_len(nrow(obs)), obs$Site)) {
    for (i in rows) {
      for (j in rows) {
        if (i >= j || obs$Species[i] == obs$Species[j]) next
        a <- obs$Species[i]
        b <- obs$Species[j]
        d <- sign(obs$Pref[i] - obs$Pref[j])
        if (match(a, kept) > match(b, kept)) {
          tmp <- a
          a <- b
          b <- tmp
          d <- -d
        }
        key <- paste(a, b, sep = "\r")
        n <- counts[[key]]
        if (is.null(n)) n <- c(0, 0, 0)
        n[2 - d] <- n[2 - d] + 1
        counts[[key]] <- n
      }
    }
  }
  keys <- strsplit(names(counts), "\r", fixed = TRUE)
  data.frame(
    species_a = vapply(keys, `[`, "", 1),
    species_b = vapply(keys, `[`, "", 2),
    a_higher = vapply(counts, `[`, 0, 1),
    ties = vapply(counts, `[`, 0, 2),
    b_higher = vapply(counts, `[`, 0, 3),
    stringsAsFactors = FALSE
  )
}

test_that("pair counts equal a straightforward count over the rows of each case", {
  obs <- example_obs()
  pairs <- sscm_pairs(obs, "Site", "Species", "Pref")
  expect_s3_class(pairs, "sscm_pairs")
  expect_identical(names(pairs),
                   c("species_a", "species_b", "a_higher", "ties", "b_higher", "cases"))
  # Kept species in their order of first appearance.
  kept <- unique(obs$Species)
  kept <- kept[!kept %in% attr(pairs, "removed")]
  plain <- plain_pairs(obs, kept)
  key <- function(d) paste(d$species_a, d$species_b)
  plain <- plain[match(key(pairs), key(plain)), ]
  expect_identical(nrow(pairs), nrow(plain))
  expect_identical(pairs$a_higher, unname(plain$a_higher))
  expect_identical(pairs$ties, unname(plain$ties))
  expect_identical(pairs$b_higher, unname(plain$b_higher))
  both <- function(a, b) length(intersect(obs$Site[obs$Species == a], obs$Site[obs$Species == b]))
  expect_identical(pairs$cases, mapply(both, pairs$species_a, pairs$species_b, USE.NAMES = FALSE))
})
