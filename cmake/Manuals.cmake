# The man pages and kovexctl's bash completion, built with the programs and
# stamped with the project's version. kovexctl's page and completion come from
# its own --help (packaging/kovexctl-help.py), so nothing is written twice; the
# two window programs share one page source and differ in a few lines.
find_package(Python3 REQUIRED COMPONENTS Interpreter)
find_program(KOVEX_GZIP gzip REQUIRED)

set(KOVEX_MANUALS_DIR ${CMAKE_BINARY_DIR}/manuals)
set(kovex_from_help ${PROJECT_SOURCE_DIR}/packaging/kovexctl-help.py)
set(kovex_completion_template ${PROJECT_SOURCE_DIR}/packaging/kovexctl-completion.bash.in)

# Man pages are gzipped at the highest level and without a time stamp (-9n).
add_custom_command(OUTPUT ${KOVEX_MANUALS_DIR}/kovexctl.1.gz
  COMMAND Python3::Interpreter ${kovex_from_help} man $<TARGET_FILE:kovexctl> ${PROJECT_VERSION}
          ${KOVEX_MANUALS_DIR}/kovexctl.1
  COMMAND ${KOVEX_GZIP} -9nkf ${KOVEX_MANUALS_DIR}/kovexctl.1
  DEPENDS kovexctl ${kovex_from_help}
  COMMENT "Writing kovexctl's man page from its --help" VERBATIM)

add_custom_command(OUTPUT ${KOVEX_MANUALS_DIR}/kovexctl.bash
  COMMAND Python3::Interpreter ${kovex_from_help} completion $<TARGET_FILE:kovexctl>
          ${kovex_completion_template} ${KOVEX_MANUALS_DIR}/kovexctl.bash
  DEPENDS kovexctl ${kovex_from_help} ${kovex_completion_template}
  COMMENT "Writing kovexctl's bash completion from its --help" VERBATIM)

set(kovex_manuals ${KOVEX_MANUALS_DIR}/kovexctl.1.gz ${KOVEX_MANUALS_DIR}/kovexctl.bash)
foreach(program kovex-programmer kovex-programmer-sim)
  set(MAN_PROGRAM ${program})
  string(TOUPPER ${program} MAN_TITLE)
  if(program STREQUAL "kovex-programmer")
    set(MAN_OTHER kovex-programmer-sim)
    set(MAN_SUMMARY "the KOVEX card's service tool, on the card in this PC")
    set(MAN_SYNOPSIS "")
    set(MAN_OPTIONS "The program takes no options of its own.")
    set(MAN_CARD [[
This program works on the real card, through the kernel's PCI sysfs files:
no driver and no vendor SDK. It needs the rights to read and write the card's
\fIresource0\fR and \fIresource2\fR files: run it as root, or as a member of
the group \fBkovex\fR (the udev rule gives the group those rights; log in
again after joining it).]])
  else()
    set(MAN_OTHER kovex-programmer)
    set(MAN_SUMMARY "the KOVEX card's service tool, on a simulated card")
    set(MAN_SYNOPSIS " [\\fB\\-\\-replay\\fR \\fIFILE\\fR]")
    set(MAN_OPTIONS [[
With \fB\-\-replay\fR \fIFILE\fR the simulated card replays a capture made
with \fBkovexctl \-\-capture\fR or the log's menu: it answers each frame the
host sends as the capture answered it, and a frame that differs from the
capture's next one is named on standard error, after which the card stays
silent.]])
    set(MAN_CARD [[
This program works on a simulated card: it needs no card and no privileges,
and shows in a window of its own what the simulated display node shows.]])
  endif()
  configure_file(${PROJECT_SOURCE_DIR}/packaging/kovex-programmer.1.in
    ${KOVEX_MANUALS_DIR}/${program}.1 @ONLY)
  add_custom_command(OUTPUT ${KOVEX_MANUALS_DIR}/${program}.1.gz
    COMMAND ${KOVEX_GZIP} -9nkf ${KOVEX_MANUALS_DIR}/${program}.1
    DEPENDS ${KOVEX_MANUALS_DIR}/${program}.1 VERBATIM)
  list(APPEND kovex_manuals ${KOVEX_MANUALS_DIR}/${program}.1.gz)
endforeach()

add_custom_target(kovex_manuals ALL DEPENDS ${kovex_manuals})
