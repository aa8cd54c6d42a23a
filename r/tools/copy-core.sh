#!/bin/sh
# Copies the core's sources (data/, analysis/ and the Read command of commands/) from the sscm
# repository ROOT into DEST, keeping their folders so that their includes ("data/...") resolve.
# The package keeps no copy of its own in git: configure calls this on every build from the
# repository, and R CMD build packs the copy into the tarball. Unchanged files are left alone
# (so their objects are not rebuilt) and files gone from the repository are removed.
set -e
root=$1
dest=$2
if [ -z "$root" ] || [ -z "$dest" ]; then
    echo "usage: copy-core.sh ROOT DEST" >&2
    exit 2
fi

sources() {
    for f in "$root"/data/*.h "$root"/data/*.cpp "$root"/analysis/*.h "$root"/analysis/*.cpp \
        "$root"/commands/read.h "$root"/commands/read.cpp "$root"/commands/session.h; do
        [ -f "$f" ] && echo "${f#"$root"/}"
    done
}

mkdir -p "$dest/data" "$dest/analysis" "$dest/commands"
list=$(sources)
for rel in $list; do
    if ! cmp -s "$root/$rel" "$dest/$rel"; then
        cp -p "$root/$rel" "$dest/$rel"
    fi
done
for f in "$dest"/data/* "$dest"/analysis/* "$dest"/commands/*; do
    [ -f "$f" ] || continue
    rel=${f#"$dest"/}
    case $rel in
    *.o) src=${rel%.o}.cpp ;;
    *) src=$rel ;;
    esac
    if [ ! -f "$root/$src" ]; then
        rm -f "$f"
    fi
done
