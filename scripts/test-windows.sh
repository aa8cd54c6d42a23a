#!/usr/bin/env bash
# Cross-builds sscm-cli.exe and the core's tests for 64-bit Windows with Debian's mingw-w64
# (cmake/mingw-w64.cmake, linked statically; GoogleTest built from Debian's sources with the same
# compiler) and runs them under wine. On the example data set and on a generated one, in files
# named Präferenz.csv and 種.csv, sscm-cli.exe's result, log, spectrum table, results folder
# tables and record file must equal byte for byte those of the Linux build (sscm-cli and sscm-gen
# in the folder given, build/ by default, built first by scripts/test.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
linux=$(cd "${1:-build}" && pwd)
jobs=$(getconf _NPROCESSORS_ONLN)
for tool in x86_64-w64-mingw32-g++-posix wine; do
    command -v "$tool" >/dev/null ||
        { echo "test-windows.sh: $tool is missing (scripts/deps.sh installs it)" >&2; exit 1; }
done

gtest=$PWD/build-win/gtest
if [ ! -f "$gtest/lib/libgtest.a" ]; then
    cmake -S /usr/src/googletest -B build-win/googletest -G Ninja -DBUILD_GMOCK=OFF \
        -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/mingw-w64.cmake" -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_INSTALL_PREFIX="$gtest" >/dev/null
    cmake --build build-win/googletest -j "$jobs" >/dev/null
    cmake --install build-win/googletest >/dev/null
fi

# The units' tests; those that need FIFOs, links, signals or file size limits skip themselves
# there, saying why. Not built for Windows: sscm-cli's own tests, which drive it through a POSIX
# shell; this script compares sscm-cli's files instead.
tests=(printfmt compat fieldreader normalize read category textencoding freshfile pathtext numbers
    outfile setup casetables records matrix connect eigen listings run analysis bootstrap btmodel
    export)
echo "not built for Windows: tst_cli, tst_cli_tables, tst_cli_safety (a POSIX shell drives them)"
cmake -S . -B build-win -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake \
    -DCMAKE_BUILD_TYPE=Release -DSSCM_WERROR=ON -DSSCM_BUILD_CHARTS=OFF -DSSCM_BUILD_GUI=OFF \
    -DSSCM_BUILD_TESTS=ON -DSSCM_BUILD_BENCH=OFF -DGTest_DIR="$gtest/lib/cmake/GTest" >/dev/null
cmake --build build-win -j "$jobs" --target sscm-cli "${tests[@]/#/tst_}"

# A wine of its own, made on first use, quiet.
export WINEPREFIX=$PWD/build-win/wineprefix WINEDEBUG=-all
exe=$PWD/build-win/sscm-cli.exe

passed=0
skipped=0
for t in "${tests[@]}"; do
    out=$(cd build-win/tests && wine "../tst_$t.exe" --gtest_brief=1 2>&1 | tr -d '\r') ||
        { echo "$out"; echo "test-windows.sh: tst_$t failed under wine" >&2; exit 1; }
    n=$(echo "$out" | sed -n 's/^\[  PASSED  \] \([0-9]*\) tests\{0,1\}\..*/\1/p')
    passed=$((passed + ${n:-0}))
    # Each skipped test prints "file:line: Skipped" and its reason on the next line.
    echo "$out" | grep -A1 ": Skipped$" | grep -v -e ": Skipped$" -e "^--$" |
        sed "s/^/tst_$t skips: /" || true
    k=$(echo "$out" | sed -n 's/^\[  SKIPPED \] \([0-9]*\) tests\{0,1\}[.,].*/\1/p')
    skipped=$((skipped + ${k:-0}))
done
echo "under wine: ${#tests[@]} test programs, $passed tests passed, $skipped skipped"

work=build-win/compare
rm -rf "$work"
mkdir -p "$work/linux" "$work/windows"
for side in linux windows; do
    cp examples/grazing.csv "$work/$side/Präferenz.csv"
    "$linux/sscm-gen" --set S --seed 7 -o "$work/$side/種.csv"
done

# run SIDE DATA OPTIONS...: one run of the Linux or the Windows build in its own folder, the same
# relative names on both sides.
run() {
    local side=$1 data=$2
    shift 2
    local stem=${data%.csv}
    local cmd=("$linux/sscm-cli")
    [ "$side" = windows ] && cmd=(wine "$exe")
    (cd "$work/$side" && "${cmd[@]}" "$data" --quiet --records "records_$stem.bin" \
        --spectrum "spectrum_$stem.csv" --out "tables_$stem" --bootstrap 40 --seed 11 \
        --threads 2 "$@")
}
for side in linux windows; do
    run "$side" Präferenz.csv --case Site --species Species --pref Pref
    run "$side" 種.csv --case Site --species Species --pref Pref
    # The result list on standard output, which Windows would write with CR CR LF line ends in
    # text mode.
    run "$side" 種.csv --case Site --species Species --pref Pref --results - --log stdout.log \
        >"$work/$side/stdout.csv"
done

failed=0
printf '%-44s %s\n' "file" "Windows = Linux"
for stem in Präferenz 種; do
    for f in "palatability_$stem.csv" "log_$stem.csv" "spectrum_$stem.csv" "records_$stem.bin" \
        "tables_$stem/spectrum.csv" "tables_$stem/pairs.csv" "tables_$stem/matrix.csv" \
        "tables_$stem/cases.csv"; do
        if cmp -s "$work/linux/$f" "$work/windows/$f"; then
            printf '%-44s %s\n' "$f" "equal"
        else
            printf '%-44s %s\n' "$f" "DIFFERENT"
            failed=1
        fi
    done
    # The record of the run names the data file's digest: CNG's on Windows, OpenSSL's on Linux.
    if [ "$(grep '"sha256"' "$work/linux/tables_$stem/run.json")" = \
        "$(grep '"sha256"' "$work/windows/tables_$stem/run.json")" ]; then
        printf '%-44s %s\n' "tables_$stem/run.json: sha256" "equal"
    else
        printf '%-44s %s\n' "tables_$stem/run.json: sha256" "DIFFERENT"
        failed=1
    fi
done
if cmp -s "$work/linux/stdout.csv" "$work/windows/stdout.csv"; then
    printf '%-44s %s\n' "standard output (--results -)" "equal"
else
    printf '%-44s %s\n' "standard output (--results -)" "DIFFERENT"
    failed=1
fi
[ "$failed" -eq 0 ] || { echo "test-windows.sh: the Windows build's files differ" >&2; exit 1; }
echo "mingw-w64 under wine: every file equals the Linux build's"
