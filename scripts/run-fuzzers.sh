#!/usr/bin/env bash
# Builds the libFuzzer targets with clang in build-fuzz and runs each one for
# the given number of seconds (default 60), two at a time, on a scratch copy of
# its seed corpus in fuzz/corpus/. Installs nothing. Exits non-zero if any target crashes,
# leaks or reports; what it found is kept in build-fuzz/artifacts/.
#
#   bash scripts/run-fuzzers.sh [seconds]
set -euo pipefail
cd "$(dirname "$0")/.."

seconds="${1:-60}"
if ! [[ "$seconds" =~ ^[1-9][0-9]*$ ]]; then
    echo "usage: $0 [seconds per target, a positive whole number]" >&2
    exit 2
fi
for tool in clang clang++ cmake; do
    if ! command -v "$tool" >/dev/null; then
        echo "run-fuzzers: $tool not found; it is not installed by this script" >&2
        exit 2
    fi
done

build=build-fuzz
CC=clang CXX=clang++ cmake -S . -B "$build" -DKOVEX_BUILD_FUZZ=ON -DKOVEX_BUILD_TESTS=OFF \
    -DKOVEX_BUILD_BENCH=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKOVEX_WERROR=ON >/dev/null

# One target per fuzz/*.cpp, named as fuzz/CMakeLists.txt names them.
targets=()
for source in fuzz/*.cpp; do
    name="$(basename "$source" .cpp)"
    targets+=("fuzz_$name")
done
if [ "${#targets[@]}" -eq 0 ]; then
    echo "run-fuzzers: no fuzz/*.cpp" >&2
    exit 2
fi
cmake --build "$build" -j2 --target "${targets[@]}"

artifacts="$build/artifacts"
scratch="$build/corpus-scratch"
logs="$build/fuzz-logs"
mkdir -p "$artifacts" "$logs"
rm -rf "$scratch"

export ASAN_OPTIONS="detect_leaks=1:${ASAN_OPTIONS:-}"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1:${UBSAN_OPTIONS:-}"

# Names what went wrong from libFuzzer's and the sanitizers' report.
classify() {
    local log="$1"
    if grep -q "ERROR: LeakSanitizer" "$log"; then echo "LEAK"
    elif grep -q "ERROR: AddressSanitizer" "$log"; then echo "ADDRESS ERROR"
    elif grep -q "runtime error:" "$log"; then echo "UNDEFINED BEHAVIOUR"
    elif grep -q "ERROR: libFuzzer: timeout" "$log"; then echo "TIMEOUT"
    elif grep -q "ERROR: libFuzzer: out-of-memory" "$log"; then echo "OUT OF MEMORY"
    elif grep -q "deadly signal" "$log"; then echo "CRASH"
    else echo "FAILED"
    fi
}

# Runs one target for its full time; its result line, ending in "ok" or what
# went wrong, goes to $logs/TARGET.result.
run_target() {
    local target="$1" name="${1#fuzz_}"
    local work="$scratch/$name" log="$logs/$1.log" status=0 runs input result
    mkdir -p "$work"
    if [ -d "fuzz/corpus/$name" ]; then
        cp -R "fuzz/corpus/$name/." "$work/"
    fi
    "$build/fuzz/$target" -max_total_time="$seconds" -rss_limit_mb=2048 -detect_leaks=1 \
        -timeout=25 -print_final_stats=1 -artifact_prefix="$artifacts/$target-" \
        "$work" >"$log" 2>&1 || status=$?
    runs="$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)"
    if [ -z "$runs" ]; then
        runs="$(grep -oE '^#[0-9]+' "$log" | tail -n 1 | tr -d '#' || true)"
    fi
    if [ "$status" -eq 0 ]; then
        result="ok"
    else
        input="$(sed -n 's/.*Test unit written to //p' "$log" | tail -n 1)"
        result="$(classify "$log") (exit $status; log $log; input ${input:-none})"
    fi
    printf '%-28s runs %-10s %s\n' "$target" "${runs:-?}" "$result" >"$logs/$target.result"
}

# Two targets at a time, each for its full time: libFuzzer runs one process
# per target, and the machines this runs on have two cores or more.
parallel=2
rm -f "$logs"/*.result
for target in "${targets[@]}"; do
    while [ "$(jobs -rp | wc -l)" -ge "$parallel" ]; do
        wait -n || true
    done
    echo "== $target: ${seconds}s"
    run_target "$target" &
done

wait
failed=0
for target in "${targets[@]}"; do
    if ! grep -q ' ok$' "$logs/$target.result" 2>/dev/null; then
        failed=1
        tail -n 40 "$logs/$target.log" >&2
    fi
done

echo "== summary"
for target in "${targets[@]}"; do
    cat "$logs/$target.result" 2>/dev/null || printf '%-28s no result\n' "$target"
done
exit "$failed"
