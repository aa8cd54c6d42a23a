#!/usr/bin/env bash
# The pictures of README.md and docs/ are screenshots and charts made by the test suite (the
# window's tests write them to BUILD/screenshots/). This copies them into docs/images/, so the
# documents show the program as it is; run it after the tests whenever the window or the charts
# change, and commit the pictures.
#
# Usage: scripts/docs-images.sh [--check] [BUILD]   (BUILD defaults to build)
#   --check: copy nothing; fail when a picture of docs/images/ is not one the tests make, or
#            differs in size from the tests' latest, which then needs copying.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
check=0
if [ "${1:-}" = --check ]; then
    check=1
    shift
fi
shots=${1:-$root/build}/screenshots
images=$root/docs/images

pictures=(
    spectrum-grazing.png # the README's first picture: the example with 1000 replicates
    matrix-grazing.png   # the example's heat map, in docs/cli.md
    tutorial-read.png tutorial-variables.png tutorial-go.png tutorial-chart.png
    tutorial-describe.png
    enlarged-window-with-results-table.png intervals-progress.png split-network-box.png
)

# Width and height of a PNG, from its header.
size() {
    od -An -tu1 -j16 -N8 "$1" | awk '{ printf "%dx%d", (($1 * 256 + $2) * 256 + $3) * 256 + $4,
                                                   (($5 * 256 + $6) * 256 + $7) * 256 + $8 }'
}

status=0
for p in "${pictures[@]}"; do
    if [ ! -s "$shots/$p" ]; then
        echo "docs-images: the tests made no $shots/$p (run the window's tests first)" >&2
        status=1
    elif [ "$check" = 0 ]; then
        mkdir -p "$images"
        cp "$shots/$p" "$images/$p"
    elif [ ! -s "$images/$p" ]; then
        echo "docs-images: docs/images/$p is missing: run scripts/docs-images.sh" >&2
        status=1
    elif [ "$(size "$shots/$p")" != "$(size "$images/$p")" ]; then
        echo "docs-images: docs/images/$p is $(size "$images/$p"), the tests now make" \
            "$(size "$shots/$p"): run scripts/docs-images.sh" >&2
        status=1
    fi
done
for f in "$images"/*; do
    [ -e "$f" ] || continue
    case " ${pictures[*]} " in
    *" $(basename "$f") "*) ;;
    *)
        echo "docs-images: docs/images/$(basename "$f") is not made by the tests" >&2
        status=1
        ;;
    esac
done
[ "$status" = 0 ] && [ "$check" = 0 ] && echo "copied ${#pictures[@]} pictures into docs/images/"
exit "$status"
