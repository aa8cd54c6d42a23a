#!/usr/bin/env bash
# The seeded coverage simulation of the bootstrap intervals (bench/coverage.R): prints the table
# of docs/method.md's section on what the intervals are worth.
#
# Usage: bench/coverage.sh   (SETS=20 data sets per cell and B=200 replicates by default)
set -euo pipefail
source "$(dirname "$0")/common.sh"
Rscript "$root/bench/coverage.R" "$cli" "$gen" coverage "${SETS:-20}" "${B:-200}"
