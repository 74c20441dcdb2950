#!/usr/bin/env bash
# Fuzzes every plug-in module of a fuzz build, one after the other, for a short fixed
# while each.
#
# Usage: fuzz/run.sh BUILD_DIR [SECONDS_OR_RUNS]
#   BUILD_DIR        a build configured with clang, -DFX_FUZZ=ON and
#                    -DFX_SANITIZE=address,undefined, already built
#   SECONDS_OR_RUNS  "20s": 20 seconds per plug-in (the default);
#                    "20000": 20000 inputs per plug-in
#
# Exits non-zero when any plug-in crashed, leaked, hung or tripped a sanitizer. The input
# that did it is kept in BUILD_DIR/fuzz-artifacts/NAME/; replay it with the operations
# printed:
#   FX_FUZZ_PLUGIN=BUILD_DIR/plugins/NAME.so FX_FUZZ_TRACE=1 BUILD_DIR/bin/fx_fuzz FILE
# The inputs found so far stay in BUILD_DIR/fuzz-corpus/NAME/, so later runs go on from
# there.
set -u

if [[ $# -lt 1 || $# -gt 2 ]]; then
    sed -n '5,10p' "$0" >&2
    exit 2
fi
build=$(cd "$1" && pwd) || exit 2
amount=${2:-20s}
if [[ $amount =~ ^([0-9]+)s$ ]]; then
    limit=(-max_total_time="${BASH_REMATCH[1]}")
elif [[ $amount =~ ^[0-9]+$ ]]; then
    limit=(-runs="$amount")
else
    echo "fuzz/run.sh: '$amount' is neither seconds (e.g. 20s) nor a number of runs" >&2
    exit 2
fi

fuzzer=$build/bin/fx_fuzz
if [[ ! -x $fuzzer ]]; then
    echo "fuzz/run.sh: no $fuzzer; configure $build with -DFX_FUZZ=ON and build it" >&2
    exit 2
fi
shopt -s nullglob
plugins=("$build"/plugins/*.so)
if [[ ${#plugins[@]} -eq 0 ]]; then
    echo "fuzz/run.sh: no plug-in modules in $build/plugins" >&2
    exit 2
fi

# Starting inputs that reach every opcode and parameter index with the values that break
# arithmetic, so that a short run spends its time around them rather than finding them.
# Byte layout as read by fx_fuzz.cpp (its file comment): dispatch is
# 0 (opcode+2) index value opt [extra]; table positions: floats 0 NaN, 2 +inf, 3 -inf,
# 4 1e30, 8 -1, 11 denormal, 14 0, 18 0.5, 21 1; integers 0 0, 1 1, 3 -1, 8 16,
# 19 4096, 23 INT32_MAX, 24 INT32_MIN, 27 INT64_MAX. Written for one input and two
# outputs; other layouts still decode, just differently.
bytes() { for b in "$@"; do printf '%b' "\\0$(printf %03o "$b")"; done; }
write_seeds() {
    local dir=$1 i v
    mkdir -p "$dir"
    local noise=(3 0 2 0 0 0 2 21 1) # process 512 frames: silent outputs, noise input
    {
        for op in 5 6 7 8; do for i in $(seq 0 29); do bytes 0 $((op + 2)) "$i" 0 14; done; done
        bytes 0 6 0 0 14 40 0; for i in $(seq 40); do bytes 65; done
        bytes 0 7 0 0 14
    } >"$dir/texts"
    {
        for i in $(seq 0 24); do
            for v in 0 2 3 4 8 11 14 21; do bytes 1 "$i" "$v"; done
            bytes 2 "$i" 0 9 "$i" 0 14
        done
        bytes 3 255 15 0 0 0 2 18 7
    } >"$dir/parameters"
    for v in 0 1 2 3 7 8 9 23 24 25 27 100; do bytes 0 4 0 "$v" 14 0 7 0 0 14 "${noise[@]}"; done >"$dir/programs"
    {
        for v in 1 3 5 7 9 11 13 15; do bytes 0 12 0 0 14 "$v" "${noise[@]}"; done
        for v in 0 2 3 4 8 14; do bytes 0 12 0 0 14 0 "$v" "${noise[@]}"; done # from the floats
    } >"$dir/rates"
    for v in 0 1 3 19 20 23 24 27; do bytes 0 13 0 "$v" 14 3 0 16 0 0 0 2 21 1; done >"$dir/blocksizes"
    {
        bytes 3 0 16 1 1 0 1 0 1 2 # in place, 4096 frames: NaN outputs, +inf input
        bytes 4 0 16 1 0 0 1 4 # replacing in place: 1e30 input
        bytes 3 0 16 0 0 0 3 4 4 3 11 21 0 # loud, infinite, denormal and NaN pattern
        # every other opcode once: those without a pointer, the editor's, the chunks
        # (a 4-byte chunk), and unknown ones with a buffer
        for op in 0 3 9 12 13 14 15 19 22 23 26; do bytes 0 $((op + 2)) 0 1 14; done
        bytes 0 26 0 0 14 4 1 2 3 4 0 0 0 0 14 1 0 1 0 0 14 1 0 42 0 0 14 1
        bytes 0 14 0 0 14 "${noise[@]}" 0 14 0 1 14 "${noise[@]}"
    } >"$dir/processing"
}
write_seeds "$build/fuzz-seeds"

export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1}
failed=0
for plugin in "${plugins[@]}"; do
    name=$(basename "$plugin" .so)
    corpus=$build/fuzz-corpus/$name
    artifacts=$build/fuzz-artifacts/$name
    log=$build/fuzz-logs/$name.log
    mkdir -p "$corpus" "$artifacts" "$build/fuzz-logs"
    # Inputs of up to 1 KiB from the start (no slow growth of the length limit): the
    # faults worth finding need long call sequences more than many short ones.
    FX_FUZZ_PLUGIN=$plugin "$fuzzer" "${limit[@]}" -detect_leaks=1 -timeout=30 \
        -max_len=1024 -len_control=0 -print_final_stats=1 \
        -artifact_prefix="$artifacts/" "$corpus" "$build/fuzz-seeds" >"$log" 2>&1
    status=$?
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
    if [[ $status -eq 0 ]]; then
        echo "fuzz $name: ok (${runs:-?} inputs)"
    else
        failed=1
        echo "fuzz $name: FAILED (exit $status), log $log, inputs in $artifacts/"
        grep -E -A12 '^==[0-9]+==ERROR|runtime error|^fx_fuzz:|ALARM|out-of-memory' "$log" | head -40
    fi
done
exit $failed
