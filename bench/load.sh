#!/usr/bin/env bash
# Times the loading of a data file of about 1,000,000 rows and 5 columns (Read only: the file is
# normalised, sized and loaded, and its variables listed). Prints the wall time and peak memory.
set -euo pipefail
source "$(dirname "$0")/common.sh"
[ -f load5.csv ] || "$gen" --cases 20000 --rows-per-case 50 --species 3000 \
    --note -o load5.csv
echo "rows: $(($(wc -l <load5.csv) - 1)), columns: 5, bytes: $(($(wc -c <load5.csv)))"
/usr/bin/time -f 'wall %e s, peak %M kB' "$cli" load5.csv --list-variables
