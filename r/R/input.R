# Data in: a data frame, or the path of a CSV file read by the program's own reader.

# A scratch folder for the Read command's copy and sizing files, removed by the caller.
.sscm_scratch <- function() {
  dir <- tempfile("sscm-")
  dir.create(dir)
  normalizePath(dir)
}

# Checks `data` and returns what the C++ side takes: the data frame itself, or the file's
# absolute path.
.sscm_input <- function(data, call) {
  if (is.data.frame(data)) {
    # Dates, times and other classed columns as their printed text, as write.csv() writes them.
    classed <- vapply(data, function(col) {
      is.object(col) && !is.factor(col) && !inherits(col, "AsIs")
    }, TRUE)
    data[classed] <- lapply(data[classed], as.character)
    return(data)
  }
  if (is.character(data) && length(data) == 1L && !is.na(data)) {
    if (dir.exists(data)) {
      .sscm_abort(sprintf("\"%s\" is a folder, not a data file.", data), call)
    }
    if (!file.exists(data)) {
      .sscm_abort(sprintf("The data file \"%s\" does not exist.", data), call)
    }
    return(normalizePath(data))
  }
  .sscm_abort("`data` must be a data frame or the path of a CSV file.", call)
}

# Runs `f(scratch)` with a fresh scratch folder as the working directory, so that no
# scratch file of the reader lands in the user's folder, and removes the folder afterwards.
.sscm_with_scratch <- function(f) {
  scratch <- .sscm_scratch()
  old <- setwd(scratch)
  on.exit({
    setwd(old)
    unlink(scratch, recursive = TRUE)
  })
  f(scratch)
}

.sscm_abort <- function(message, call, class = NULL, ...) {
  cond <- structure(
    class = c(class, "sscm_error", "error", "condition"),
    list(message = message, call = call, ...)
  )
  stop(cond)
}

# The table as the analysis sees it (for tests): variable names and a character matrix.
.sscm_table <- function(data) {
  call <- sys.call()
  input <- .sscm_input(data, call)
  res <- .sscm_with_scratch(function(scratch) .Call(sscm_table, input, scratch))
  if (res$status != "ok") .sscm_abort(res$message, call)
  cells <- matrix(res$cells, ncol = length(res$varname), byrow = TRUE)
  colnames(cells) <- res$varname
  cells
}
