# The spectrum, the pair counts and the mean matrix of a data set, as data frames.

sscm_spectrum <- function(data, case, species, pref, threshold = 4, remove_low = TRUE,
                          bootstrap = 0, seed = 1, level = 0.95, threads = NULL,
                          per_group = FALSE, lower_is_preferred = FALSE, separator = ",",
                          decimal = ".", model = NULL) {
  call <- sys.call()
  args <- .sscm_args(case, species, pref, threshold, remove_low, bootstrap, seed, level,
                     threads, per_group, call, lower_is_preferred, separator, decimal, model)
  res <- .sscm_run(data, args, "spectrum", call)
  .sscm_spectrum_frame(res, args)
}

sscm_pairs <- function(data, case, species, pref, threshold = 4, remove_low = TRUE,
                       per_group = FALSE, lower_is_preferred = FALSE, separator = ",",
                       decimal = ".") {
  call <- sys.call()
  args <- .sscm_args(case, species, pref, threshold, remove_low, 0, 1, 0.95, NULL, per_group,
                     call, lower_is_preferred, separator, decimal)
  res <- .sscm_run(data, args, "pairs", call)
  out <- .sscm_frame(res$table)
  .sscm_finish(out, res, args, "sscm_pairs")
}

sscm_matrix <- function(data, case, species, pref, threshold = 4, remove_low = TRUE,
                        per_group = FALSE, lower_is_preferred = FALSE, separator = ",",
                        decimal = ".") {
  call <- sys.call()
  args <- .sscm_args(case, species, pref, threshold, remove_low, 0, 1, 0.95, NULL, per_group,
                     call, lower_is_preferred, separator, decimal)
  res <- .sscm_run(data, args, "matrix", call)
  out <- .sscm_frame(res$table)
  out <- .sscm_finish(out, res, args, "sscm_matrix")
  attr(out, "fill") <- res$fill
  out
}

# Checks the arguments every function shares; a bad one is an error naming it.
.sscm_args <- function(case, species, pref, threshold, remove_low, bootstrap, seed, level,
                       threads, per_group, call, lower_is_preferred = FALSE, separator = ",",
                       decimal = ".", model = NULL) {
  name <- function(x, what) {
    if (missing(x) || !is.character(x) || length(x) != 1L || is.na(x) || !nzchar(x)) {
      .sscm_abort(sprintf("`%s` must be one variable name (a non-empty string).", what), call)
    }
    enc2utf8(x)
  }
  flag <- function(x, what) {
    if (!is.logical(x) || length(x) != 1L || is.na(x)) {
      .sscm_abort(sprintf("`%s` must be TRUE or FALSE.", what), call)
    }
    x
  }
  whole <- function(x, what, lo, hi) {
    if (!is.numeric(x) || length(x) != 1L || is.na(x) || x != trunc(x) || x < lo || x > hi) {
      .sscm_abort(sprintf("`%s` must be a whole number from %s to %s.", what,
                          format(lo, scientific = FALSE), format(hi, scientific = FALSE)),
                  call)
    }
    as.numeric(x)
  }
  if (!(is.numeric(threshold) || is.character(threshold)) || length(threshold) != 1L ||
      is.na(threshold)) {
    .sscm_abort("`threshold` must be one number (or its text, as typed in the window).", call)
  }
  if (is.numeric(threshold) && !is.finite(threshold)) {
    .sscm_abort("`threshold` must be a finite number.", call)
  }
  if (!is.numeric(level) || length(level) != 1L || is.na(level) || level <= 0 || level >= 1) {
    .sscm_abort("`level` must be a number between 0 and 1 (0.95 for 95 % intervals).", call)
  }
  if (!is.null(threads)) {
    threads <- whole(threads, "threads", 1, 1024)
  }
  if (identical(separator, "tab")) {
    separator <- "\t"
  }
  if (!is.character(separator) || length(separator) != 1L || is.na(separator) ||
      !separator %in% c(",", ";", "\t")) {
    .sscm_abort("`separator` must be \",\", \";\" or \"\\t\" (tab).", call)
  }
  if (!is.character(decimal) || length(decimal) != 1L || is.na(decimal) ||
      !decimal %in% c(".", ",")) {
    .sscm_abort("`decimal` must be \".\" or \",\".", call)
  }
  if (!is.null(model) && !identical(model, "bt")) {
    .sscm_abort("`model` must be NULL or \"bt\" (the Bradley-Terry ranking).", call)
  }
  list(
    case = name(case, "case"),
    species = name(species, "species"),
    pref = name(pref, "pref"),
    threshold = if (is.character(threshold)) enc2utf8(threshold) else as.numeric(threshold),
    remove_low = flag(remove_low, "remove_low"),
    bootstrap = whole(bootstrap, "bootstrap", 0, .Machine$integer.max),
    seed = whole(seed, "seed", 0, 2^53),
    level = as.numeric(level),
    threads = if (is.null(threads)) 0 else threads,
    per_group = flag(per_group, "per_group"),
    lower_is_preferred = flag(lower_is_preferred, "lower_is_preferred"),
    separator = separator,
    decimal = decimal,
    model = if (is.null(model)) "" else model
  )
}

# Runs the analysis in C++ and turns its failures into R conditions.
.sscm_run <- function(data, args, what, call) {
  input <- .sscm_input(data, call)
  if (is.data.frame(input)) {
    # Only the role columns are turned into text (all of them when a name is missing, so that
    # the analysis reports it in its own words).
    roles <- c(args$case, args$species, args$pref)
    if (all(roles %in% names(input))) {
      input <- input[names(input) %in% roles]
    }
  }
  res <- .sscm_with_scratch(function(scratch) .Call(sscm_run, input, scratch, args, what))
  if (!is.null(res$left_out)) {
    warning(res$left_out, call. = FALSE)
  }
  if (res$status == "split") {
    groups <- .sscm_frame(res$groups)
    .sscm_abort(res$message, call, class = "sscm_split_network", groups = groups)
  }
  if (res$status != "ok") {
    .sscm_abort(res$message, call)
  }
  if (!is.null(res$note)) {
    warning(res$note, call. = FALSE)
  }
  res
}

.sscm_frame <- function(columns) {
  as.data.frame(columns, stringsAsFactors = FALSE, optional = TRUE)
}

.sscm_finish <- function(out, res, args, class) {
  attr(out, "removed") <- res$removed
  attr(out, "settings") <- args
  attr(out, "encoding") <- res$encoding
  class(out) <- c(class, "data.frame")
  out
}

.sscm_spectrum_frame <- function(res, args) {
  out <- .sscm_frame(res$table)
  out <- .sscm_finish(out, res, args, "sscm_spectrum")
  attr(out, "steps") <- res$steps
  attr(out, "change") <- res$change
  attr(out, "fill") <- res$fill
  # The paragraph for a paper's methods section (none for a ranking within groups).
  attr(out, "methods") <- res$methods
  if (!is.null(res$bootstrap)) {
    attr(out, "bootstrap") <- res$bootstrap
  }
  if (!is.null(res$model)) {
    attr(out, "model") <- res$model
    if (res$model$warning) {
      # The program's own warning line, as sscm-cli prints it.
      lines <- strsplit(res$model$summary, "\n", fixed = TRUE)[[1]]
      warning(sub("^warning: ", "", grep("^warning: ", lines, value = TRUE)), call. = FALSE)
    }
  }
  out
}
