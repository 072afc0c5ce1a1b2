#include "cli/CommandLine.h"

namespace kovex {

const char* HelpText() {
    return R"(NAME
    kovexctl - the KOVEX service tool's card commands from a terminal

SYNOPSIS
    kovexctl [--sim] [--device DOMAIN:BUS:SLOT.FN] [--wait-card [SECONDS]] [--json] [--yes]
             COMMAND [ARGS]

    Opens the card as the window's Open does (the first PCI 9030 found, or the
    one at --device), runs one command and prints the lines the window would
    log, one per line, on standard output. Errors, refusals, questions and
    progress go to standard error.

COMMANDS
    list                      the devices on the bus; "*" marks the card used
    version                   the card's firmware version
    mode                      the card's mode (KOVEX Run Mode = 66 run, 99 boot)
    mode run | mode boot      switches the card to its run or boot firmware
    poll-speed                the card's poll speed
    clear-buffer              empties the card's message buffer
    poll-list get             the poll list (and each node's status in run mode)
    poll-list set N N ...     writes the poll list
    send "NODE DEVICE CMD ..."
                              sends one node message
    messages                  Get Msg until the card has no message left
    loopback                  the card's packet counters
    program FILE              programs the firmware in the Intel HEX FILE; the
                              file is read and checked before the card is
                              touched
    display clear             clears the display node (node 10, device 34)
    display text STRING       writes STRING on the display
    display upload PICTURE [--node N] [--device D]
                              sends a .bmp, .ico, .emf or .wmf picture to node
                              N (10), device D (34)

OPTIONS
    --sim                 use the simulated card of kovex-programmer-sim
                          instead of the PCI bus
    --device DOMAIN:BUS:SLOT.FN
                          use the PCI 9030 at this address, e.g. 0000:03:07.0
    --json                print one JSON object per command instead of the
                          lines: {"command", "args", "exit", "log", "errors"}
    --wait-card [SECONDS] when another program holds the card, wait for it
                          (at most SECONDS when a number follows) instead of
                          ending at once with status 4; Ctrl-C stops the wait
    -y, --yes             program even when the file's check finds something
    -h, --help            this page
    Test aids:
    --sysfs-root DIR      look for the PCI devices under DIR/bus/pci/devices
                          instead of /sys/bus/pci/devices (a made-up tree)
    With --sim only:
    --sim-fault silent|stuck-busy|endless
                          the simulated card never answers, never takes a
                          byte, or never stops sending
    --sim-at-once         the simulated card answers at once (no reply delay,
                          no busy time after a byte)

EXIT STATUS
    0    done
    1    the card did not answer (10 s of silence), kept sending, or did not
         acknowledge a programming line in time
    2    bad usage, or an input refused: a 255 in a message, a file that
         cannot be read or programmed, a picture that cannot be loaded
    3    the firmware file's check found something and --yes was not given;
         nothing was sent
    4    no card found, or it could not be opened (the cause is on standard
         error), or another program holds it: "Card 0000:03:07.0 is in use by
         kovexctl (pid 4242); Open again when it has finished"
    130  stopped by Ctrl-C; the card is left free at once

EXAMPLES
    kovexctl --sim version
    kovexctl poll-list set 10 12
    kovexctl send "10 0 7"
    kovexctl --device 0000:03:07.0 program firmware.hex
    kovexctl --json mode
)";
}

}  // namespace kovex
