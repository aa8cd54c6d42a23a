#!/usr/bin/env bash
# Builds sscm and runs the analysis on the bundled example data set: 12 grazed grassland sites,
# 25 plant species, preference measured as bites, percent of leaf area eaten or ranks.
# The result and log files and the two charts (with intervals from 1000 bootstrap replicates) are
# written to build/example/.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/deps.sh
cmake --preset default >/dev/null
cmake --build --preset default --target sscm-cli sscm

mkdir -p build/example
cd build/example
../sscm-cli ../../examples/grazing.csv --case Site --species Species --pref Pref \
    --bootstrap 1000 --plot spectrum.png --heatmap matrix.png
echo
echo "Written: $(pwd)/palatability_grazing.csv and $(pwd)/log_grazing.csv,"
echo "and the charts $(pwd)/spectrum.png and $(pwd)/matrix.png"
