#!/usr/bin/env bash
# The checks beyond the unit tests, run by CI after the normal suite (which
# leaves its build in build/): the suite again under AddressSanitizer and
# UndefinedBehaviorSanitizer, every fuzz target for a bounded time, every
# header compiled on its own, clang-format, clang-tidy, and the screenshot
# walk under Xvfb, once with the normal build and once with the sanitizer
# build.
#
#   bash scripts/quality-gates.sh [fuzz seconds per target, default 60]
set -euo pipefail
cd "$(dirname "$0")/.."
fuzz_seconds="${1:-60}"

step() { printf '\n== %s ==\n' "$*"; }

step "sanitizer suite (ASan + UBSan)"
cmake --preset asan >/dev/null
cmake --build --preset asan
ctest --preset asan -j"$(nproc)"

step "fuzzing, ${fuzz_seconds} s per target, two at a time"
bash scripts/run-fuzzers.sh "$fuzz_seconds"

step "headers compile on their own"
[ -f build/CMakeCache.txt ] || cmake -S . -B build -DKOVEX_WERROR=ON >/dev/null
cmake --build build -j2 --target kovex_header_check
echo "headers: each compiles alone"

step "clang-format"
git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run --Werror
echo "clang-format: all files formatted"

step "clang-tidy"
[ -f build/compile_commands.json ] || cmake -S . -B build >/dev/null
git ls-files 'seam/*.cpp' 'widgets/*.cpp' 'shell/*.cpp' 'link/*.cpp' 'sim/*.cpp' 'sysfs/*.cpp' 'console/*.cpp' 'firmware/*.cpp' 'display/*.cpp' 'cli/*.cpp' \
    'bench/*.cpp' 'tests/*.cpp' | xargs -P2 -n4 clang-tidy -p build --quiet
echo "clang-tidy: no warnings"

step "screenshots"
# One retry: a display server that fails to come up is not the tool's fault;
# a tool that fails twice is.
# Exit status 3 is the tool's own failure: never retried.
walk() {
    local status=0
    bash scripts/screenshots.sh "$@" || status=$?
    if [ "$status" -ne 0 ] && [ "$status" -ne 3 ]; then
        echo "screenshots: trying once more" >&2
        status=0
        bash scripts/screenshots.sh "$@" || status=$?
    fi
    return "$status"
}
walk

step "screenshot walk with the sanitizer build, on a display"
# The preset's own options, plus the suppressions for system libraries. A
# report from the project's code, a leak included, fails the walk.
cmake --build --preset asan --target kovex-programmer-sim
ASAN_OPTIONS=halt_on_error=1:abort_on_error=1:detect_leaks=1 \
LSAN_OPTIONS="suppressions=$PWD/scripts/sanitizers/lsan.supp:print_suppressions=0" \
UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
    walk --program build-asan/kovex-programmer-sim --out screenshots/asan
