#!/usr/bin/env bash
# Builds the core with the toolchains R users on macOS and Windows have:
# - clang with libc++ (LLVM 14 lacks std::from_chars for double and make_unique_for_overwrite,
#   which data/compat.h fills; its to_chars fill for Apple's older systems is selected too):
#   sscm-cli is built in build-libcxx/ and its result file and tables, with a site bootstrap,
#   must equal byte for byte those of the libstdc++ build in build/ (built first by
#   scripts/test.sh);
# - Debian's mingw-w64 cross compiler (the posix thread model, as in Rtools): the R package's C++
#   sources, its own and the core's, compiled against R's and Rcpp's headers (not linked).
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(getconf _NPROCESSORS_ONLN)

cmake -S . -B build-libcxx -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_COMPILER=clang++ \
    -DCMAKE_CXX_FLAGS="-stdlib=libc++ -DSSCM_COMPAT_FILL_TO_CHARS" \
    -DCMAKE_EXE_LINKER_FLAGS=-stdlib=libc++ -DSSCM_WERROR=ON \
    -DSSCM_BUILD_CHARTS=OFF -DSSCM_BUILD_GUI=OFF -DSSCM_BUILD_TESTS=OFF -DSSCM_BUILD_BENCH=OFF \
    >/dev/null
cmake --build build-libcxx -j "$jobs" --target sscm-cli
for b in build build-libcxx; do
    rm -rf "$b/portability-out"
    "$b/sscm-cli" examples/grazing.csv --case Site --species Species --pref Pref --quiet \
        --bootstrap 40 --threads 2 --results "$b/portability-results.csv" --log /dev/null \
        --out "$b/portability-out"
done
cmp build/portability-results.csv build-libcxx/portability-results.csv
for t in spectrum.csv pairs.csv matrix.csv cases.csv; do
    cmp "build/portability-out/$t" "build-libcxx/portability-out/$t"
done
echo "libc++: sscm-cli's results and tables equal the libstdc++ build's"

rcpp=$(Rscript -e 'cat(system.file("include", package = "Rcpp"))')
(cd r && sh tools/link-core.sh)
version=$(sed -n 's/^Version: *//p' r/DESCRIPTION)
cd r/src
find . -name '*.cpp' | LC_ALL=C sort | xargs -P "$jobs" -I{} \
    x86_64-w64-mingw32-g++-posix -std=gnu++20 -fsyntax-only -Icore -DR_NO_REMAP= \
    "-DSSCM_VERSION=\"$version\"" -I/usr/share/R/include -I"$rcpp" {}
echo "mingw-w64: the package's sources compile for Windows"
