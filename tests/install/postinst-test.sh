#!/usr/bin/env bash
# Runs the kovexctl package's postinst with stand-ins for getent, addgroup and
# udevadm (nothing else on its PATH) and checks what it asked of them: the
# group made only when it is missing, udev reloaded and the cards triggered
# only where udev runs, and an install that never fails for udev's sake.
# Where udev runs is faked with a private /run (unshare -m); without one
# the test is skipped (exit 77).
#
#   bash postinst-test.sh POSTINST
set -u
postinst=$(realpath "$1")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Stand-ins that log their arguments; getent finds the group when
# GROUP_EXISTS=1, udevadm exits with UDEVADM_STATUS.
mkdir "$work/bin" "$work/bin-no-udevadm"
for tool in getent addgroup udevadm; do
    cat >"$work/bin/$tool" <<EOF
#!/bin/sh
echo "$tool \$*" >>"$work/log"
case $tool in
    getent) [ "\${GROUP_EXISTS:-0}" = 1 ] ;;
    udevadm) exit "\${UDEVADM_STATUS:-0}" ;;
esac
EOF
    chmod +x "$work/bin/$tool"
done
cp "$work/bin/getent" "$work/bin/addgroup" "$work/bin-no-udevadm/"

# A private /run, with or without /run/udev in it, where this user may mount one.
private_run=()
for attempt in "unshare -m" "unshare -mr"; do
    if $attempt sh -c 'mount -t tmpfs tmpfs /run' 2>/dev/null; then
        read -ra private_run <<<"$attempt"
        break
    fi
done

failures=0
# run udev|no-udev PATH ENV EXPECTED_STATUS EXPECTED_LOG ARGUMENT
run() {
    local where=$1 bin=$2 env=$3 expected_status=$4 expected_log=$5 argument=$6
    local status=0 log
    : >"$work/log"
    local settings
    read -ra settings <<<"$env"
    local command=(env -i PATH="$bin" "${settings[@]}" /bin/sh "$postinst" "$argument")
    local make_run="mount -t tmpfs tmpfs /run"
    [[ $where == udev ]] && make_run+=" && mkdir /run/udev"
    if [[ $where == udev || -d /run/udev ]]; then
        "${private_run[@]}" sh -c "$make_run"' && exec "$@"' sh "${command[@]}" >/dev/null 2>&1 ||
            status=$?
    else
        "${command[@]}" >/dev/null 2>&1 || status=$?
    fi
    log=$(paste -sd'|' "$work/log")
    if [[ $status != "$expected_status" || $log != "$expected_log" ]]; then
        printf 'FAIL: %s, %s, %s\n  got:      %s: %s\n  expected: %s: %s\n' "$where" "$env" \
            "$argument" "$status" "$log" "$expected_status" "$expected_log"
        failures=$((failures + 1))
    fi
}

reload="udevadm control --reload"
trigger="udevadm trigger --action=add --subsystem-match=pci --attr-match=vendor=0x10b5 --attr-match=device=0x9030"
if ((${#private_run[@]} == 0)); then
    echo "SKIP: no private /run allowed here (unshare -m), so no udev can be faked"
    exit 77
fi
run no-udev "$work/bin" GROUP_EXISTS=0 0 "getent group kovex|addgroup --system kovex" configure
run no-udev "$work/bin" GROUP_EXISTS=1 0 "getent group kovex" configure
run no-udev "$work/bin" GROUP_EXISTS=0 0 "" abort-upgrade
run udev "$work/bin" GROUP_EXISTS=1 0 "getent group kovex|$reload|$trigger" configure
run udev "$work/bin" GROUP_EXISTS=0 0 "getent group kovex|addgroup --system kovex|$reload|$trigger" configure
run udev "$work/bin" "GROUP_EXISTS=1 UDEVADM_STATUS=1" 0 "getent group kovex|$reload|$trigger" configure
run udev "$work/bin-no-udevadm" GROUP_EXISTS=1 0 "getent group kovex" configure

if ((failures)); then
    echo "$failures postinst case(s) failed"
    exit 1
fi
echo "postinst: all cases pass"
