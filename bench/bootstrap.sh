#!/usr/bin/env bash
# The site bootstrap on the generated data sets: whole-process time and peak memory of a run with
# B replicates (one thread per core), and how the intervals narrow with four times the cases.
#
# Usage: bench/bootstrap.sh [SETS...]   (default: M L; B=1000 by default)
set -euo pipefail
replicates=${B:-1000}
sets=("$@")
[ ${#sets[@]} -eq 0 ] && sets=(M L)
source "$(dirname "$0")/common.sh"
threads=$(getconf _NPROCESSORS_ONLN)

printf '%-4s %6s %8s %6s %10s %10s\n' set B used split "time s" "peak MB"
for set in "${sets[@]}"; do
    data=$set.csv
    [ -f "$data" ] || "$gen" --set "$set" -o "$data"
    /usr/bin/time -f '%e %M' -o time.txt "$cli" "$data" --case Site --species Species \
        --pref Pref --quiet --bootstrap "$replicates" --threads "$threads" \
        --spectrum "spectrum_$set.csv" 2>summary.txt
    read -r t m <time.txt
    read -r used split < <(sed -n 's/^bootstrap: \([0-9]*\) replicates used, \([0-9]*\).*/\1 \2/p' \
        summary.txt)
    printf '%-4s %6d %8d %6d %10.2f %10.0f\n' "$set" "$replicates" "$used" "$split" "$t" \
        "$((m / 1024))"
done

# Four times the cases, the same species and case sizes: percentile intervals should be about
# half as wide (the square root of 1/4). Compared over the species kept in both runs.
"$gen" --cases 1000 --rows-per-case 30 --species 150 --seed 5 -o W1.csv
"$gen" --cases 4000 --rows-per-case 30 --species 150 --seed 6 -o W4.csv
for w in W1 W4; do
    "$cli" "$w.csv" --case Site --species Species --pref Pref --quiet --bootstrap 400 \
        --threads "$threads" --spectrum "spectrum_$w.csv" 2>/dev/null
done
awk -F, 'FNR == 1 { next }
         NR == FNR { w1[$1] = $7 - $6; next }
         ($1 in w1) && w1[$1] > 0 { print ($7 - $6) / w1[$1] }' spectrum_W1.csv spectrum_W4.csv |
    sort -g | awk '{ r[NR] = $1; s += $1 }
        END { printf "interval width, 4x cases / 1x: mean %.3f, median %.3f over %d species\n",
                     s / NR, (NR % 2 ? r[(NR + 1) / 2] : (r[NR / 2] + r[NR / 2 + 1]) / 2), NR }'
