#!/usr/bin/env bash
# Installs the Debian packages that the build, the tests and the demo need, when any is
# missing. Quiet and quick when everything is there already.
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config binutils   # the build
  clang libclang-rt-14-dev                    # sanitizers and libFuzzer
  libgtest-dev libbenchmark-dev               # tests and benchmarks
  libsndfile1-dev libpng-dev sox              # fxhost, fxplot and the demo pictures
  g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix  # the Windows DLLs
  binutils-mingw-w64-i686 binutils-mingw-w64-x86-64
  wine64                                      # running our Windows test host
  libx11-dev                                  # the squeezer's editor and trio's notices on X11
  libcairo2-dev fonts-dejavu-core             # drawing the squeezer's pictures
  xvfb xdotool imagemagick                    # the editor's test on a virtual X server
)

missing=()
for p in "${packages[@]}"; do
  dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -ne 0 ]; then
  echo "missing packages: ${missing[*]} (run as root, or install them)" >&2
  exit 1
fi
echo "installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
