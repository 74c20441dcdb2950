#!/usr/bin/env bash
# Installs the Debian packages that the build, the tests and the demo need, when any is
# missing. Quiet and quick when everything is there already.
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config binutils   # the build
  clang libclang-rt-14-dev                    # sanitizers and libFuzzer
  libgtest-dev libbenchmark-dev               # tests and benchmarks
  libsndfile1-dev libpng-dev sox              # fxhost, fxplot and the demo pictures
  libx11-dev                                  # the message-box dialog on Linux
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
