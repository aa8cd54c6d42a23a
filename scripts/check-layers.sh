#!/usr/bin/env bash
# Checks that no folder includes one above it. Layers, lowest first: data/, analysis/,
# commands/, charts/, then the front ends ui/, cli/ and r/, which include none of each other.
# The folders below charts/ include no Qt header either. Lists every offending include and
# fails when there is one.
set -euo pipefail
cd "$(dirname "$0")/.."

rank() {
    case $1 in
    data) echo 0 ;;
    analysis) echo 1 ;;
    commands) echo 2 ;;
    charts) echo 3 ;;
    ui | cli | r) echo 4 ;;
    *) echo -1 ;;
    esac
}

bad=0
for folder in data analysis commands charts ui cli r; do
    own=$(rank "$folder")
    while IFS= read -r line; do
        file=${line%%:*}
        rest=${line#*:}
        file="$file:${rest%%:*}"
        rest=${rest#*:}
        target=$(printf '%s\n' "$rest" | sed -n 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"\([a-z]*\)\/.*/\1/p')
        [ -n "$target" ] || continue
        other=$(rank "$target")
        [ "$other" -ge 0 ] || continue
        if [ "$other" -gt "$own" ] || { [ "$other" -eq 4 ] && [ "$target" != "$folder" ]; }; then
            echo "$file: $folder/ includes $target/: ${rest}" >&2
            bad=1
        fi
    done < <(git ls-files "$folder" | grep -E '\.(h|cpp)$' | xargs -r grep -Hn '#[[:space:]]*include[[:space:]]*"' || true)
    if [ "$own" -le 2 ]; then
        while IFS= read -r line; do
            echo "$line: the core includes no Qt header" >&2
            bad=1
        done < <(git ls-files "$folder" | grep -E '\.(h|cpp)$' | xargs -r grep -Hn '#[[:space:]]*include[[:space:]]*<Q' || true)
    fi
done
if [ "$bad" -ne 0 ]; then
    echo "check-layers: a lower layer includes a higher one" >&2
    exit 1
fi
echo "check-layers: every include points down or within its folder"
