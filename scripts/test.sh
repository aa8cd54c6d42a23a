#!/usr/bin/env bash
# Installs what is missing, checks formatting, then builds and runs every test twice: once
# plainly and once under AddressSanitizer and UndefinedBehaviorSanitizer, warnings as errors and
# the window included both times; then runs each fuzz target for 30 s.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/deps.sh

echo "== clang-format"
git ls-files '*.h' '*.cpp' | xargs clang-format --dry-run -Werror

jobs=$(nproc)
echo "== build and test"
cmake --preset default -DSSCM_WERROR=ON
cmake --build --preset default -j "$jobs"
ctest --preset default -j "$jobs"

echo "== R package"
bash scripts/test-r.sh

echo "== build and test with sanitizers"
cmake --preset sanitize -DSSCM_WERROR=ON
cmake --build --preset sanitize -j "$jobs"
ctest --preset sanitize -j "$jobs"

echo "== fuzz targets, 30 s each on their corpus"
bash tests/fuzz/run.sh
