#!/usr/bin/env bash
# Runs sscm-cli on the generated data sets S, M and L and prints one table: the whole-process time
# (median of RUNS runs) and peak memory of each, beside the I/O floor of the same run: the time to
# read the data file with cat and to write the same number of bytes of results and log to the same
# folder (page cache, no sync). The records (every ordered pair of rows of a case) are counted: the
# run pools them in memory.
#
# Usage: bench/run.sh [SETS...]   (default: S M L; RUNS=5 by default)
set -euo pipefail
runs=${RUNS:-5}
sets=("$@")
[ ${#sets[@]} -eq 0 ] && sets=(S M L)
source "$(dirname "$0")/common.sh"

now() { date +%s.%N; }
median() { sort -g | awk '{v[NR]=$1} END{print v[int((NR+1)/2)]}'; }

printf '%-4s %9s %11s %8s %10s %10s %10s %10s\n' set rows records "out MB" "time s" "peak MB" \
    "floor s" "x floor"
for set in "${sets[@]}"; do
    data=$set.csv
    [ -f "$data" ] || "$gen" --set "$set" -o "$data"
    rows=$(($(wc -l <"$data") - 1))
    records=$(awk -F, 'NR > 1 { n[$1]++ } END { for (c in n) r += n[c] * n[c]; print r }' "$data")

    times=()
    peak=0
    for ((i = 0; i < runs; i++)); do
        /usr/bin/time -f '%e %M' -o time.txt "$cli" "$data" --case Site --species Species \
            --pref Pref --quiet
        read -r t m <time.txt
        times+=("$t")
        [ "$m" -gt "$peak" ] && peak=$m
    done
    t=$(printf '%s\n' "${times[@]}" | median)
    outbytes=$(($(wc -c <"palatability_$data") + $(wc -c <"log_$data")))

    floors=()
    for ((i = 0; i < runs; i++)); do
        t0=$(now)
        cat "$data" >/dev/null
        head -c "$outbytes" /dev/zero >floor-out.tmp
        t1=$(now)
        floors+=("$(awk -v a="$t0" -v b="$t1" 'BEGIN{print b - a}')")
        rm -f floor-out.tmp
    done
    f=$(printf '%s\n' "${floors[@]}" | median)
    awk -v s="$set" -v r="$rows" -v n="$records" -v b="$outbytes" -v t="$t" -v m="$peak" \
        -v f="$f" 'BEGIN{printf "%-4s %9d %11d %8.0f %10.3f %10.0f %10.3f %10.1f\n",
                         s, r, n, b / 1e6, t, m / 1024, f, t / f}'
done
