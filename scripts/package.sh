#!/usr/bin/env bash
# Makes the packages a user installs, with CPack (cmake/install.cmake):
# - build/sscm_<version>_<arch>.deb from the default build: the window (with its .desktop file
#   and icon), sscm-cli, their manual pages (made from their --help), the README, the documents
#   and the example data; it is unpacked into a clean folder, where the installed sscm-cli runs
#   the installed example and must give the build's result, the installed window starts and both
#   manual pages render;
# - build-win/sscm-cli-<version>-windows-x86_64.zip: sscm-cli.exe with the README, the documents
#   and the example data, from the Windows cross build (scripts/test-windows.sh configures it).
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(getconf _NPROCESSORS_ONLN)
command -v dpkg-deb >/dev/null || { echo "package.sh: needs Debian's dpkg-deb" >&2; exit 1; }

cmake --preset default -DSSCM_MAN_PAGES=ON >/dev/null
cmake --build --preset default -j "$jobs" --target sscm sscm-cli sscm_man_pages
rm -f build/sscm_*.deb
(cd build && cpack -G DEB >/dev/null)
deb=$(ls build/sscm_*.deb)
echo "== $deb"
dpkg-deb -f "$deb" Package Version Architecture Depends
dpkg-deb -c "$deb" | awk '{print $6}'

root=build/deb-root
rm -rf "$root"
dpkg -x "$deb" "$root"
args=(--case Site --species Species --pref Pref --results - --log /dev/null --quiet)
"$root/usr/bin/sscm-cli" "$root/usr/share/doc/sscm/examples/grazing.csv" "${args[@]}" \
    >build/deb-example.csv
build/sscm-cli examples/grazing.csv "${args[@]}" | cmp - build/deb-example.csv
echo "installed from the .deb: sscm-cli's result on the example equals the build's"
# The installed window starts (offscreen) and keeps running until it is stopped.
status=0
QT_QPA_PLATFORM=offscreen timeout 5 "$root/usr/bin/sscm" "$root/usr/share/doc/sscm/examples" \
    2>/dev/null || status=$?
[ "$status" -eq 124 ] || { echo "package.sh: the installed window ended with $status" >&2; exit 1; }
echo "installed from the .deb: the window starts"
# Both manual pages are made from the programs' --help and render.
for page in sscm sscm-cli; do
    MANWIDTH=80 man -l "$root/usr/share/man/man1/$page.1.gz" >"build/man-$page.txt"
done
grep -qxF '       sscm [DATAFILE | FOLDER]' build/man-sscm.txt
grep -qxF '       sscm-cli [OPTIONS] DATA.csv' build/man-sscm-cli.txt
echo "installed from the .deb: the manual pages sscm(1) and sscm-cli(1) render"

if [ -f build-win/CMakeCache.txt ]; then
    cmake --build build-win -j "$jobs" --target sscm-cli
    rm -f build-win/sscm-cli-*.zip
    (cd build-win && cpack -G ZIP >/dev/null)
    zip=$(ls build-win/sscm-cli-*.zip)
    echo "== $zip"
    cmake -E tar tf "$zip"
else
    echo "package.sh: no Windows build in build-win/ (scripts/test-windows.sh makes it)" >&2
    exit 1
fi
