#!/usr/bin/env bash
# Checks that the documents say what the programs do:
# - the shell commands of the README's tutorial and of docs/method.md's worked example run as
#   printed (on a copy of the example data, with SSCM_CLI's folder first on PATH), and what the
#   documents show them printing is what they print;
# - every relative link and picture of README.md and docs/*.md names a file that exists, and a
#   link's #section a heading of that file;
# - the README cites sscm as CITATION.cff does, and stays under 1,500 words.
#
# Usage: scripts/test-docs.sh SSCM_CLI
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cli=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failed=0
fail() {
    echo "test-docs: $*" >&2
    failed=1
}

# The body of the N-th code block of kind KIND (sh, text, r, or "" for a bare fence) within the
# section of FILE whose heading starts with HEADING (up to the next heading of its level).
block() {
    awk -v heading="$3" -v kind="$4" -v want="$5" '
        index($0, heading) == 1 { level = index($0, " "); inside = 1; next }
        inside && /^#+ / && index($0, " ") <= level && !fence { inside = 0 }
        inside && /^```/ {
            if (fence) { fence = 0; if (take) exit; next }
            fence = 1; n += ($0 == "```" kind); take = ($0 == "```" kind && n == want); next
        }
        take' "$1/$2"
}

# The README's tutorial in a shell: the command, then the first lines of what it prints.
mkdir -p "$work/tutorial/examples"
cp "$root/examples/grazing.csv" "$work/tutorial/examples/"
block "$root" README.md "## Tutorial" sh 1 >"$work/tutorial.sh"
block "$root" README.md "## Tutorial" text 1 >"$work/tutorial.expected"
[ -s "$work/tutorial.sh" ] && [ -s "$work/tutorial.expected" ] ||
    fail "the README's tutorial has no shell command and output"
if (cd "$work/tutorial" && PATH="$(dirname "$cli"):$PATH" bash -eo pipefail "$work/tutorial.sh" \
    >"$work/tutorial.out" 2>"$work/tutorial.err"); then
    head -n "$(wc -l <"$work/tutorial.expected")" "$work/tutorial.out" |
        diff -u "$work/tutorial.expected" - >&2 ||
        fail "the README's tutorial prints other lines than it shows"
    for f in results/spectrum.csv results/run.json spectrum.png log_grazing.csv; do
        [ -s "$work/tutorial/$f" ] || fail "the README's tutorial names $f, which it did not write"
    done
else
    cat "$work/tutorial.err" >&2
    fail "the README's tutorial command failed"
fi

# docs/method.md: the worked example's data, its command and the table of its values.
mkdir -p "$work/method"
block "$root" docs/method.md "## A worked example" "" 1 >"$work/method/w.csv"
block "$root" docs/method.md "## A worked example" sh 1 >"$work/method.sh"
if (cd "$work/method" && PATH="$(dirname "$cli"):$PATH" bash -eo pipefail "$work/method.sh" \
    >"$work/method.out" 2>&1); then
    # Rows "| A | 0.714698 | 1 |" of the table of values, as printed "   1  0.714698  A".
    rows=$(awk -F' *[|] *' '/^## A worked example/ { f = 1 } f && /^## / && !/worked/ { exit }
        f && NF == 5 && $3 ~ /^0[.][0-9]+$/ { printf "%d  %s %s\n", $4, $3, $2 }' \
        "$root/docs/method.md")
    [ -n "$rows" ] || fail "docs/method.md's worked example shows no values"
    while read -r rank value species; do
        grep -Eq "^ *$rank +$value +$species\$" "$work/method.out" ||
            fail "docs/method.md: $species is shown as $value (rank $rank), not printed so"
    done <<<"$rows"
else
    cat "$work/method.out" >&2
    fail "docs/method.md's worked example failed"
fi

# A heading as a link's #section: lower case, spaces to hyphens, other punctuation dropped.
slugs() {
    awk '/^```/ { fence = !fence } !fence && /^#+ / {
        s = tolower($0); sub(/^#+ /, "", s); gsub(/[^a-z0-9 _-]/, "", s); gsub(/ /, "-", s)
        print s }' "$1"
}
for doc in "$root/README.md" "$root"/docs/*.md; do
    dir=$(dirname "$doc")
    # Links outside code: ](target) with no scheme.
    while read -r target; do
        file=${target%%#*}
        anchor=${target#"$file"}
        path=$dir/${file:-$(basename "$doc")}
        if [ ! -e "$path" ]; then
            fail "${doc#"$root"/} links to $target, which does not exist"
        elif [ -n "$anchor" ] && ! slugs "$path" | grep -qx "${anchor#\#}"; then
            fail "${doc#"$root"/} links to $target, a section $file does not have"
        fi
    done < <(awk '/^```/ { fence = !fence; next } !fence' "$doc" |
        { grep -o '](\([^)]*\))' || true; } | sed 's/^](//; s/)$//' | { grep -v '^[a-z]*:' || true; })
done

# The README's citation is CITATION.cff's title and version.
title=$(sed -n 's/^title: "\(.*\)"$/\1/p' "$root/CITATION.cff")
version=$(sed -n 's/^version: //p' "$root/CITATION.cff")
quote=$(awk '/^## How to cite/ { f = 1; next } f && /^## / { exit }
    f && /^> / { sub(/^> /, ""); printf "%s%s", sep, $0; sep = " " }' "$root/README.md")
[[ "$quote" == *"$title. Version $version."* ]] ||
    fail "the README cites \"$quote\", not CITATION.cff's \"$title\", version $version"

words=$(wc -w <"$root/README.md")
[ "$words" -lt 1500 ] || fail "README.md has $words words, more than 1,500"

exit "$failed"
