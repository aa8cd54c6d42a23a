# Sourced by the R package's scripts: the package's C++ compiles through ccache when it is
# installed, as the CMake build's do. Its compile lines hold only relative paths and the same
# include folders wherever the package is unpacked, so every copy of the sources (the build's, the
# installs', the check's) hits the cache. Leaves Makevars-ccache in the folder given.
sscm_r_ccache() {
    if command -v ccache >/dev/null; then
        printf 'CXX20 = ccache %s\n' "$(R CMD config CXX20)" >"$1/Makevars-ccache"
        R_MAKEVARS_USER="$(cd "$1" && pwd)/Makevars-ccache"
        export R_MAKEVARS_USER CCACHE_NOHASHDIR=1
    fi
}
