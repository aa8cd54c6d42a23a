#!/usr/bin/env bash
# Checks the R package sscm (r/): R CMD build, then R CMD check --as-cran of the tarball (without
# the PDF manual when LaTeX is missing); its tests compare with the sscm-cli built in build/.
# Fails when the check reports an error or a warning (notes are listed).
#
# Usage: scripts/test-r.sh            the package as it is in the working tree
#        scripts/test-r.sh --release  the release tarball, made by scripts/r-tarball.sh from a
#                                     git archive of HEAD, is first installed into empty libraries
#                                     with R CMD INSTALL and with install.packages(), and each
#                                     install runs example(sscm_spectrum) and vignette("sscm"),
#                                     and the documents' R blocks run on it
set -euo pipefail
cd "$(dirname "$0")/.."
release=no
if [ "${1:-}" = "--release" ]; then
    release=yes
fi

if [ ! -f build/CMakeCache.txt ]; then
    cmake --preset default >/dev/null
fi
cmake --build --preset default -j "$(getconf _NPROCESSORS_ONLN)" --target sscm-cli
cli="$PWD/build/sscm-cli"
source scripts/r-ccache.sh
export MAKEFLAGS="-j$(getconf _NPROCESSORS_ONLN)"

out=$PWD/build/r-check
rm -rf "$out"
mkdir -p "$out"
if [ $release = yes ]; then
    tarball=$(bash scripts/r-tarball.sh "$out/release")
else
    (cd r && sh tools/link-core.sh)
    sscm_r_ccache "$out"
    (cd "$out" && R CMD build "$OLDPWD/r")
    tarball=$(ls "$out"/sscm_*.tar.gz)
fi
sscm_r_ccache "$out"
echo "tarball: $tarball"

if [ $release = yes ]; then
    # Both ways R users install a source tarball, each into a library of its own that starts
    # empty (the dependencies come from the site library); the vignette is opened through a
    # browser that only names it.
    for how in cmd install.packages; do
        lib="$out/lib-$how"
        mkdir -p "$lib"
        if [ $how = cmd ]; then
            R CMD INSTALL --library="$lib" "$tarball" >"$out/install-$how.log" 2>&1 ||
                { cat "$out/install-$how.log" >&2; exit 1; }
        else
            Rscript -e 'install.packages(commandArgs(TRUE)[1], lib = commandArgs(TRUE)[2],
                                         repos = NULL, type = "source")' \
                "$tarball" "$lib" >"$out/install-$how.log" 2>&1 ||
                { cat "$out/install-$how.log" >&2; exit 1; }
            grep -q "DONE (sscm)" "$out/install-$how.log" ||
                { cat "$out/install-$how.log" >&2; exit 1; }
        fi
        (cd "$out" && R_LIBS="$lib" Rscript -e '
            stopifnot(dirname(find.package("sscm")) == normalizePath(Sys.getenv("R_LIBS")))
            library(sscm)
            grDevices::pdf(NULL)
            example(sscm_spectrum, ask = FALSE)
            options(browser = function(url) cat("vignette:", url, "\n"))
            v <- vignette("sscm")
            stopifnot(file.exists(file.path(v$Dir, "doc", v$PDF)))
            print(v)' >"$out/example-$how.log" 2>&1) ||
            { cat "$out/example-$how.log" >&2; exit 1; }
        echo "installed with $how: example(sscm_spectrum) and vignette(\"sscm\") ran"
    done
    # The R blocks of the README's tutorial and of docs/r.md, as printed, on the installed package.
    { awk '/^## Tutorial/ { f = 1 } f && /^```r$/ { p = 1; next } p && /^```$/ { exit } p' README.md
      awk '/^```r$/ { p = 1; next } p && /^```$/ { exit } p' docs/r.md; } >"$out/readme.R"
    (cd "$out" && R_LIBS="$out/lib-cmd" Rscript -e '
        options(browser = function(url) cat("vignette:", url, "\n"))
        grDevices::pdf(NULL)
        source("readme.R", echo = TRUE)' >"$out/readme.log" 2>&1) ||
        { cat "$out/readme.log" >&2; echo "the R blocks of the documents failed" >&2; exit 1; }
    echo "the documents' R blocks ran ($(grep -c . "$out/readme.R") lines)"
fi

manual=()
if ! command -v pdflatex >/dev/null; then
    manual=(--no-manual)
fi
# NOT_CRAN: the interrupt test (a child R process and a signal) runs too.
(cd "$out" && SSCM_CLI="$cli" NOT_CRAN=true _R_CHECK_FORCE_SUGGESTS_=false \
    R CMD check --as-cran "${manual[@]}" "$tarball")
log=$out/sscm.Rcheck/00check.log
if grep -q -E '^Status: .*(ERROR|WARNING)' "$log"; then
    echo "R CMD check: errors or warnings, see $log" >&2
    exit 1
fi
grep -E '^Status:' "$log"
