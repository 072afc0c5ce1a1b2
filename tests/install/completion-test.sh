#!/usr/bin/env bash
# Completes command lines with the generated kovexctl completion, as bash
# does on Tab, and compares the words offered with the expected ones.
#
#   bash completion-test.sh COMPLETION_FILE
set -u
completion=$1
# shellcheck source=/dev/null
source "$completion"

# A made-up bus: two KOVEX cards and a network card.
tree=$(mktemp -d)
trap 'rm -rf "$tree"' EXIT
device() {
    mkdir -p "$tree/sys/bus/pci/devices/$1"
    printf '%s\n' "$2" >"$tree/sys/bus/pci/devices/$1/vendor"
    printf '%s\n' "$3" >"$tree/sys/bus/pci/devices/$1/device"
}
device 0000:03:07.0 0x10b5 0x9030
device 0000:04:00.0 0x10b5 0x9030
device 0000:00:03.0 0x10ec 0x8139
device 0000:00:04.0 0x10b5 0x9050
mkdir -p "$tree/files/pictures"
touch "$tree/files/fw.hex" "$tree/files/logo.bmp"
sys="--sysfs-root $tree/sys"
files="$tree/files"

failures=0
# complete LINE EXPECTED: the words offered for LINE (the cursor at its end),
# sorted, one space between them.
complete_line() {
    local line=$1 expected=$2 got
    COMP_LINE=$line
    COMP_POINT=${#line}
    read -ra COMP_WORDS <<<"$line"
    COMP_CWORD=${#COMP_WORDS[@]}
    COMPREPLY=()
    _kovexctl
    got=$(printf '%s\n' "${COMPREPLY[@]}" | LC_ALL=C sort | xargs)
    if [[ $got != "$expected" ]]; then
        printf 'FAIL: "%s"\n  offered:  %s\n  expected: %s\n' "$line" "$got" "$expected"
        failures=$((failures + 1))
    fi
}

commands="clear-buffer display list loopback messages mode poll-list poll-speed program send test version"
long="--capture --device --help --json --quiet --sim --sim-replay --sysfs-root --timeout --verbose --version --wait-card"
complete_line "kovexctl " "$commands"
complete_line "kovexctl po" "poll-list poll-speed"
complete_line "kovexctl poll-list " "get set"
complete_line "kovexctl mode r" "run"
complete_line "kovexctl --json --timeout 5 mo" "mode"
complete_line "kovexctl --wait-card 60 mode " "boot run"
complete_line "kovexctl --wait-card display " "clear font save show text upload xy"
complete_line "kovexctl -- --sim " ""
complete_line "kovexctl version " ""
complete_line "kovexctl display text " ""
# Options: the global ones, the command's own, the test aids after --sim.
complete_line "kovexctl version --" "$long"
complete_line "kovexctl version -" "$long -h -q -v"
complete_line "kovexctl program --" "--capture --device --expect-version --help --json --quiet --sim --sim-replay --sysfs-root --timeout --verbose --version --wait-card --yes"
complete_line "kovexctl display upload --node" "--node --node-device"
complete_line "kovexctl --n" "--node --node-device"
complete_line "kovexctl mode --n" ""
complete_line "kovexctl messages --f" "--follow --for"
complete_line "kovexctl messages --follow --count " ""
complete_line "kovexctl --sim-" "--sim-replay"
complete_line "kovexctl --sim --sim-" "--sim-at-once --sim-cards --sim-fault --sim-hold-after --sim-replay --sim-state"
complete_line "kovexctl --sim --sim-fault s" "silent stuck-busy"
complete_line "kovexctl --sim --sim-fault=e" "endless"
# --device: "all" and the KOVEX cards on the bus, whole or after a colon.
complete_line "kovexctl $sys --device " "0000:03:07.0 0000:04:00.0 all"
complete_line "kovexctl $sys version --device 0000:0" "03:07.0 04:00.0"
complete_line "kovexctl $sys --device 0000:03:" "07.0"
complete_line "kovexctl --sysfs-root=$tree/sys --device=0" "0000:03:07.0 0000:04:00.0"
complete_line "kovexctl --sysfs-root $tree/nothing --device " "all"
complete_line "kovexctl --device a" "all"
complete_line "kovexctl --timeout " ""
# File names for the commands that read a file, after their options too.
complete_line "kovexctl program $files/" "$files/fw.hex $files/logo.bmp $files/pictures"
complete_line "kovexctl --yes program $files/f" "$files/fw.hex"
complete_line "kovexctl display upload --node 12 $files/l" "$files/logo.bmp"
complete_line "kovexctl program $files/fw.hex $files/" ""
complete_line "kovexctl $sys --sysfs-root $files/p" "$files/pictures"
# The capture to write or replay: a file.
complete_line "kovexctl --capture $files/f" "$files/fw.hex"
complete_line "kovexctl --sim-replay $files/l" "$files/logo.bmp"

if ((failures)); then
    echo "$failures completion case(s) failed"
    exit 1
fi
echo "completion: all cases pass"
