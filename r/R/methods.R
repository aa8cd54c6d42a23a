# print() and plot() of the tables.

print.sscm_spectrum <- function(x, digits = 6, ...) {
  removed <- attr(x, "removed")
  settings <- attr(x, "settings")
  groups <- "group" %in% names(x)
  cat(sprintf("Palatability spectrum of %d species", nrow(x)))
  if (length(removed) > 0L) {
    cat(sprintf(" (%d removed: found in %s cases or fewer)", length(removed),
                format(settings$threshold)))
  }
  cat("\n")
  if (groups) {
    cat(sprintf("Ranked within %d groups of species that share no case: values compare only",
                length(unique(x$group))),
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
  shown <- as.data.frame(unclass(x), stringsAsFactors = FALSE)
  print(head(shown, n), row.names = FALSE, ...)
  if (nrow(shown) > n) {
    cat(sprintf("... and %d more rows\n", nrow(shown) - n))
  }
  invisible(x)
}

# The agreement of the spectrum with the model's ranking, when the model was fitted.
summary.sscm_spectrum <- function(object, ...) {
  model <- attr(object, "model")
  structure(list(species = nrow(object), steps = attr(object, "steps"),
                 bootstrap = attr(object, "bootstrap"), model = model),
            class = "summary.sscm_spectrum")
}

print.summary.sscm_spectrum <- function(x, ...) {
  cat(sprintf("Palatability spectrum of %d species.\n", x$species))
  if (!is.null(x$bootstrap)) {
    cat(sprintf("Site bootstrap: %d of %d replicates used.\n", x$bootstrap$used,
                x$bootstrap$replicates))
  }
  if (is.null(x$model)) {
    cat("No model-based ranking (model = \"bt\" adds one).\n")
  } else {
    cat(x$model$summary)
  }
  invisible(x)
}

print.sscm_pairs <- function(x, n = 20L, ...) {
  .sscm_print_table(x, sprintf("Pair counts of %d compared pairs of species", nrow(x)), n, ...)
}

print.sscm_matrix <- function(x, n = 20L, ...) {
  .sscm_print_table(x, sprintf(
    "Mean comparison matrix: %d compared ordered pairs; %s for pairs never compared",
    nrow(x), format(attr(x, "fill"), digits = 6)), n, ...)
}

# The spectrum chart: one point per species from the most preferred (top) to the least, with the
# bootstrap interval of its value as whiskers when there is one.
plot.sscm_spectrum <- function(x, main = "Palatability spectrum", xlab = "Palatability value",
                               cex.names = NULL, col = "black", ...) {
  n <- nrow(x)
  if (n == 0L) {
    stop("The spectrum holds no species.", call. = FALSE)
  }
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
  if ("group" %in% names(x)) {
    cut <- which(diff(x$group) != 0)
    abline(h = y[cut] - 0.5, lty = 3)
  }
  invisible(x)
}
