#!/usr/bin/env bash
# Start-up of the window program against a plain Qt program with the same
# controls (bench/PlainWindow.cpp), side by side in one run:
#
#   - shown: milliseconds from launch to the first window exposed and
#     painted, started in an empty folder;
#   - CPU in the first second (all threads) and peak memory, started in an
#     empty folder and in one holding 3,000 files: a QFileDialog, shown or
#     not, reads the folder it starts in, and that shows up here.
#
#   bash bench/startup.sh [--runs N] [--platform offscreen|xcb] [--xvfb]
#                         [--also LABEL=PROGRAM]... [BUILD]
#
# BUILD (default build) holds kovex-programmer-sim and the bench programs.
# Each program is started N times (default 9) in each folder, the programs
# taking turns; the table shows medians and each figure's ratio to the plain
# program's. --also adds a program to measure beside them (another build of
# kovex-programmer-sim, say). The platform is offscreen unless given; --xvfb
# runs the whole bench once more on the xcb platform under xvfb-run.
#
# How: Qt loads the bench's plugin (bench/ShownClock.cpp) into each program
# through QT_PLUGIN_PATH and QT_QPA_GENERIC_PLUGINS; it reads the launch time
# this script passes in KOVEX_BENCH_T0, writes the first window's time and
# ends the program one second after the launch. The programs themselves are
# not changed. Needs bash 5 ($EPOCHREALTIME) and, for --xvfb, xvfb-run.
set -euo pipefail

runs=9
platform=offscreen
xvfb=no
build=build
also=()
while [ $# -gt 0 ]; do
    case "$1" in
        --runs) runs=$2; shift ;;
        --platform) platform=$2; shift ;;
        --xvfb) xvfb=yes ;;
        --also) also+=("$2"); shift ;;
        -*) echo "startup: unknown option $1" >&2; exit 2 ;;
        *) build=$1 ;;
    esac
    shift
done
build="$(cd "$build" && pwd)"

labels=(plain tool)
programs=("$build/bench/kovex_bench_plain_window" "$build/kovex-programmer-sim")
for entry in "${also[@]}"; do
    labels+=("${entry%%=*}")
    programs+=("$(realpath "${entry#*=}")")
done
plugins="$build/bench/plugins"
for program in "${programs[@]}"; do
    [ -x "$program" ] || { echo "startup: build $program first" >&2; exit 2; }
done
[ -d "$plugins/generic" ] || { echo "startup: build kovex_bench_shown_clock first" >&2; exit 2; }

scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
mkdir "$scratch/empty" "$scratch/files" "$scratch/out"
for i in $(seq -w 1 1000); do
    : >"$scratch/files/image-$i.hex"
    : >"$scratch/files/picture-$i.bmp"
    : >"$scratch/files/notes-$i.txt"
done

# One run: prints "shown cpu-at-shown cpu-at-1s peak-kB", or "fail" and the
# program's output.
measure() {
    local program=$1 folder=$2 said=$scratch/out/said
    (cd "$folder" && KOVEX_BENCH_T0=$EPOCHREALTIME QT_QPA_PLATFORM=$platform \
        QT_PLUGIN_PATH=$plugins QT_QPA_GENERIC_PLUGINS=kovexshownclock \
        exec "$program") >/dev/null 2>"$said" || true
    local shown end
    shown="$(grep -m1 '^kovex-bench shown ' "$said" || true)"
    end="$(grep -m1 '^kovex-bench end ' "$said" || true)"
    if [ -z "$shown" ] || [ -z "$end" ]; then
        echo "startup: $program gave no figures; it said:" >&2
        cat "$said" >&2
        return 1
    fi
    # kovex-bench shown MS cpu MS window TITLE / kovex-bench end MS cpu MS rss KB
    echo "$(awk '{print $3, $5}' <<<"$shown") $(awk '{print $5, $7}' <<<"$end")"
}

median() { sort -g | awk '{v[NR] = $1} END {print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2}'; }

for folder in empty files; do
    for ((run = 0; run < runs; ++run)); do
        for i in "${!programs[@]}"; do
            measure "${programs[$i]}" "$scratch/$folder" >>"$scratch/out/${labels[$i]}-$folder"
        done
    done
done

# column: 1 shown, 2 CPU by then, 3 CPU in the first second, 4 peak kB
figure() { awk -v c="$2" '{print $c}' "$scratch/out/$1" | median; }
# "value (ratio to plain)" of one column in one folder; kB shown as MiB
cell() {
    local label=$1 folder=$2 column=$3
    awk -v a="$(figure "$label-$folder" "$column")" -v b="$(figure "plain-$folder" "$column")" \
        -v mib="$([ "$column" = 4 ] && echo 1 || echo 0)" \
        'BEGIN {printf "%.1f (%.2fx)", (mib ? a / 1024 : a), (b > 0 ? a / b : 0)}'
}

echo "platform $platform, $runs runs each, medians (ratio to plain);" \
    "3000 files: 1000 each of .hex, .bmp, .txt"
row='%-8s %16s %16s %16s %16s %15s %15s\n'
# shellcheck disable=SC2059
printf "$row" program "shown ms" "CPU to shown ms" "CPU 1st s ms" "3000: CPU 1st s" "peak MiB" \
    "3000: peak MiB"
for label in "${labels[@]}"; do
    # shellcheck disable=SC2059
    printf "$row" "$label" "$(cell "$label" empty 1)" "$(cell "$label" empty 2)" \
        "$(cell "$label" empty 3)" "$(cell "$label" files 3)" "$(cell "$label" empty 4)" \
        "$(cell "$label" files 4)"
done

if [ "$xvfb" = yes ]; then
    echo
    command -v xvfb-run >/dev/null || { echo "startup: xvfb-run is missing" >&2; exit 2; }
    args=(--runs "$runs" --platform xcb)
    for entry in "${also[@]}"; do args+=(--also "$entry"); done
    xvfb-run -a -s "-screen 0 1280x1024x24" bash "$0" "${args[@]}" "$build"
fi
