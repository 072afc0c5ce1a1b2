# Makes the Debian packages from BUILD_DIR (cpack -G DEB into WORK, not into
# the build), unpacks each with dpkg-deb -x and checks its files, its control
# fields and maintainer scripts, and the unpacked kovexctl on its own.
#   cmake -DBUILD_DIR=... -DWORK=... -DVERSION=... -DPICTURE=... -P CheckPackages.cmake
# With -DHEADLESS=ON it checks what kovexctl must do once it links the card
# code only: no GUI library among its NEEDED entries, and display upload
# without kovex-programmer installed refused with the package's name.
# cpack runs the build's preinstall step first: nothing to do in a built tree.
file(REMOVE_RECURSE "${WORK}")
execute_process(COMMAND cpack -G DEB --config ${BUILD_DIR}/CPackConfig.cmake -B ${WORK}
  RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "cpack failed (${result}):\n${output}")
endif()

function(fail)
  string(JOIN "" text ${ARGN})
  message(FATAL_ERROR "${text}")
endfunction()

# The package's file, named as Debian names it.
function(deb_file package out)
  file(GLOB deb "${WORK}/${package}_${VERSION}_*.deb")
  list(LENGTH deb count)
  if(NOT count EQUAL 1)
    file(GLOB made RELATIVE "${WORK}" "${WORK}/*.deb")
    string(JOIN ", " made ${made})
    fail("expected one ${package}_${VERSION}_ARCH.deb, cpack made: ${made}")
  endif()
  set(${out} "${deb}" PARENT_SCOPE)
endfunction()

# The package unpacked into WORK/PACKAGE, its control files into
# WORK/PACKAGE.control; its file list in FILES.
function(unpack package files)
  deb_file(${package} deb)
  execute_process(COMMAND dpkg-deb -x ${deb} ${WORK}/${package} COMMAND_ERROR_IS_FATAL ANY)
  execute_process(COMMAND dpkg-deb -e ${deb} ${WORK}/${package}.control COMMAND_ERROR_IS_FATAL ANY)
  file(GLOB_RECURSE found LIST_DIRECTORIES false RELATIVE "${WORK}/${package}" "${WORK}/${package}/*")
  list(SORT found)
  set(${files} "${found}" PARENT_SCOPE)
endfunction()

function(expect_files package)
  unpack(${package} found)
  set(expected ${ARGN})
  list(SORT expected)
  if(NOT found STREQUAL expected)
    string(REPLACE ";" "\n  " found "${found}")
    string(REPLACE ";" "\n  " expected "${expected}")
    fail("${package}: the package holds\n  ${found}\nexpected\n  ${expected}")
  endif()
endfunction()

function(control_field package field out)
  deb_file(${package} deb)
  execute_process(COMMAND dpkg-deb -f ${deb} ${field}
    OUTPUT_VARIABLE value OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
  set(${out} "${value}" PARENT_SCOPE)
endfunction()

# Runs the unpacked kovexctl with ARGS; its status, output and errors.
function(run_kovexctl status out err)
  execute_process(COMMAND ${WORK}/kovexctl/usr/bin/kovexctl ${ARGN}
    RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE errors)
  set(${status} "${result}" PARENT_SCOPE)
  set(${out} "${output}" PARENT_SCOPE)
  set(${err} "${errors}" PARENT_SCOPE)
endfunction()

set(kovexctl_doc usr/share/doc/kovexctl)
set(programmer_doc usr/share/doc/kovex-programmer)
expect_files(kovexctl
  usr/bin/kovexctl
  usr/lib/udev/rules.d/70-kovex.rules
  usr/${WIRESHARK_PLUGINS}/kovex.lua
  usr/share/bash-completion/completions/kovexctl
  ${kovexctl_doc}/changelog.gz
  ${kovexctl_doc}/copyright
  usr/share/man/man1/kovexctl.1.gz)
# With the picture support that kovexctl reaches without linking it.
expect_files(kovex-programmer
  usr/bin/kovex-programmer
  usr/bin/kovex-programmer-sim
  usr/lib/kovex/kovex-picture-pixels
  usr/share/applications/kovex-programmer-sim.desktop
  usr/share/applications/kovex-programmer.desktop
  ${programmer_doc}/changelog.gz
  ${programmer_doc}/copyright
  usr/share/icons/hicolor/scalable/apps/kovex-programmer.svg
  usr/share/man/man1/kovex-programmer-sim.1.gz
  usr/share/man/man1/kovex-programmer.1.gz)

# Control fields: one version; libraries found by dpkg-shlibdeps (libc6 is
# never named by hand); the window programs on the kovexctl of their version.
foreach(package kovexctl kovex-programmer)
  control_field(${package} Version version)
  if(NOT version STREQUAL VERSION)
    fail("${package} is version ${version}, the project ${VERSION}")
  endif()
  control_field(${package} Depends depends)
  if(NOT depends MATCHES "(^|, )libc6 \\(>= [^)]+\\)(,|$)")
    fail("${package}: no libc6 from dpkg-shlibdeps in Depends: ${depends}")
  endif()
  set(depends_${package} "${depends}")
endforeach()
if(NOT depends_kovex-programmer MATCHES "(^|, )kovexctl \\(= ${VERSION}\\)(,|$)")
  fail("kovex-programmer does not depend on kovexctl (= ${VERSION}): ${depends_kovex-programmer}")
endif()
if(NOT depends_kovexctl MATCHES "(^|, )adduser(,|$)")
  fail("kovexctl's postinst runs addgroup, but it does not depend on adduser: ${depends_kovexctl}")
endif()

# Maintainer scripts: kovexctl's postinst makes the group; nothing removes it.
foreach(script preinst postinst prerm postrm)
  foreach(package kovexctl kovex-programmer)
    set(path ${WORK}/${package}.control/${script})
    if(package STREQUAL "kovexctl" AND script STREQUAL "postinst")
      execute_process(COMMAND test -x ${path} RESULT_VARIABLE notExecutable)
      if(notExecutable)
        fail("kovexctl has no executable postinst")
      endif()
    elseif(EXISTS ${path})
      fail("${package} has a ${script}; only kovexctl's postinst is expected")
    endif()
  endforeach()
endforeach()

# Every program of an optimised build is hardened, as Debian builds: bound at
# start (BIND_NOW), position-independent, with the stack protector and
# fortified libc calls.
if(HARDENED)
  foreach(program kovexctl/usr/bin/kovexctl kovex-programmer/usr/bin/kovex-programmer
      kovex-programmer/usr/bin/kovex-programmer-sim kovex-programmer/usr/lib/kovex/kovex-picture-pixels)
    execute_process(COMMAND readelf --wide --dynamic --dyn-syms --file-header ${WORK}/${program}
      OUTPUT_VARIABLE elf COMMAND_ERROR_IS_FATAL ANY)
    if(NOT elf MATCHES "\\(FLAGS\\)[^\n]*BIND_NOW" AND NOT elf MATCHES "\\(FLAGS_1\\)[^\n]* NOW")
      fail("${program} is not bound at start (no BIND_NOW among its dynamic flags)")
    endif()
    if(NOT elf MATCHES "Type: +DYN")
      fail("${program} is not a position-independent executable")
    endif()
    if(NOT elf MATCHES "__stack_chk_fail")
      fail("${program} has no stack protector (__stack_chk_fail is not among its symbols)")
    endif()
    if(NOT elf MATCHES "__[a-z_]+_chk@")
      fail("${program} calls no fortified libc function (no __*_chk among its symbols)")
    endif()
  endforeach()
endif()

# The unpacked kovexctl on its own: its version, and a command on the
# simulated card.
run_kovexctl(status out err --version)
if(NOT status EQUAL 0 OR NOT out STREQUAL "kovexctl ${VERSION}\n")
  fail("kovexctl --version: status ${status}, \"${out}\" (expected \"kovexctl ${VERSION}\")")
endif()
run_kovexctl(status out err --sim version)
if(NOT status EQUAL 0 OR NOT out MATCHES "^Firmware version from KOVEX = [^\n]+\n$")
  fail("kovexctl --sim version: status ${status}, \"${out}\"\n${err}")
endif()

if(HEADLESS)
  execute_process(COMMAND readelf -d ${WORK}/kovexctl/usr/bin/kovexctl
    OUTPUT_VARIABLE dynamic COMMAND_ERROR_IS_FATAL ANY)
  string(REGEX MATCHALL "\\(NEEDED\\)[^\n]*\\[[^]\n]+\\]" needed "${dynamic}")
  set(gui "libQt6(Gui|Widgets|Svg|OpenGL|DBus)|libwmf|libemf2svg|libGL|libEGL|libX|libxcb|libfreetype|libfontconfig")
  foreach(entry IN LISTS needed)
    if(entry MATCHES "\\[(${gui})[^]]*\\]")
      fail("kovexctl needs a GUI library: ${entry}\n${dynamic}")
    endif()
  endforeach()
  run_kovexctl(status out err --sim display upload ${PICTURE})
  if(NOT status EQUAL 2 OR NOT err MATCHES "kovex-programmer")
    fail("kovexctl display upload without kovex-programmer: status ${status}, expected 2 "
      "and a line that names the package kovex-programmer:\n${err}")
  endif()
endif()
message(STATUS "packages in ${WORK}: files, control fields, scripts and kovexctl as expected")
