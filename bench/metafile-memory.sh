#!/usr/bin/env bash
# Peak memory and time of a whole kovexctl upload of metafiles to the
# simulated card, and the peak of the whole window program through one
# Upload of each (bench/window-upload.sh, under Xvfb): EMF files of line-to
# records of 1, 4 and 16 MiB and a 2.6 MB WMF (each far more records than a
# picture for the display can need), the largest of each kind that is still
# drawn (2000 records) and the largest an earlier build drew (5000), an EMF
# and a WMF at every bound at once (2000 records, 5000 points, 2000
# characters and a 256 x 256 bitmap of 32 bits), an EMF at the earlier
# build's bounds (5000 records, 10000 points, 10000 characters, 512 x 512),
# a 16 MiB EMF of one comment record, and a 140-byte WMF whose bitmap
# declares 8000 x 8000 pixels.
#
#   bash bench/metafile-memory.sh [BUILD]     (default build)
#
# Needs python3 and GNU time (/usr/bin/time); the window's column also Xvfb
# and xdotool ("-" without them). Prints one line per file: the seconds and
# peak resident memory in MB of kovexctl (time reports the larger of
# kovexctl and its picture helper), kovexctl's exit status, the window
# program's peak in MB and what kovexctl said on standard error. The first
# line is the window program's own peak, without an Upload.
set -euo pipefail

build="${1:-build}"
here="$(cd "$(dirname "$0")" && pwd)"
folder="$(mktemp -d)"
trap 'rm -rf "$folder"' EXIT

files=(
    "emf-1MiB.emf --bytes 1048576"
    "emf-4MiB.emf --bytes 4194304"
    "emf-16MiB.emf --bytes 16777216"
    "wmf-2.6MB.wmf --bytes 2600000"
    "emf-2000-records.emf --records 2000"
    "wmf-2000-records.wmf --records 2000"
    "emf-5000-records.emf --records 5000"
    "emf-every-bound.emf --every-bound 2000 5000 2000 256"
    "wmf-every-bound.wmf --every-bound 2000 5000 2000 256"
    "emf-earlier-bounds.emf --every-bound 5000 10000 10000 512"
    "emf-comment-16MiB.emf --comment 16777216"
    "wmf-rle-8000.wmf --run-length-bitmap 8000"
)
mb() { [ "$1" = "-" ] && echo "-" || echo "$(($1 / 1024))"; }

printf '%-24s %8s %8s %5s %8s  %s\n' file seconds "peak MB" exit "window" "standard error"
printf '%-24s %8s %8s %5s %8s\n' "(no upload)" "" "" "" \
    "$(mb "$(bash "$here/window-upload.sh" "$build/kovex-programmer-sim")")"
for entry in "${files[@]}"; do
    read -r name options <<<"$entry"
    # shellcheck disable=SC2086  # the options are words
    python3 "$here/make-metafile.py" "$folder/$name" $options
    status=0
    /usr/bin/time -f '%e %M' -o "$folder/time" \
        "$build/kovexctl" --sim --sim-at-once display upload "$folder/$name" \
        >/dev/null 2>"$folder/said" || status=$?
    read -r seconds kilobytes < <(tail -n 1 "$folder/time")
    said="$(grep -v '^QStandardPaths' "$folder/said" | head -n 1 || true)"
    window_kb="$(bash "$here/window-upload.sh" "$build/kovex-programmer-sim" "$folder/$name")"
    printf '%-24s %8s %8s %5s %8s  %s\n' "$name" "$seconds" "$(mb "$kilobytes")" "$status" \
        "$(mb "$window_kb")" "${said:0:90}"
done
