#!/usr/bin/env bash
# Installs what building and testing Trellmark needs from Debian's packages.
# As root it runs apt-get; otherwise it prints the command to run and fails.
set -euo pipefail

packages=(
    cmake make g++ pkg-config libncurses-dev libcairo2-dev libcli11-dev nlohmann-json3-dev
    libboost-math-dev libsndfile1-dev libfftw3-dev libgtest-dev libgmock-dev libbenchmark-dev
    python3
    # the spectrum's independent check (tests/independent_spectrum.py)
    python3-numpy
    # the manual page, and the checks of the installed files and the package
    scdoc man-db dpkg-dev file
    # the report page's test opens the page in a real browser
    chromium
    # the fuzz targets: clang with libFuzzer and the sanitizer runtimes, and the
    # symbolizer that puts file names and lines into their reports
    clang libclang-rt-14-dev llvm-14
)
missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$package")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -eq 0 ]; then
    export DEBIAN_FRONTEND=noninteractive
    apt-get update
    apt-get install -y --no-install-recommends "${missing[@]}"
else
    echo "Missing packages: ${missing[*]}" >&2
    echo "Run: sudo apt-get update && sudo apt-get install -y ${missing[*]}" >&2
    exit 1
fi
