#!/usr/bin/env bash
# Peak memory of a whole kovexctl upload, and of the whole window program
# through one Upload (bench/window-upload.sh, under Xvfb), of the picture
# files that cost the loader most for their size (bench/make-picture.py): a
# 64-byte run-length BMP and a 4 MiB 1-bit BMP that declare far more than
# the bound, the largest bitmaps, run-length bitmap and PNGs the bound lets
# through (1024 x 1024) and those an earlier bound let through
# (2048 x 2048), and an icon of the largest image an icon holds.
#
#   bash bench/picture-memory.sh [BUILD]     (default build)
#
# Needs python3 and GNU time (/usr/bin/time); the window's column also Xvfb
# and xdotool ("-" without them). kovexctl runs the picture helper
# (kovex-picture-pixels) as a child; time reports the larger of the two
# peaks, so the helper is also run alone on the file, and "together" adds
# the helper's peak to kovexctl's own (a run that decodes no picture): at no
# moment do the two hold more. One line per file: the peaks in MB,
# kovexctl's exit status, the window program's peak and what kovexctl said
# on standard error. The first line is the window program's own peak,
# without an Upload.
set -euo pipefail

build="${1:-build}"
here="$(cd "$(dirname "$0")" && pwd)"
folder="$(mktemp -d)"
trap 'rm -rf "$folder"' EXIT

files=(
    "rle8-5792.bmp rle8 5792 5792"
    "bits1-8192x4096.bmp bits1 8192 4096"
    "bits32-2048.bmp bits32 2048 2048"
    "rle8full-2048.bmp rle8full 2048 2048"
    "png16-2048.png png16 2048 2048"
    "pngnoise-2048.png pngnoise 2048 2048"
    "bits24-1024.bmp bits24 1024 1024"
    "bits32-1024.bmp bits32 1024 1024"
    "rle8full-1024.bmp rle8full 1024 1024"
    "png16-1024.png png16 1024 1024"
    "pngnoise-1024.png pngnoise 1024 1024"
    "ico32-256.ico ico32 256 256"
    "png16-5792.png png16 5792 5792"
)
mb() { [ "$1" = "-" ] && echo "-" || echo "$(($1 / 1024))"; }

peak_kb() {  # the peak resident memory of the command, in kB
    /usr/bin/time -f '%M' -o "$folder/time" "$@" >/dev/null 2>"$folder/said" || true
    tail -n 1 "$folder/time"
}

own_kb="$(peak_kb "$build/kovexctl" --sim --sim-at-once display clear)"
printf '%-22s %9s %8s %7s %9s %5s %7s  %s\n' file bytes upload helper together exit window \
    "standard error"
printf '%-22s %9s %8s %7s %9s %5s %7s\n' "(no upload)" "" "" "" "" "" \
    "$(mb "$(bash "$here/window-upload.sh" "$build/kovex-programmer-sim")")"
for entry in "${files[@]}"; do
    read -r name kind width height <<<"$entry"
    python3 "$here/make-picture.py" "$folder/$name" "$kind" "$width" "$height"
    helper_kb="$(peak_kb "$build/kovex-picture-pixels" "$folder/$name")"
    status=0
    /usr/bin/time -f '%M' -o "$folder/time" \
        "$build/kovexctl" --sim --sim-at-once display upload "$folder/$name" \
        >/dev/null 2>"$folder/said" || status=$?
    both_kb="$(tail -n 1 "$folder/time")"
    said="$(grep -v '^QStandardPaths' "$folder/said" | head -n 1 || true)"
    window_kb="$(bash "$here/window-upload.sh" "$build/kovex-programmer-sim" "$folder/$name")"
    printf '%-22s %9s %8s %7s %9s %5s %7s  %s\n' "$name" "$(stat -c %s "$folder/$name")" \
        "$((both_kb / 1024))" "$((helper_kb / 1024))" "$(((own_kb + helper_kb) / 1024))" \
        "$status" "$(mb "$window_kb")" "${said:0:90}"
done
