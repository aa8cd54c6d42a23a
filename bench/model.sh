#!/usr/bin/env bash
# The Bradley-Terry companion ranking on the generated data sets: whole-process time and peak
# memory of a plain run, of --model bt, and of both with B bootstrap replicates (one thread per
# core), with the CPU time (user + system: what the run costs when other work shares the cores),
# the fit's steps and the agreement it reports.
#
# Usage: bench/model.sh [SETS...]   (default: M L; B=1000 by default)
set -euo pipefail
replicates=${B:-1000}
sets=("$@")
[ ${#sets[@]} -eq 0 ] && sets=(M L)
source "$(dirname "$0")/common.sh"
threads=$(nproc)

printf '%-4s %-28s %10s %10s %10s  %s\n' set options "time s" "CPU s" "peak MB" "model"
for set in "${sets[@]}"; do
    data=$set.csv
    [ -f "$data" ] || "$gen" --set "$set" -o "$data"
    for options in "" "--model bt" "--bootstrap $replicates" "--model bt --bootstrap $replicates"; do
        # shellcheck disable=SC2086 # the options are words
        /usr/bin/time -f '%e %U %S %M' -o time.txt "$cli" "$data" --case Site --species Species \
            --pref Pref --quiet --threads "$threads" $options --spectrum "model_$set.csv" \
            2>summary.txt
        read -r t u k m <time.txt
        model=$(sed -n 's/^model: Bradley-Terry fit in \([0-9]*\) steps; agreement with the spectrum: \(.*\)/\1 steps, \2/p' \
            summary.txt)
        printf '%-4s %-28s %10.2f %10.2f %10.0f  %s\n' "$set" "${options:-(plain)}" "$t" \
            "$(awk -v u="$u" -v k="$k" 'BEGIN{print u + k}')" "$((m / 1024))" "$model"
    done
done
