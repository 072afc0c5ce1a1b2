#!/usr/bin/env bash
# Starts kovex-programmer-sim under Xvfb, walks it as a person would and
# writes PNG files to screenshots/: the main window at start, after Open,
# after Run Mode, and the graphic window. Then it closes the main window as a
# window manager would and requires the program to exit by itself with
# status 0 and without a sanitizer report in its output (the gates run the
# walk once with the AddressSanitizer build). With --readme it also
# refreshes docs/main-window.png, the picture the README shows.
#
#   bash scripts/screenshots.sh [--readme] [--program PATH] [--out DIR]
#                               (after the build in build/)
#
# Exit status: 0 walked; 3 the program failed (crashed, exited with another
# status, or a sanitizer reported); anything else a problem of the set-up.
set -euo pipefail
cd "$(dirname "$0")/.."

program=build/kovex-programmer-sim
out=screenshots
readme=no
while [ $# -gt 0 ]; do
    case "$1" in
        --readme) readme=yes ;;
        --program) program=$2; shift ;;
        --out) out=$2; shift ;;
        *) echo "screenshots: unknown argument $1" >&2; exit 2 ;;
    esac
    shift
done
[ -x "$program" ] || { echo "screenshots: build $program first" >&2; exit 2; }
for tool in Xvfb xdotool import python3; do
    command -v "$tool" >/dev/null || { echo "screenshots: $tool is missing" >&2; exit 2; }
done
mkdir -p "$out"

# Xvfb picks a free display and writes its number once it is ready.
ready=$(mktemp)
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$ready" >/dev/null 2>&1 &
xvfb=$!
for _ in $(seq 1 100); do
    [ -s "$ready" ] && break
    kill -0 "$xvfb" 2>/dev/null || { echo "screenshots: Xvfb did not start" >&2; exit 1; }
    sleep 0.1
done
display=":$(head -n 1 "$ready")"
rm -f "$ready"
export DISPLAY="$display"
app=""
cleanup() {
    [ -n "$app" ] && kill "$app" 2>/dev/null || true
    kill "$xvfb" 2>/dev/null || true
    # The next walk may take the same display number once this one is gone.
    wait "$xvfb" 2>/dev/null || true
}
trap cleanup EXIT

program_failed() {
    echo "screenshots: $program $1; its output:" >&2
    cat "$out/program.log" >&2
    # A display server that went away is not the tool's failure.
    grep -q "could not connect to display" "$out/program.log" && exit 1
    exit 3
}

# Waits until a window with this exact title is mapped; prints its id.
wait_for_window() {
    local title=$1 id=""
    for _ in $(seq 1 300); do
        kill -0 "$app" 2>/dev/null || program_failed "ended before '$title' appeared"
        id=$(xdotool search --onlyvisible --name "^$title\$" 2>/dev/null | head -n 1 || true)
        [ -n "$id" ] && { echo "$id"; return 0; }
        sleep 0.1
    done
    echo "screenshots: no window '$title' appeared" >&2
    return 1
}

# Clicks a point of the window, given in its client coordinates.
click() {
    xdotool mousemove --window "$1" "$2" "$3" click 1
    sleep 0.4
}

shot() {
    import -window "$1" "$out/$2.png"
    echo "screenshots: $out/$2.png"
}

QT_QPA_PLATFORM=xcb "$program" >"$out/program.log" 2>&1 &
app=$!
main=$(wait_for_window "KOVEX Programmer")
sleep 0.5
shot "$main" main-window

click "$main" 53 28     # Open
shot "$main" after-open

click "$main" 485 28    # Run Mode
click "$main" 245 28    # Version
shot "$main" after-run-mode

click "$main" 197 500   # Graphic
graphic=$(wait_for_window "Form2")
sleep 0.3
shot "$graphic" graphic-window

# Upload a bitmap, an icon, a metafile of each kind and a PNG through the
# picture dialog; each lands in the simulated display.
data="$PWD/tests"
for picture in display/data/sample-240x64.bmp pictures/data/icon.ico pictures/data/rect.emf \
        pictures/data/rect.wmf pictures/data/dot.png; do
    name=$(basename "$picture" | tr . -)
    click "$graphic" 141 172   # Upload
    sleep 0.6
    xdotool type --delay 10 "$data/$picture"
    xdotool key Return
    sleep 1.5
    shot "$graphic" "graphic-$name"
    simulated=$(wait_for_window "Simulated display")
    shot "$simulated" "simulated-display-$name"
done
click "$graphic" 141 204   # Clear
click "$graphic" 293 244   # Send Text (Hello World)
sleep 0.5
shot "$(wait_for_window "Simulated display")" simulated-display-text

xdotool key --window "$graphic" Escape || true
sleep 0.3

# Closing the main window ends the program; it must exit by itself.
python3 scripts/close-window.py "$main"
status=""
for _ in $(seq 1 300); do
    kill -0 "$app" 2>/dev/null || { wait "$app" && status=0 || status=$?; break; }
    sleep 0.1
done
app_pid=$app
app=""
if [ -z "$status" ]; then
    kill "$app_pid" 2>/dev/null || true
    echo "screenshots: $program did not exit after its window was closed" >&2
    exit 3
fi
[ "$status" -eq 0 ] || program_failed "exited with status $status"
if grep -qE 'ERROR: (Address|Leak)Sanitizer|runtime error:' "$out/program.log"; then
    program_failed "exited, but a sanitizer reported"
fi
echo "screenshots: $program exited with status 0"

if [ "$readme" = yes ]; then
    mkdir -p docs
    cp "$out/main-window.png" docs/main-window.png
    echo "screenshots: docs/main-window.png refreshed"
fi
