#!/usr/bin/env bash
# Builds the R package sscm (r/) with the core copied in, and checks it with R CMD check
# --no-manual; its tests compare with the sscm-cli built in build/. Fails when the check reports
# an error or a warning (notes are listed).
set -euo pipefail
cd "$(dirname "$0")/.."

if [ ! -f build/CMakeCache.txt ]; then
    cmake --preset default >/dev/null
fi
cmake --build --preset default -j "$(nproc)" --target sscm-cli

sh r/tools/copy-core.sh . r
out=build/r-check
rm -rf "$out"
mkdir -p "$out"
cd "$out"
R CMD build --no-manual ../../r
tarball=$(ls sscm_*.tar.gz)
# The package's C++ compiles through ccache when it is installed, as the CMake build's do; paths
# are taken relative to the repository, so the check's fresh copy of the sources hits the cache.
if command -v ccache >/dev/null; then
    printf 'CXX20 = ccache %s\n' "$(R CMD config CXX20)" >Makevars-ccache
    export R_MAKEVARS_USER="$PWD/Makevars-ccache"
    CCACHE_BASEDIR="$(cd ../.. && pwd)"
    export CCACHE_BASEDIR CCACHE_NOHASHDIR=1
fi
# NOT_CRAN: the interrupt test (a child R process and a signal) runs too.
SSCM_CLI="$(cd .. && pwd)/sscm-cli" NOT_CRAN=true _R_CHECK_FORCE_SUGGESTS_=false \
    MAKEFLAGS="-j$(nproc)" \
    R CMD check --no-manual "$tarball"
log=sscm.Rcheck/00check.log
if grep -q -E '^Status: .*(ERROR|WARNING)' "$log"; then
    echo "R CMD check: errors or warnings, see $out/$log" >&2
    exit 1
fi
grep -E '^Status:' "$log"
