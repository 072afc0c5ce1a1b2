#!/usr/bin/env bash
# Peak resident memory of the whole window program through one Upload. Starts
# PROGRAM (kovex-programmer-sim) under Xvfb and walks it as a person would:
# Open, Run Mode, Graphic, then Upload, the picture's path typed into the
# picture dialog and Enter. Once the dialog has gone and the program has
# used no processor time for a while (the picture decoded and sent, or its
# refusal shown), the program is ended and GNU time's peak is printed in kB.
# Without PICTURE the walk stops before Upload: the window's own peak.
#
#   bash bench/window-upload.sh PROGRAM [PICTURE]
#
# Prints "-" when Xvfb or xdotool is missing or the walk could not be done.
set -uo pipefail

program="$1"
picture="${2:-}"
for tool in Xvfb xdotool; do
    command -v "$tool" >/dev/null || { echo "-"; exit 0; }
done
folder="$(mktemp -d)"
xvfb=""
timer=""
cleanup() {
    [ -n "$timer" ] && kill "$timer" 2>/dev/null
    [ -n "$xvfb" ] && { kill "$xvfb" 2>/dev/null; wait "$xvfb" 2>/dev/null; }
    rm -rf "$folder"
}
trap cleanup EXIT
give_up() {
    echo "window-upload: $1" >&2
    echo "-"
    exit 0
}

# Xvfb picks a free display and writes its number once it is ready.
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$folder/display" >/dev/null 2>&1 &
xvfb=$!
for _ in $(seq 1 100); do
    [ -s "$folder/display" ] && break
    sleep 0.1
done
[ -s "$folder/display" ] || give_up "Xvfb did not start"
DISPLAY=":$(head -n 1 "$folder/display")"
export DISPLAY

QT_QPA_PLATFORM=xcb /usr/bin/time -f '%M' -o "$folder/time" "$program" >"$folder/log" 2>&1 &
timer=$!

# Waits until a window with this exact title is mapped; prints its id.
wait_for_window() {
    for _ in $(seq 1 300); do
        local id
        id=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -n 1)
        [ -n "$id" ] && { echo "$id"; return 0; }
        sleep 0.1
    done
    return 1
}

# Waits up to $2 tenths of a second for the window with this title to go.
window_gone() {
    for _ in $(seq 1 "$2"); do
        xdotool search --onlyvisible --name "^$1\$" >/dev/null 2>&1 || return 0
        sleep 0.1
    done
    return 1
}

click() {  # a point of the window, in its client coordinates
    xdotool mousemove --window "$1" "$2" "$3" click 1
    sleep 0.4
}

# The program's processor time in clock ticks (user and system).
cpu_ticks() {
    awk '{ print $14 + $15 }' "/proc/$1/stat" 2>/dev/null
}

# Returns once the process has used no processor time for 1.5 s.
wait_until_idle() {
    local last="" now quiet=0
    for _ in $(seq 1 600); do
        now=$(cpu_ticks "$1") || return 0
        if [ "$now" = "$last" ]; then
            quiet=$((quiet + 1))
            [ "$quiet" -ge 3 ] && return 0
        else
            quiet=0
        fi
        last=$now
        sleep 0.5
    done
}

main=$(wait_for_window "KOVEX Programmer") || give_up "no main window"
app=$(pgrep -P "$timer" | head -n 1)
sleep 0.5
click "$main" 53 28    # Open
click "$main" 485 28   # Run Mode
click "$main" 197 500  # Graphic
graphic=$(wait_for_window "Form2") || give_up "no graphic window"
sleep 0.3
if [ -n "$picture" ]; then
    click "$graphic" 141 172  # Upload
    wait_for_window "Open" >/dev/null || give_up "no picture dialog"
    sleep 0.5
    xdotool type --delay 10 "$picture"
    # The dialog lists the folder in the background and may judge the name
    # before it knows the file (its Open button stays off): the last
    # character typed again once the list is there has it judged afresh.
    sleep 1
    xdotool key BackSpace
    xdotool type "${picture: -1}"
    sleep 0.3
    # The name field's completion list, when it has come up, takes the first
    # Enter; the next one opens the file.
    for _ in 1 2 3; do
        xdotool key Return
        window_gone "Open" 20 && break
    done
    window_gone "Open" 300 || give_up "the picture dialog stayed open"
fi
wait_until_idle "$app"
kill -TERM "$app" 2>/dev/null
wait "$timer" 2>/dev/null
timer=""
tail -n 1 "$folder/time"
