#!/usr/bin/env bash
# The spectrum with a site bootstrap of BOOT replicates (1000 by default) on the generated set SET
# (M by default), from R and from sscm-cli: whole-process time and peak memory (/usr/bin/time),
# and the time of the sscm_spectrum() call alone (system.time) on a data frame that read.csv()
# made. R's baseline (starting, loading the package and read.csv() alone) is listed too. Both use
# every core; the R package must be installed (R CMD INSTALL r, or R_LIBS naming its library).
#
# Usage: bench/r-spectrum.sh [SET]   (BOOT=1000 by default)
set -euo pipefail
set_name=${1:-M}
boot=${BOOT:-1000}
source "$(dirname "$0")/common.sh"
data=$set_name.csv
[ -f "$data" ] || "$gen" --set "$set_name" -o "$data"

cat >r-spectrum.R <<'R'
args <- commandArgs(TRUE)
library(sscm)
d <- read.csv(args[1])
if (args[2] != "baseline") {
  t <- system.time(sp <- sscm_spectrum(d, "Site", "Species", "Pref",
                                       bootstrap = as.numeric(args[2])))
  cat(sprintf("call %.2f\n", t[["elapsed"]]), file = "r-call.txt")
}
R

printf '%-26s %10s %10s %10s\n' run "time s" "call s" "peak MB"
/usr/bin/time -f '%e %M' -o time.txt "$cli" "$data" --case Site --species Species --pref Pref \
    --bootstrap "$boot" --quiet
read -r t m <time.txt
printf '%-26s %10.2f %10s %10.0f\n' "sscm-cli" "$t" "" "$((m / 1024))"
/usr/bin/time -f '%e %M' -o time.txt Rscript r-spectrum.R "$data" "$boot"
read -r t m <time.txt
read -r _ call <r-call.txt
printf '%-26s %10.2f %10.2f %10.0f\n' "R sscm_spectrum()" "$t" "$call" "$((m / 1024))"
/usr/bin/time -f '%e %M' -o time.txt Rscript r-spectrum.R "$data" baseline
read -r t m <time.txt
printf '%-26s %10.2f %10s %10.0f\n' "R read.csv() alone" "$t" "" "$((m / 1024))"
