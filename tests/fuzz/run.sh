#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (AddressSanitizer and UndefinedBehaviorSanitizer) and
# runs each on its seed corpus for FUZZ_SECONDS seconds (30 by default), one after the other.
# New inputs go to build-fuzz/corpus/, never into the repository; a crash stops the script with
# its input saved in build-fuzz/crashes/ and a non-zero exit status.
#   bash tests/fuzz/run.sh                    # every target, 30 s each (CI)
#   FUZZ_SECONDS=1800 bash tests/fuzz/run.sh read
set -euo pipefail
cd "$(dirname "$0")/../.."

seconds=${FUZZ_SECONDS:-30}
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(fieldreader read run)

cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      -DCMAKE_CXX_COMPILER=clang++ -DSSCM_FUZZ=ON \
      -DSSCM_BUILD_GUI=OFF -DSSCM_BUILD_TESTS=OFF -DSSCM_BUILD_BENCH=OFF >/dev/null
cmake --build build-fuzz -j "$(nproc)" --target "${targets[@]/#/fuzz_}"

mkdir -p build-fuzz/crashes
for t in "${targets[@]}"; do
    echo "== fuzz_$t for ${seconds} s"
    mkdir -p "build-fuzz/corpus/$t"
    # Seeds: the whole runs' own inputs for run; for the readers, the hand-made edge cases of
    # corpus/csv beside the test data and the example, read where they stand.
    if [ "$t" = run ]; then
        seeds=(tests/fuzz/corpus/run)
    else
        seeds=(tests/fuzz/corpus/csv tests/data examples)
    fi
    build-fuzz/fuzz_"$t" -max_total_time="$seconds" -print_final_stats=1 \
        -artifact_prefix="build-fuzz/crashes/$t-" \
        "build-fuzz/corpus/$t" "${seeds[@]}"
done
