#!/usr/bin/env bash
# Runs clang-tidy (the checks of .clang-tidy) over the sources of data/, analysis/, commands/,
# charts/, ui/ and cli/, two at a time, with the compile commands of the default build (built
# first so that the window's generated headers exist). Fails on any warning.
set -euo pipefail
cd "$(dirname "$0")/.."

build=${SSCM_TIDY_BUILD:-build}
if [ ! -f "$build/compile_commands.json" ]; then
    echo "tidy: no $build/compile_commands.json; configure the default preset first" >&2
    exit 1
fi
jobs=${SSCM_TIDY_JOBS:-2}
# Only the sources that the build compiles (the window's, when it is built).
mapfile -t files < <(python3 - "$build/compile_commands.json" <<'PY'
import json, os, sys
root = os.getcwd() + "/"
for entry in json.load(open(sys.argv[1])):
    f = entry["file"]
    rel = f[len(root):] if f.startswith(root) else None
    if rel and rel.split("/")[0] in ("data", "analysis", "commands", "charts", "ui", "cli"):
        print(rel)
PY
)
echo "tidy: ${#files[@]} files"
printf '%s\n' "${files[@]}" | sort -u |
    xargs -P "$jobs" -n 1 clang-tidy -p "$build" --quiet 2> >(grep -v -E '^[0-9]+ warnings? generated' >&2)
echo "tidy: clean"
