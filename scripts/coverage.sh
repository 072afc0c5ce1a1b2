#!/usr/bin/env bash
# Builds with gcov, runs every test and prints line coverage per source folder.
set -euo pipefail
cd "$(dirname "$0")/.."

cmake --preset coverage >/dev/null
# Counts from an earlier build would clash with the new objects (the build
# itself runs the test programs to list their tests).
[ -d build-coverage ] && find build-coverage -name '*.gcda' -delete
cmake --build --preset coverage >/dev/null
find build-coverage -name '*.gcda' -delete
ctest --preset coverage >/dev/null

info=build-coverage/coverage.info
lcov --quiet --capture --directory build-coverage --output-file "$info" >/dev/null 2>&1
lcov --quiet --extract "$info" "$PWD/*" --output-file "$info" >/dev/null 2>&1
lcov --quiet --remove "$info" '*/build-coverage/*' '*/tests/*' --output-file "$info" >/dev/null 2>&1

printf '%-12s %8s %8s %8s\n' folder lines hit percent
for folder in shell link sim firmware console display; do
  part=build-coverage/coverage-$folder.info
  if lcov --quiet --extract "$info" "$PWD/$folder/*" --output-file "$part" >/dev/null 2>&1; then
    awk -F: -v name="$folder" '
      /^LF:/ { found += $2 } /^LH:/ { hit += $2 }
      END { if (found > 0) printf "%-12s %8d %8d %7.1f%%\n", name, found, hit, 100 * hit / found }
    ' "$part"
  fi
done
awk -F: '/^LF:/ { found += $2 } /^LH:/ { hit += $2 }
  END { printf "%-12s %8d %8d %7.1f%%\n", "all", found, hit, 100 * hit / found }' "$info"
