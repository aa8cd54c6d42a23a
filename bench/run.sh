#!/usr/bin/env bash
# Runs sscm-cli on the generated data sets S, M and L and prints one table: the whole-process time
# (median of RUNS runs) and peak memory of each, beside the I/O floor of the same run: the time to
# write the same number of bytes of records, results and log to the same folder and to read the
# records back with cat (page cache, no sync).
#
# Usage: bench/run.sh [SETS...]   (default: S M L; RUNS=5 by default)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
runs=${RUNS:-5}
sets=("$@")
[ ${#sets[@]} -eq 0 ] && sets=(S M L)

cmake --preset default >/dev/null
cmake --build --preset default --target sscm-cli sscm-gen >/dev/null
cli=$root/build/sscm-cli
gen=$root/build/sscm-gen
work=$root/build/bench-data
mkdir -p "$work"
cd "$work"

now() { date +%s.%N; }
median() { sort -g | awk '{v[NR]=$1} END{print v[int((NR+1)/2)]}'; }

printf '%-4s %9s %11s %8s %10s %10s %10s %10s\n' set rows records "rec MB" "time s" "peak MB" \
    "floor s" "x floor"
for set in "${sets[@]}"; do
    data=$set.csv
    [ -f "$data" ] || "$gen" --set "$set" -o "$data"
    rows=$(($(wc -l <"$data") - 1))
    # Records: every ordered pair of rows of a case; each record is the case, the two species,
    # three commas, the code between blanks and CR LF.
    read -r records recbytes < <(awk -F, 'NR > 1 {
            n[$1]++; len[$1] = length($1); sl[$1] += length($2)
        } END {
            for (c in n) { r += n[c] * n[c]; b += n[c] * n[c] * (len[c] + 8) + 2 * n[c] * sl[c] }
            printf "%d %d\n", r, b
        }' "$data")

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
    outbytes=$(($(stat -c %s "palatability_$data") + $(stat -c %s "log_$data")))

    floors=()
    for ((i = 0; i < runs; i++)); do
        t0=$(now)
        head -c "$recbytes" /dev/zero >floor.tmp
        head -c "$outbytes" /dev/zero >floor-out.tmp
        cat floor.tmp >/dev/null
        t1=$(now)
        floors+=("$(awk -v a="$t0" -v b="$t1" 'BEGIN{print b - a}')")
        rm -f floor.tmp floor-out.tmp
    done
    f=$(printf '%s\n' "${floors[@]}" | median)
    awk -v s="$set" -v r="$rows" -v n="$records" -v b="$recbytes" -v t="$t" -v m="$peak" \
        -v f="$f" 'BEGIN{printf "%-4s %9d %11d %8.0f %10.3f %10.0f %10.3f %10.1f\n",
                         s, r, n, b / 1e6, t, m / 1024, f, t / f}'
done
