#!/usr/bin/env bash
# Makes the release tarball of the R package sscm from the committed sources only: R CMD build of
# the r/ folder of a git archive of REV (HEAD by default), so nothing uncommitted or untracked goes
# in. The core's sources enter through r/src/core's links; the script checks that the links cover
# the core and that the tarball's copies are the repository's files, byte for byte. Prints the
# tarball's path.
#
# Usage: scripts/r-tarball.sh [OUTDIR]   (default build/r-release; emptied first)
set -euo pipefail
cd "$(dirname "$0")/.."
out=$(realpath -m "${1:-build/r-release}")
rev=${REV:-HEAD}
rm -rf "$out"
mkdir -p "$out/src"
git archive --format=tar "$rev" | tar -x -C "$out/src"
(cd "$out/src/r" && sh tools/link-core.sh --check) ||
    { echo "r/src/core's links differ from the core: run sh tools/link-core.sh in r/ and commit" >&2; exit 1; }

source scripts/r-ccache.sh
sscm_r_ccache "$out"
(cd "$out" && MAKEFLAGS="-j$(getconf _NPROCESSORS_ONLN)" R CMD build src/r) >"$out/build.log" 2>&1 ||
    { cat "$out/build.log" >&2; echo "R CMD build failed" >&2; exit 1; }
tarball=$(ls "$out"/sscm_*.tar.gz)

mkdir "$out/unpacked"
tar -xzf "$tarball" -C "$out/unpacked"
packed=$(cd "$out/unpacked/sscm/src/core" && find . -type f ! -name '*.o' | LC_ALL=C sort)
linked=$(cd "$out/src/r/src/core" && find . -type l | LC_ALL=C sort)
if [ "$packed" != "$linked" ]; then
    echo "the tarball's src/core holds other files than the core's:" >&2
    diff <(echo "$linked") <(echo "$packed") >&2 || true
    exit 1
fi
for f in $packed; do
    cmp "$out/unpacked/sscm/src/core/$f" "$out/src/$f" >&2
done
cmp "$out/unpacked/sscm/inst/extdata/grazing.csv" "$out/src/examples/grazing.csv" >&2
rm -rf "$out/unpacked"
echo "$tarball"
