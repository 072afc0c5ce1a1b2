# Runs cmake --install of BUILD_DIR with DESTDIR=STAGE and prefix /usr, then
# checks the programs, the desktop entries with their icon, the udev rule, the
# man pages and the completion, and that nothing else was installed.
file(REMOVE_RECURSE "${STAGE}")
execute_process(
  COMMAND ${CMAKE_COMMAND} -E env "DESTDIR=${STAGE}"
          ${CMAKE_COMMAND} --install "${BUILD_DIR}" --prefix /usr
  RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "cmake --install failed (${result}):\n${output}")
endif()
set(root "${STAGE}/usr")

set(expected
  bin/kovex-programmer
  bin/kovex-programmer-sim
  bin/kovexctl
  lib/kovex/kovex-picture-pixels
  lib/udev/rules.d/70-kovex.rules
  ${WIRESHARK_PLUGINS}/kovex.lua
  share/applications/kovex-programmer-sim.desktop
  share/applications/kovex-programmer.desktop
  share/bash-completion/completions/kovexctl
  share/icons/hicolor/scalable/apps/kovex-programmer.svg
  share/man/man1/kovex-programmer-sim.1.gz
  share/man/man1/kovex-programmer.1.gz
  share/man/man1/kovexctl.1.gz)
list(SORT expected)
file(GLOB_RECURSE installed RELATIVE "${root}" "${root}/*")
list(SORT installed)
if(NOT installed STREQUAL expected)
  message(FATAL_ERROR "installed files:\n  ${installed}\nexpected:\n  ${expected}")
endif()

foreach(program kovex-programmer kovex-programmer-sim kovexctl)
  execute_process(COMMAND test -x "${root}/bin/${program}" RESULT_VARIABLE notExecutable)
  if(notExecutable)
    message(FATAL_ERROR "${program} is not executable")
  endif()
endforeach()

function(require file pattern)
  file(READ "${root}/${file}" text)
  string(REGEX MATCH "${pattern}" found "${text}")
  if(NOT found)
    message(FATAL_ERROR "${file} lacks \"${pattern}\":\n${text}")
  endif()
endfunction()

foreach(program kovex-programmer kovex-programmer-sim)
  set(entry share/applications/${program}.desktop)
  require(${entry} "^\\[Desktop Entry\\]\n")
  require(${entry} "\nType=Application\n")
  require(${entry} "\nName=KOVEX Programmer[^\n]*\n")
  require(${entry} "\nExec=${program}\n")
  require(${entry} "\nIcon=kovex-programmer\n")
endforeach()
require(share/icons/hicolor/scalable/apps/kovex-programmer.svg "<svg ")

set(rule lib/udev/rules.d/70-kovex.rules)
set(match "SUBSYSTEM==\"pci\", ATTR{vendor}==\"0x10b5\", ATTR{device}==\"0x9030\"")
require(${rule} "\nACTION==\"add\", ${match}, RUN\\+=\"")
require(${rule} "'cd /sys%p && chgrp kovex resource0 resource2 && chmod g\\+rw resource0 resource2'\"\n")
message(STATUS "install into ${STAGE}: all there")
