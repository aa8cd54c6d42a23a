#!/bin/sh
# Keeps the package's view of the core: src/core holds relative symbolic links to the sources of
# data/, analysis/ and the commands the package uses (Read, the headless window, the bootstrap
# job, the methods paragraph with the declarations of the run it describes), keeping their folders so that their includes ("data/...") resolve, and inst/extdata a link
# to the example data set. The links are in git, so R CMD build on a clone (it copies the package
# with links followed) packs the sources themselves into the tarball.
#
# Run from the package folder, the repository's r/: without arguments it adds the links missing
# and removes those whose file is gone (configure does so on every build in the repository);
# with --check it only lists the differences and fails when there is one.
set -e
check=no
if [ "$1" = "--check" ]; then
    check=yes
fi
if [ ! -f ../data/datatable.h ] || [ ! -f ../analysis/analysis.h ]; then
    echo "link-core.sh: run it in the r/ folder of the sscm repository" >&2
    exit 2
fi

wanted=$(cd .. && ls data/*.h data/*.cpp analysis/*.h analysis/*.cpp \
    commands/read.h commands/read.cpp commands/session.h \
    commands/windowprogress.h commands/windowprogress.cpp \
    commands/headlesswindow.h commands/headlesswindow.cpp \
    commands/bootstrapjob.h commands/bootstrapjob.cpp \
    commands/describe.h commands/describe.cpp commands/export.h)
differs=0

# link TARGET NAME: NAME must be a symbolic link to TARGET.
link() {
    if [ -L "$2" ] && [ "$(readlink "$2")" = "$1" ]; then
        return
    fi
    if [ $check = yes ]; then
        echo "link-core.sh: $2 is not a link to $1" >&2
        differs=1
        return
    fi
    mkdir -p "$(dirname "$2")"
    rm -f "$2"
    ln -s "$1" "$2"
}

for f in $wanted; do
    link "../../../../$f" "src/core/$f"
done
link ../../../examples/grazing.csv inst/extdata/grazing.csv

for f in src/core/*/*; do
    [ -e "$f" ] || [ -L "$f" ] || continue
    rel=${f#src/core/}
    case $rel in
    *.o) continue ;;
    esac
    if ! printf '%s\n' "$wanted" | grep -qxF "$rel"; then
        if [ $check = yes ]; then
            echo "link-core.sh: $f is not a source of the core" >&2
            differs=1
        else
            rm -f "$f"
        fi
    fi
done
exit $differs
