# The methods around the tables: subsets, plain data frames, values, summary, charts; and the
# example data set.

spectrum <- function(...) sscm_spectrum(grazing, "Site", "Species", "Pref", ...)

test_that("data(grazing) is the example CSV file as a data frame", {
  data(grazing, package = "sscm", envir = environment())
  expect_identical(grazing, read.csv(example_file()))
})

test_that("subsets keep the class with a heading of the whole table, other shapes are plain", {
  data(grazing, package = "sscm", envir = environment())
  sp <- spectrum()
  top <- head(sp, 3)
  expect_s3_class(top, "sscm_spectrum")
  expect_identical(top$species, sp$species[1:3])
  out <- capture.output(print(top))
  expect_match(out[1], sprintf("^Palatability spectrum of %d species", nrow(sp)))
  expect_true(any(grepl(sprintf("3 of the %d species shown", nrow(sp)), out, fixed = TRUE)))
  expect_false(any(grepl("shown", capture.output(print(sp)))))
  # Without the value column the table is no spectrum any more.
  expect_identical(class(sp[, c("species", "rank")]), "data.frame")

  pairs <- sscm_pairs(grazing, "Site", "Species", "Pref")
  out <- capture.output(print(pairs[pairs$cases >= 8, ]))
  expect_match(out[1], sprintf("of %d compared pairs", nrow(pairs)))

  # Two groups by construction: sites 3 and 4 with their species renamed. The last rows all
  # belong to one group, yet the heading counts the groups of the whole ranking.
  two <- rbind(grazing[grazing$Site %in% c("Site01", "Site02"), ],
               transform(grazing[grazing$Site %in% c("Site03", "Site04"), ],
                         Species = paste(Species, "(north)")))
  g <- sscm_spectrum(two, "Site", "Species", "Pref", remove_low = FALSE, per_group = TRUE)
  expect_true(any(grepl("Ranked within 2 groups", capture.output(print(tail(g, 2))))))
  expect_identical(summary(tail(g, 2))$groups, 2L)
})

test_that("as.data.frame() drops the class and the attributes, coef() names the values", {
  data(grazing, package = "sscm", envir = environment())
  sp <- spectrum()
  plain <- as.data.frame(sp)
  expect_identical(class(plain), "data.frame")
  expect_setequal(names(attributes(plain)), c("names", "row.names", "class"))
  expect_identical(as.list(plain), as.list(unclass(sp))[names(plain)])
  m <- as.data.frame(sscm_matrix(grazing, "Site", "Species", "Pref"))
  expect_identical(class(m), "data.frame")
  expect_null(attr(m, "fill"))
  expect_identical(coef(sp), setNames(sp$value, sp$species))
})

test_that("summary() counts the species, the removed ones and the replicates used", {
  data(grazing, package = "sscm", envir = environment())
  sp <- spectrum(bootstrap = 30, threads = 1)
  s <- summary(sp, n = 3)
  # Counted here from the data: species found at 4 sites or fewer are removed.
  sites <- tapply(grazing$Site, grazing$Species, function(x) length(unique(x)))
  expect_setequal(s$removed, names(sites)[sites <= 4])
  expect_identical(s$species, sum(sites > 4))
  expect_identical(s$rows, sum(grazing$Species %in% names(sites)[sites > 4]))
  expect_identical(s$top$species, sp$species[1:3])
  expect_identical(s$bottom$species, tail(sp$species, 3))
  boot <- attr(sp, "bootstrap")
  out <- capture.output(print(s))
  expect_true(any(grepl(sprintf("30 replicates, %d used (%d with a split network)", boot$used,
                                boot$split), out, fixed = TRUE)))
  # The paragraph for a paper, with the counts of the data, printed by summary().
  used <- if (boot$split == 0) "all were used" else
    sprintf("%d were used and %d discarded", boot$used, boot$split)
  for (words in c(sprintf("Palatability was ranked with sscm %s ", packageVersion("sscm")),
                 sprintf("The %d data rows came from %d cases and held %d species.",
                         nrow(grazing), length(unique(grazing$Site)), length(sites)),
                 sprintf("The %d species found in 4 cases or fewer were removed",
                         sum(sites <= 4)), used)) {
    expect_true(grepl(words, attr(sp, "methods"), fixed = TRUE), info = words)
  }
  expect_true(any(startsWith(out, "Palatability was ranked with sscm")))
})

test_that("plot() and autoplot() draw the top species, or all", {
  data(grazing, package = "sscm", envir = environment())
  sp <- spectrum(bootstrap = 20, threads = 1)
  grDevices::pdf(NULL)
  on.exit(grDevices::dev.off())
  expect_identical(plot(sp, top = 5), sp)
  expect_error(plot(sp, top = 0), "`top`")
  skip_if_not_installed("ggplot2")
  built <- ggplot2::ggplot_build(ggplot2::autoplot(sp, top = 5))
  points <- built$data[[2]]
  expect_identical(nrow(points), 5L)
  expect_equal(sort(points$x), sort(sp$value[1:5]))
  expect_identical(nrow(ggplot2::ggplot_build(ggplot2::autoplot(sp))$data[[2]]), nrow(sp))
  m <- sscm_matrix(grazing, "Site", "Species", "Pref")
  tiles <- ggplot2::ggplot_build(ggplot2::autoplot(m))$data[[1]]
  expect_identical(nrow(tiles), nrow(m))
})
