#!/usr/bin/env bash
# Installs what is missing, checks formatting and the layers' includes, then builds and runs
# every test plainly (warnings as errors, the window included), builds sscm-cli with libc++ and
# the R package's sources with mingw-w64, cross-builds sscm-cli for Windows and compares its files
# under wine with the Linux build's, makes the .deb and the Windows zip, runs clang-tidy over the
# sources and checks the R package (its release tarball, installed both ways); then runs the
# threaded tests under ThreadSanitizer, every test under AddressSanitizer and
# UndefinedBehaviorSanitizer, and each fuzz target for 30 s. Each step prints the seconds it took.
set -euo pipefail
cd "$(dirname "$0")/.."

step_name=""
step_start=$SECONDS
step() {
    if [ -n "$step_name" ]; then
        echo "-- $step_name: $((SECONDS - step_start)) s"
    fi
    step_name=$1
    step_start=$SECONDS
    echo "== $1"
}

bash scripts/deps.sh

step "clang-format"
git ls-files '*.h' '*.cpp' | xargs clang-format --dry-run -Werror

step "layers"
bash scripts/check-layers.sh

jobs=$(getconf _NPROCESSORS_ONLN)
step "build and test"
cmake --preset default -DSSCM_WERROR=ON
cmake --build --preset default -j "$jobs"
ctest --preset default -j "$jobs"
bash scripts/docs-images.sh --check build
build/sscm-cli examples/grazing.csv --case Site --species Species --pref Pref --results - \
    --log /dev/null >build/example-results.csv

step "sscm-cli on the core alone (no charts, no Qt)"
cmake -S . -B build-nocharts -G Ninja -DCMAKE_BUILD_TYPE=Release -DSSCM_WERROR=ON \
    -DSSCM_BUILD_CHARTS=OFF -DSSCM_BUILD_GUI=OFF -DSSCM_BUILD_TESTS=OFF -DSSCM_BUILD_BENCH=OFF \
    >/dev/null
cmake --build build-nocharts -j "$jobs" --target sscm-cli
build-nocharts/sscm-cli examples/grazing.csv --case Site --species Species --pref Pref \
    --results - --log /dev/null | cmp - build/example-results.csv

step "libc++ build of sscm-cli, mingw-w64 compile of the R package's sources"
bash scripts/test-portability.sh

step "sscm-cli for Windows (mingw-w64), its files under wine equal to the Linux build's"
bash scripts/test-windows.sh build

step "packages: the .deb (installed into a folder, the example run from there), the Windows zip"
bash scripts/package.sh

step "clang-tidy"
bash scripts/tidy.sh

step "R package: the release tarball from a git archive, both installs, R CMD check --as-cran"
bash scripts/test-r.sh --release

step "threaded tests under ThreadSanitizer"
cmake --preset tsan -DSSCM_WERROR=ON
cmake --build --preset tsan -j "$jobs"
ctest --preset tsan -j "$jobs"

step "build and test with sanitizers"
cmake --preset sanitize -DSSCM_WERROR=ON
cmake --build --preset sanitize -j "$jobs"
ctest --preset sanitize -j "$jobs"

step "fuzz targets, 30 s each on their corpus"
bash tests/fuzz/run.sh
echo "-- $step_name: $((SECONDS - step_start)) s"
echo "== all steps: $SECONDS s"
