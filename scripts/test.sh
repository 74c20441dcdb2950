#!/usr/bin/env bash
# Builds and runs every test:
#  1. the release build (g++, warnings as errors): unit, plug-in, conformance and tool tests;
#  2. a ThreadSanitizer build (clang): the same tests but the parameter-race stress test,
#     whose races are the accepted ones;
#  3. an AddressSanitizer + UndefinedBehaviorSanitizer build (clang): every test again,
#     then a short libFuzzer run per plug-in;
#  4. the 32-bit and 64-bit Windows DLLs (MinGW-w64, warnings as errors), their exports
#     and imports, and the 64-bit ones under Wine against the release build, with the
#     squeezer's editor on a virtual X server.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh

jobs=$(nproc)

echo "== release build"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DFX_WERROR=ON >/dev/null
ninja -C build
ctest --test-dir build --output-on-failure -j"$jobs"

echo "== ThreadSanitizer build"
cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
  -DFX_SANITIZE=thread -DFX_BENCH=OFF -DFX_TOOLS=OFF -DFX_WERROR=ON >/dev/null
ninja -C build-tsan
TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" \
  ctest --test-dir build-tsan --output-on-failure -j"$jobs" -E 'ConcurrentStress|exports_only_main'

echo "== AddressSanitizer + UndefinedBehaviorSanitizer build, fuzzing"
cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
  -DFX_SANITIZE=address,undefined -DFX_FUZZ=ON -DFX_BENCH=OFF -DFX_TOOLS=OFF -DFX_WERROR=ON >/dev/null
ninja -C build-fuzz
ASAN_OPTIONS="detect_leaks=1" UBSAN_OPTIONS="print_stacktrace=1" \
  ctest --test-dir build-fuzz --output-on-failure -j"$jobs" -E 'exports_only_main'
fuzz/run.sh build-fuzz

echo "== Windows builds (MinGW-w64), checks under Wine"
for target in i686:win32 x86_64:win64; do
  cmake -S . -B "build-${target#*:}" -G Ninja -DCMAKE_BUILD_TYPE=Release -DFX_WERROR=ON \
    -DCMAKE_TOOLCHAIN_FILE="cmake/toolchains/mingw-w64-${target%:*}.cmake" >/dev/null
  ninja -C "build-${target#*:}"
done
scripts/check-windows.sh build build-win32 build-win64
