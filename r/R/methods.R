# print() and plot() of the tables.

print.sscm_spectrum <- function(x, digits = 6, ...) {
  removed <- attr(x, "removed")
  settings <- attr(x, "settings")
  groups <- "group" %in% names(x)
  cat(sprintf("Palatability spectrum of %d species", .sscm_total(x)))
  if (length(removed) > 0L) {
    cat(sprintf(" (%d removed: found in %s cases or fewer)", length(removed),
                format(settings$threshold)))
  }
  cat("\n")
  .sscm_subset_note(x, "species")
  if (groups) {
    cat(sprintf("Ranked within %d groups of species that share no case: values compare only",
                .sscm_groups(x)),
        "within a group.\n")
  } else {
    cat(sprintf("Eigenvector after %d iteration steps.\n", attr(x, "steps")))
  }
  boot <- attr(x, "bootstrap")
  if (!is.null(boot)) {
    cat(sprintf("Site bootstrap: %d replicates, %d used, %d with a split network; seed %s; %s %% intervals.\n",
                boot$replicates, boot$used, boot$split, format(boot$seed),
                format(100 * boot$level)))
  }
  model <- attr(x, "model")
  if (!is.null(model)) {
    cat(model$summary)
  }
  shown <- as.data.frame(unclass(x), stringsAsFactors = FALSE)
  if (is.null(boot)) {
    shown <- shown[setdiff(names(shown),
                           c("value_lo", "value_hi", "rank_lo", "rank_hi", "value_sd"))]
  }
  print(shown, digits = digits, row.names = FALSE, ...)
  invisible(x)
}

.sscm_print_table <- function(x, title, n = 20L, ...) {
  cat(title, "\n", sep = "")
  .sscm_subset_note(x, "rows")
  shown <- as.data.frame(unclass(x), stringsAsFactors = FALSE)
  print(head(shown, n), row.names = FALSE, ...)
  if (nrow(shown) > n) {
    cat(sprintf("... and %d more rows\n", nrow(shown) - n))
  }
  invisible(x)
}

print.sscm_pairs <- function(x, n = 20L, ...) {
  .sscm_print_table(x, sprintf("Pair counts of %d compared pairs of species", .sscm_total(x)), n, ...)
}

print.sscm_matrix <- function(x, n = 20L, ...) {
  .sscm_print_table(x, sprintf(
    "Mean comparison matrix: %d compared ordered pairs; %s for pairs never compared",
    .sscm_total(x), format(attr(x, "fill"), digits = 6)), n, ...)
}

# The spectrum chart: one point per species from the most preferred (top) to the least, with the
# bootstrap interval of its value as whiskers when there is one.
plot.sscm_spectrum <- function(x, top = NULL, main = "Palatability spectrum",
                               xlab = "Palatability value", cex.names = NULL, col = "black", ...) {
  if (nrow(x) == 0L) {
    stop("The spectrum holds no species.", call. = FALSE)
  }
  whole <- x
  x <- .sscm_top(x, top)
  n <- nrow(x)
  y <- rev(seq_len(n))
  intervals <- !all(is.na(x$value_lo))
  xlim <- range(c(x$value, if (intervals) c(x$value_lo, x$value_hi)), na.rm = TRUE)
  if (is.null(cex.names)) {
    cex.names <- min(1, max(0.3, 40 / n))
  }
  # Room on the left for the longest name (about half a line per character).
  left <- min(25, max(4, 1 + 0.5 * cex.names * max(nchar(x$species, type = "width"))))
  old <- par(mar = c(5, left, 4, 1))
  on.exit(par(old))
  plot(x$value, y, xlim = xlim, ylim = c(0.5, n + 0.5), yaxt = "n", pch = 19, col = col,
       xlab = xlab, ylab = "", main = main, ...)
  axis(2, at = y, labels = x$species, las = 1, cex.axis = cex.names, tick = FALSE)
  if (intervals) {
    ok <- !is.na(x$value_lo) & x$value_hi > x$value_lo
    arrows(x$value_lo[ok], y[ok], x$value_hi[ok], y[ok], angle = 90, code = 3,
           length = 0.03, col = col)
    boot <- attr(x, "bootstrap")
    mtext(sprintf("whiskers: %s %% bootstrap intervals (%d replicates)",
                  format(100 * boot$level), boot$used), side = 3, line = 0.3, cex = 0.8)
  }
  if (n < .sscm_total(x)) {
    mtext(sprintf("the first %d of %d species", n, .sscm_total(x)), side = 1, line = 4,
          cex = 0.8)
  }
  if ("group" %in% names(x)) {
    cut <- which(diff(x$group) != 0)
    abline(h = y[cut] - 0.5, lty = 3)
  }
  invisible(whole)
}

# Subsets: `[` (and head(), tail() through it) keeps the class while the rows still hold a
# species and its value, and remembers how many rows the whole table had, so that print() says
# what part it shows; any other shape is a plain data frame.
.sscm_total <- function(x) {
  total <- attr(x, "total")
  if (is.null(total)) nrow(x) else total
}

.sscm_subset_note <- function(x, what) {
  if (nrow(x) < .sscm_total(x)) {
    cat(sprintf("(%d of the %d %s shown)\n", nrow(x), .sscm_total(x), what))
  }
}

.sscm_subset <- function(x, out, keys) {
  if (!is.data.frame(out) || !all(keys %in% names(out))) {
    return(if (is.data.frame(out)) .sscm_plain(out) else out)
  }
  attr(out, "total") <- .sscm_total(x)
  if ("group" %in% names(x)) {
    attr(out, "groups") <- .sscm_groups(x)
  }
  out
}

# Number of groups ranked on their own, of the whole spectrum.
.sscm_groups <- function(x) {
  groups <- attr(x, "groups")
  if (is.null(groups)) length(unique(x$group)) else groups
}

.sscm_plain <- function(x) {
  keep <- attributes(x)[c("names", "row.names")]
  attributes(x) <- NULL
  attributes(x) <- keep
  class(x) <- "data.frame"
  x
}

`[.sscm_spectrum` <- function(x, ...) .sscm_subset(x, NextMethod(), c("species", "value"))
`[.sscm_pairs` <- function(x, ...) .sscm_subset(x, NextMethod(), c("species_a", "species_b"))
`[.sscm_matrix` <- function(x, ...) .sscm_subset(x, NextMethod(), c("species_a", "species_b"))

as.data.frame.sscm_spectrum <- function(x, ...) .sscm_plain(x)
as.data.frame.sscm_pairs <- function(x, ...) .sscm_plain(x)
as.data.frame.sscm_matrix <- function(x, ...) .sscm_plain(x)

coef.sscm_spectrum <- function(object, ...) {
  stats::setNames(object$value, object$species)
}

# The `top` most preferred species (the first rows: the spectrum is in rank order).
.sscm_top <- function(x, top) {
  if (is.null(top)) {
    return(x)
  }
  if (!is.numeric(top) || length(top) != 1L || is.na(top) || top < 1) {
    stop("`top` must be a number of species, 1 or more.", call. = FALSE)
  }
  if (top >= nrow(x)) x else x[seq_len(top), , drop = FALSE]
}

summary.sscm_spectrum <- function(object, n = 5L, ...) {
  whole <- .sscm_total(object) == nrow(object)
  shown <- .sscm_plain(object)
  boot <- attr(object, "bootstrap")
  cols <- intersect(c("species", "value", "rank", if (!is.null(boot)) c("value_lo", "value_hi"),
                      "group"), names(shown))
  out <- list(
    species = nrow(object),
    whole = whole,
    total = .sscm_total(object),
    rows = sum(object$rows),
    removed = attr(object, "removed"),
    settings = attr(object, "settings"),
    groups = if ("group" %in% names(object)) .sscm_groups(object),
    steps = attr(object, "steps"),
    change = attr(object, "change"),
    bootstrap = boot,
    model = attr(object, "model"),
    methods = attr(object, "methods"),
    top = utils::head(shown[cols], n),
    bottom = if (nrow(shown) > n) utils::tail(shown[cols], min(n, nrow(shown) - n))
  )
  class(out) <- "summary.sscm_spectrum"
  out
}

print.summary.sscm_spectrum <- function(x, digits = 4, ...) {
  s <- x$settings
  cat(sprintf("Palatability spectrum of %d species", x$species))
  if (!x$whole) cat(sprintf(" (a part of the %d ranked)", x$total))
  cat(sprintf(" from %d observations\n", x$rows))
  cat(sprintf("Roles: case \"%s\", species \"%s\", intensity \"%s\"\n", s$case, s$species, s$pref))
  if (s$remove_low) {
    cat(sprintf("Removed: %d species found in %s cases or fewer%s\n", length(x$removed),
                format(s$threshold), if (length(x$removed)) ":" else ""))
    if (length(x$removed)) cat(strwrap(paste(x$removed, collapse = ", "), indent = 2, exdent = 2),
                               sep = "\n")
  } else {
    cat("Removed: none (rare species kept)\n")
  }
  if (!is.null(x$groups)) {
    cat(sprintf("Ranked within %d groups of species that share no case.\n", x$groups))
  } else {
    cat(sprintf("Eigenvector: %d iteration steps, last mean change %s\n", x$steps,
                format(x$change, digits = 3)))
  }
  b <- x$bootstrap
  if (is.null(b)) {
    cat("Site bootstrap: none\n")
  } else {
    cat(sprintf("Site bootstrap: %d replicates, %d used (%d with a split network), seed %s, %s %% intervals\n",
                b$replicates, b$used, b$split, format(b$seed), format(100 * b$level)))
  }
  # The agreement with the model-based ranking, when it was fitted (model = "bt").
  if (!is.null(x$model)) {
    cat(x$model$summary)
  }
  # Ranked per group, the first and last rows are no common top and bottom.
  cat(if (is.null(x$groups)) "\nMost preferred:\n" else "\nFirst species (ranks within groups):\n")
  print(x$top, digits = digits, row.names = FALSE, ...)
  if (!is.null(x$bottom)) {
    cat(if (is.null(x$groups)) "\nLeast preferred:\n" else "\nLast species:\n")
    print(x$bottom, digits = digits, row.names = FALSE, ...)
  }
  if (!is.null(x$methods)) {
    cat("\nMethods (for a paper):\n")
    cat(strwrap(x$methods), sep = "\n")
  }
  invisible(x)
}
