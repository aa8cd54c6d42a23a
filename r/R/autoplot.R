# ggplot2 charts of the spectrum and of the mean matrix. ggplot2 is only suggested: these methods
# are registered for its autoplot() generic when ggplot2 is loaded (NAMESPACE, delayed
# registration), and call it through `ggplot2::`.

autoplot.sscm_spectrum <- function(object, top = NULL, ...) {
  .data <- ggplot2::.data
  x <- .sscm_top(object, top)
  d <- .sscm_plain(x)
  # The most preferred species at the top of the chart.
  d$species <- factor(d$species, levels = rev(unique(d$species)))
  intervals <- !all(is.na(d$value_lo))
  p <- ggplot2::ggplot(d, ggplot2::aes(x = .data$value, y = .data$species))
  if (intervals) {
    p <- p + ggplot2::geom_errorbarh(
      ggplot2::aes(xmin = .data$value_lo, xmax = .data$value_hi), height = 0.3,
      na.rm = TRUE)
  }
  p <- p + ggplot2::geom_point() +
    ggplot2::labs(x = "Palatability value", y = NULL, title = "Palatability spectrum")
  boot <- attr(object, "bootstrap")
  notes <- c(
    if (intervals) sprintf("bars: %s %% bootstrap intervals (%d replicates)",
                           format(100 * boot$level), boot$used),
    if (nrow(x) < .sscm_total(object)) sprintf("the first %d of %d species", nrow(x),
                                               .sscm_total(object))
  )
  if (length(notes)) {
    p <- p + ggplot2::labs(subtitle = paste(notes, collapse = "; "))
  }
  if ("group" %in% names(d)) {
    p <- p + ggplot2::facet_grid(rows = ggplot2::vars(.data$group), scales = "free_y",
                                 space = "free_y")
  }
  p
}

# The heat map of the mean matrix: rows and columns in the order of the species' names; cells of
# pairs never compared stay empty.
autoplot.sscm_matrix <- function(object, ...) {
  .data <- ggplot2::.data
  d <- .sscm_plain(object)
  lev <- sort(unique(c(d$species_a, d$species_b)))
  d$species_a <- factor(d$species_a, levels = rev(lev))
  d$species_b <- factor(d$species_b, levels = lev)
  ggplot2::ggplot(d, ggplot2::aes(x = .data$species_b, y = .data$species_a,
                                  fill = .data$mean_code)) +
    ggplot2::geom_tile() +
    ggplot2::scale_fill_gradient2(name = "mean code") +
    ggplot2::labs(x = NULL, y = NULL, title = "Mean comparison matrix") +
    ggplot2::theme(axis.text.x = ggplot2::element_text(angle = 90, hjust = 1, vjust = 0.5))
}
