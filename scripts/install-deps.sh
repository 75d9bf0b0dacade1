#!/usr/bin/env bash
# Installs every Debian package that the build, the tests, the benchmarks and the
# fuzzers use. Safe to run again: packages already present are left alone.
set -euo pipefail

packages=(
  # compiler and build
  g++ make cmake ninja-build pkg-config git ccache
  # Qt 6 Widgets, PrintSupport and Test, with its CMake configuration
  qt6-base-dev qt6-base-dev-tools libgl-dev
  # the metrics of the Times New Roman the windows ask for
  fonts-liberation fontconfig
  # tests, benchmarks, fuzzing (clang with libFuzzer and the sanitizer runtimes)
  libgtest-dev libgmock-dev googletest libbenchmark-dev clang libclang-rt-14-dev
  # command line and JSON of kinetra-fit
  libcli11-dev nlohmann-json3-dev
  # least squares and the t and F distributions of the fit statistics
  libeigen3-dev libboost-math-dev
  # kinetra-fit's PNG and PDF pictures (the windows paint with Qt)
  libcairo2-dev
  # desktop integration checks
  desktop-file-utils appstream
  # XML well-formedness checks of exported graphs
  libxml2-utils
  # batch speed comparison (bench/batch)
  python3-numpy python3-scipy
  # screenshots for the README (scripts/take-screenshots.sh)
  xvfb xdotool imagemagick
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  echo "install-deps: everything is installed"
  exit 0
fi

if [ "$(id -u)" -eq 0 ]; then SUDO=""; else SUDO="sudo"; fi
echo "install-deps: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -q
$SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
