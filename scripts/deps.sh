#!/usr/bin/env bash
# Installs the Debian packages that building and testing sscm need, when any is missing.
set -euo pipefail

packages=(
    build-essential cmake ninja-build pkg-config ccache clang-format clang-tidy clang
    libclang-rt-14-dev
    libgtest-dev libbenchmark-dev libcli11-dev
    nlohmann-json3-dev libssl-dev
    qt6-base-dev qt6-svg-dev fonts-ipafont-gothic fonts-liberation time xvfb xauth
    r-base-dev r-cran-rcpp r-cran-testthat r-cran-knitr r-cran-rmarkdown r-cran-ggplot2
    r-cran-bradleyterry2 pandoc qpdf devscripts
    libc++-14-dev libc++abi-14-dev g++-mingw-w64-x86-64
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
