test_that("values become the texts a CSV file would hold", {
  df <- data.frame(
    num = c(0.1, 1 / 3, 1e22, -2.5, NA, 100, 2^-1074),
    chr = c("x", "", NA, "y, z", " lead", "q\"uote", "\u00e9t\u00e9"),
    fac = factor(c("u", "v", NA, "u", "v", "u", "w")),
    int = c(1L, NA, 3L, -4L, 5L, 6L, .Machine$integer.max),
    lgl = c(TRUE, FALSE, NA, TRUE, TRUE, FALSE, TRUE),
    stringsAsFactors = FALSE
  )
  t <- sscm:::.sscm_table(df)
  expect_identical(colnames(t), names(df))
  expect_identical(unname(t[, "num"]), c("0.1", "0.3333333333333333", "1e+22", "-2.5", "",
                                          "100", "5e-324"))
  expect_identical(unname(t[, "chr"]), c("x", "", "", "y, z", " lead", "q\"uote",
                                          "\u00e9t\u00e9"))
  expect_identical(unname(t[, "fac"]), c("u", "v", "", "u", "v", "u", "w"))
  expect_identical(unname(t[, "int"]), c("1", "", "3", "-4", "5", "6", "2147483647"))
  expect_identical(unname(t[, "lgl"]), c("TRUE", "FALSE", "", "TRUE", "TRUE", "FALSE",
                                          "TRUE"))
  # Every shortest text reads back to the same double.
  x <- c(pi, exp(1), 1 / 7, 123456.789, 1e-300, .Machine$double.xmax)
  back <- .Call(sscm:::sscm_exact_doubles, sscm:::.sscm_table(data.frame(x = x))[, "x"])
  expect_identical(back, x)
})

test_that("a data frame and the same data as a CSV file give the same table and spectrum", {
  file <- example_file()
  obs <- example_obs()
  from_file <- sscm:::.sscm_table(file)
  from_frame <- sscm:::.sscm_table(obs)
  expect_identical(from_file[, c("Site", "Species")], from_frame[, c("Site", "Species")])
  expect_identical(as.numeric(from_file[, "Pref"]), as.numeric(from_frame[, "Pref"]))

  sp <- sscm_spectrum(obs, "Site", "Species", "Pref")
  expect_identical(sscm_spectrum(file, "Site", "Species", "Pref"), sp)
  # Factors are taken by their labels, integer intensities as numbers.
  fac <- example_obs(stringsAsFactors = TRUE)
  expect_identical(sscm_spectrum(fac, "Site", "Species", "Pref"), sp)
  expect_identical(sscm_pairs(file, "Site", "Species", "Pref"),
                   sscm_pairs(fac, "Site", "Species", "Pref"))
  # A date as the case is its printed text, as in a file written by write.csv().
  dated <- obs
  dated$Site <- as.Date("2024-05-01") + match(obs$Site, unique(obs$Site))
  expect_identical(unname(sscm:::.sscm_table(dated)[, "Site"]), format(dated$Site))
  expect_identical(columns(sscm_spectrum(dated, "Site", "Species", "Pref")), columns(sp))
  path <- tempfile(fileext = ".csv")
  write.csv(dated, path, row.names = FALSE)
  expect_identical(columns(sscm_spectrum(path, "Site", "Species", "Pref")), columns(sp))
})

test_that("a Shift-JIS or Latin-1 file and the same data in UTF-8 give the same species and values", {
  species <- c("\u30b9\u30b9\u30ad", "\u30b7\u30d0", "\u30e8\u30e2\u30ae",
               "\u30ef\u30e9\u30d3")
  df <- data.frame(
    Site = rep(c("\u5317", "\u5357", "\u6771"), each = 4),
    Species = rep(species, 3),
    Pref = c(3, 1, 2, 0, 5, 2, 2, 1, 4, 0, 3, 1),
    stringsAsFactors = FALSE
  )
  write_in <- function(enc) {
    lines <- c("Site,Species,Pref", paste(df$Site, df$Species, df$Pref, sep = ","))
    bytes <- iconv(paste0(lines, "\r\n", collapse = ""), "UTF-8", enc, toRaw = TRUE)[[1]]
    path <- tempfile(fileext = ".csv")
    writeBin(bytes, path)
    path
  }
  sjis <- write_in("CP932")
  from_file <- sscm_spectrum(sjis, "Site", "Species", "Pref", remove_low = FALSE)
  from_frame <- sscm_spectrum(df, "Site", "Species", "Pref", remove_low = FALSE)
  expect_identical(attr(from_file, "encoding"), "CP932")
  expect_identical(attr(from_frame, "encoding"), "UTF-8")
  expect_true(all(Encoding(from_file$species) == "UTF-8"))
  expect_identical(columns(from_file), columns(from_frame))
  expect_setequal(from_file$species, species)

  # Not all clean CP932 (the last name ends in a lead byte), so Latin-1.
  df$Species <- rep(c("Gr\u00f6\u00dfe", "\u00c4hre", "Bl\u00fcte", "Caf\u00e9"), 3)
  df$Site <- rep(c("N", "S", "O"), each = 4)
  latin <- write_in("latin1")
  from_file <- sscm_spectrum(latin, "Site", "Species", "Pref", remove_low = FALSE)
  expect_identical(attr(from_file, "encoding"), "latin1")
  expect_identical(columns(from_file),
                   columns(sscm_spectrum(df, "Site", "Species", "Pref", remove_low = FALSE)))
})

test_that("one data set's names are decoded in one encoding, in files and data frames alike", {
  # The species header alone is UTF-8 and one species alone is CP932, but "Caf\xe9" (a lead byte
  # at its end) makes the data set Latin-1: every name is read as Latin-1.
  bytes <- function(...) unlist(lapply(list(...), function(x) {
    if (is.character(x)) charToRaw(x) else as.raw(x)
  }))
  path <- tempfile(fileext = ".csv")
  writeBin(bytes("Site,Esp", c(0xc3, 0xa8), "ce,Pref\nS1,Caf", 0xe9, ",5\nS1,",
                 c(0x83, 0x58, 0x83, 0x58, 0x83, 0x4c), ",2\nS1,Poa,1\nS2,Caf", 0xe9,
                 ",4\nS2,Poa,2\n"), path)
  expect_identical(colnames(sscm:::.sscm_table(path)), c("Site", "Esp\u00c3\u00a8ce", "Pref"))
  sp <- sscm_spectrum(path, "Site", "Esp\u00e8ce", "Pref", remove_low = FALSE)
  expect_identical(attr(sp, "encoding"), "latin1")
  expect_setequal(sp$species, c("Caf\u00e9", "\u0083X\u0083X\u0083L", "Poa"))

  # A data frame's strings marked as bytes, or unmarked (as read.csv() leaves a Latin-1 file in
  # a UTF-8 session), keep them and decide as a file's would; strings marked Latin-1 arrive in
  # UTF-8.
  cafe <- rawToChar(bytes("Caf", 0xe9))
  for (mark in c("bytes", "unknown", "latin1")) {
    species <- c(cafe, "Poa", cafe, "Poa")
    Encoding(species) <- mark
    df <- data.frame(Site = c("S1", "S1", "S2", "S2"), Species = species, Pref = c(3, 1, 2, 2),
                     stringsAsFactors = FALSE)
    sp <- sscm_spectrum(df, "Site", "Species", "Pref", remove_low = FALSE)
    expect_identical(attr(sp, "encoding"), if (mark == "latin1") "UTF-8" else "latin1")
    expect_identical(sp$species, c("Caf\u00e9", "Poa"))
  }
})

test_that("rows with a missing case, species or intensity are left out with a warning", {
  obs <- example_obs()
  clean <- sscm_spectrum(obs, "Site", "Species", "Pref")
  # Copies of rows 1 to 4, each with a value missing, as rows 4 to 7.
  extra <- obs[1:4, ]
  extra$Site[1] <- NA
  extra$Species[2] <- NA
  extra$Pref[3] <- NA
  extra$Species[4] <- ""
  holes <- rbind(obs[1:3, ], extra, obs[-(1:3), ])
  expect_warning(sp <- sscm_spectrum(holes, "Site", "Species", "Pref"),
                 paste0("^4 data rows were left out: their case, species or intensity is ",
                        "missing \\(data row 4, data row 5, data row 6, data row 7\\)\\.$"))
  expect_identical(columns(sp), columns(clean))
  # "null" is a name, not a missing value.
  named <- obs
  named$Species[1] <- "null"
  expect_true("null" %in% sscm_spectrum(named, "Site", "Species", "Pref",
                                        remove_low = FALSE)$species)
})

test_that("rank data, semicolons and decimal commas read as the comma file does", {
  obs <- example_obs()
  sp <- sscm_spectrum(obs, "Site", "Species", "Pref")
  ranked <- transform(obs, Pref = -Pref)
  expect_identical(columns(sscm_spectrum(ranked, "Site", "Species", "Pref",
                                         lower_is_preferred = TRUE)), columns(sp))
  path <- tempfile(fileext = ".csv")
  halves <- transform(obs, Pref = Pref / 2)
  write.table(transform(halves, Pref = sub(".", ",", as.character(Pref), fixed = TRUE)), path,
              sep = ";", row.names = FALSE, quote = TRUE)
  expect_error(sscm_spectrum(path, "Site", "Species", "Pref"), "separated by semicolons")
  expect_identical(columns(sscm_spectrum(path, "Site", "Species", "Pref", separator = ";",
                                         decimal = ",")),
                   columns(sscm_spectrum(halves, "Site", "Species", "Pref")))
})

test_that("a folder given as the data is named a folder", {
  dir <- tempfile("data-")
  dir.create(dir)
  link <- paste0(dir, "-link")
  file.symlink(dir, link)
  for (d in c(dir, link)) {
    expect_error(sscm_spectrum(d, "Site", "Species", "Pref"), "is a folder, not a data file",
                 class = "sscm_error")
  }
})
