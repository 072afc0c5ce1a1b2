#!/usr/bin/env bash
# The checks beyond the unit tests, run by CI after the normal suite (which
# leaves its build in build/): the suite again under AddressSanitizer and
# UndefinedBehaviorSanitizer, every fuzz target for a bounded time, clang-format,
# clang-tidy, and the screenshot walk under Xvfb.
#
#   bash scripts/quality-gates.sh [fuzz seconds per target, default 60]
set -euo pipefail
cd "$(dirname "$0")/.."
fuzz_seconds="${1:-60}"

step() { printf '\n== %s ==\n' "$*"; }

step "sanitizer suite (ASan + UBSan)"
cmake --preset asan >/dev/null
cmake --build --preset asan
ctest --preset asan

step "fuzzing, ${fuzz_seconds} s per target"
bash scripts/run-fuzzers.sh "$fuzz_seconds"

step "clang-format"
git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run --Werror
echo "clang-format: all files formatted"

step "clang-tidy"
[ -f build/compile_commands.json ] || cmake -S . -B build >/dev/null
git ls-files 'shell/*.cpp' 'link/*.cpp' 'sim/*.cpp' 'console/*.cpp' 'firmware/*.cpp' 'display/*.cpp' \
    'bench/*.cpp' 'tests/*.cpp' | xargs -P2 -n4 clang-tidy -p build --quiet
echo "clang-tidy: no warnings"

step "screenshots"
# One retry: a display server that fails to come up is not the tool's fault;
# a tool that fails twice is.
bash scripts/screenshots.sh || { echo "screenshots: trying once more" >&2; bash scripts/screenshots.sh; }
