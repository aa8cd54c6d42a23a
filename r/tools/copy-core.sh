#!/bin/sh
# Copies the core's sources (data/, analysis/, and the Read command, the headless window and the
# bootstrap job of commands/) from the sscm repository ROOT into the package folder PKG's
# src/core, keeping their folders so that their includes ("data/...") resolve, and the example
# data set into PKG's inst/extdata.
# The package keeps no copy of its own in git: configure calls this on every build from the
# repository, and R CMD build packs the copy into the tarball. Unchanged files are left alone
# (so their objects are not rebuilt) and files gone from the repository are removed.
set -e
root=$1
pkg=$2
if [ -z "$root" ] || [ -z "$pkg" ]; then
    echo "usage: copy-core.sh ROOT PKG" >&2
    exit 2
fi
dest=$pkg/src/core

update() {
    if ! cmp -s "$1" "$2"; then
        cp -p "$1" "$2"
    fi
}

mkdir -p "$dest/data" "$dest/analysis" "$dest/commands" "$pkg/inst/extdata"
for f in "$root"/data/*.h "$root"/data/*.cpp "$root"/analysis/*.h "$root"/analysis/*.cpp \
    "$root"/commands/read.h "$root"/commands/read.cpp "$root"/commands/session.h \
    "$root"/commands/windowprogress.h "$root"/commands/windowprogress.cpp \
    "$root"/commands/headlesswindow.h "$root"/commands/headlesswindow.cpp \
    "$root"/commands/bootstrapjob.h "$root"/commands/bootstrapjob.cpp; do
    [ -f "$f" ] && update "$f" "$dest/${f#"$root"/}"
done
for f in "$dest"/data/* "$dest"/analysis/* "$dest"/commands/*; do
    [ -f "$f" ] || continue
    rel=${f#"$dest"/}
    case $rel in
    *.o) src=${rel%.o}.cpp ;;
    *) src=$rel ;;
    esac
    [ -f "$root/$src" ] || rm -f "$f"
done
update "$root/examples/grazing.csv" "$pkg/inst/extdata/grazing.csv"
