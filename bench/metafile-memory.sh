#!/usr/bin/env bash
# Peak memory and time of a whole kovexctl upload of metafiles of line-to
# records to the simulated card: EMF files of 1, 4 and 16 MiB and a 2.6 MB
# WMF (each far more records than a picture for the display can need), and
# the largest of each kind that is still drawn (5000 records), and an EMF at
# every bound at once (5000 records, 10000 points, 10000 characters and a
# bitmap of 262144 pixels).
#
#   bash bench/metafile-memory.sh [KOVEXCTL]     (default build/kovexctl)
#
# Needs python3 and GNU time (/usr/bin/time). Prints one line per file: the
# seconds, the peak resident memory in MB, kovexctl's exit status and what
# it said on standard error.
set -euo pipefail

kovexctl="${1:-build/kovexctl}"
here="$(cd "$(dirname "$0")" && pwd)"
folder="$(mktemp -d)"
trap 'rm -rf "$folder"' EXIT

files=(
    "emf-1MiB.emf --bytes 1048576"
    "emf-4MiB.emf --bytes 4194304"
    "emf-16MiB.emf --bytes 16777216"
    "wmf-2.6MB.wmf --bytes 2600000"
    "emf-5000-records.emf --records 5000"
    "wmf-5000-records.wmf --records 5000"
    "emf-every-bound.emf --every-bound 5000"
)
printf '%-24s %8s %8s %5s  %s\n' file seconds "peak MB" exit "standard error"
for entry in "${files[@]}"; do
    read -r name unit count <<<"$entry"
    python3 "$here/make-metafile.py" "$folder/$name" "$unit" "$count"
    status=0
    /usr/bin/time -f '%e %M' -o "$folder/time" \
        "$kovexctl" --sim --sim-at-once display upload "$folder/$name" \
        >/dev/null 2>"$folder/said" || status=$?
    read -r seconds kilobytes < <(tail -n 1 "$folder/time")
    said="$(grep -v '^QStandardPaths' "$folder/said" | head -n 1 || true)"
    printf '%-24s %8s %8s %5s  %s\n' "$name" "$seconds" "$((kilobytes / 1024))" "$status" "$said"
done
