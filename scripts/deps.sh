#!/usr/bin/env bash
# Installs the Debian packages that building and testing sscm need, when any is missing.
set -euo pipefail

# Elsewhere (macOS) there is no apt-get: name what a build needs, from Homebrew, and go on.
if ! command -v dpkg-query >/dev/null || ! command -v apt-get >/dev/null; then
    echo "deps.sh: not a Debian system; install the build's tools and libraries yourself, e.g." \
        "with Homebrew: brew install cmake ninja ccache cli11 nlohmann-json openssl googletest" \
        "google-benchmark qt r (and for scripts/test.sh: llvm mingw-w64 wine-stable help2man)" >&2
    exit 0
fi

packages=(
    build-essential cmake ninja-build pkg-config ccache clang-format clang-tidy clang
    libclang-rt-14-dev
    libgtest-dev libbenchmark-dev libcli11-dev
    nlohmann-json3-dev libssl-dev
    qt6-base-dev qt6-svg-dev fonts-ipafont-gothic fonts-liberation time xvfb xauth
    r-base-dev r-cran-rcpp r-cran-testthat r-cran-knitr r-cran-rmarkdown r-cran-ggplot2
    r-cran-bradleyterry2 pandoc qpdf devscripts
    libc++-14-dev libc++abi-14-dev g++-mingw-w64-x86-64 wine wine64 help2man man-db
)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$p")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
if [ "$(id -u)" -ne 0 ]; then
    command -v sudo >/dev/null || { echo "Run as root to install: ${missing[*]}" >&2; exit 1; }
    sudo=sudo
fi
echo "Installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
