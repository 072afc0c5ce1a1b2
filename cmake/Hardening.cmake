# Debian's hardening flags for the optimised builds the packages are made
# from (Release, RelWithDebInfo, MinSizeRel): fortified libc calls, the stack
# protector, format checks, read-only relocations bound at start (RELRO,
# BIND_NOW) and position-independent executables. They are what
# `DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags` gives, less its
# optimisation, debug and path flags (the build type has its own); without
# dpkg-buildflags, the same set. A Debug build (the sanitizers, coverage)
# takes none: fortification needs the optimiser.
option(KOVEX_HARDENING "Build optimised builds with Debian's hardening flags" ON)
if(NOT KOVEX_HARDENING)
  return()
endif()

set(kovex_hardening_compile -D_FORTIFY_SOURCE=2 -fstack-protector-strong -Wformat
  -Werror=format-security)
set(kovex_hardening_link -Wl,-z,relro -Wl,-z,now)
find_program(KOVEX_DPKG_BUILDFLAGS dpkg-buildflags)
if(KOVEX_DPKG_BUILDFLAGS)
  set(kovex_hardening_compile)
  set(kovex_hardening_link)
  foreach(kind CPPFLAGS CXXFLAGS LDFLAGS)
    execute_process(
      COMMAND ${CMAKE_COMMAND} -E env DEB_BUILD_MAINT_OPTIONS=hardening=+all
        ${KOVEX_DPKG_BUILDFLAGS} --get ${kind}
      OUTPUT_VARIABLE flags OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
    separate_arguments(flags UNIX_COMMAND "${flags}")
    foreach(flag IN LISTS flags)
      if(flag MATCHES "^-Wl,")
        list(APPEND kovex_hardening_link ${flag})
      elseif(flag MATCHES "^(-D_FORTIFY_SOURCE|-fstack-|-fcf-protection|-Wformat|-Werror=format)")
        list(APPEND kovex_hardening_compile ${flag})
      endif()
    endforeach()
  endforeach()
endif()

set(kovex_optimised "$<CONFIG:Release,RelWithDebInfo,MinSizeRel>")
add_compile_options("$<${kovex_optimised}:${kovex_hardening_compile}>")
add_link_options("$<${kovex_optimised}:${kovex_hardening_link}>")

include(CheckPIESupported)
check_pie_supported()
set(CMAKE_POSITION_INDEPENDENT_CODE ON)
message(STATUS "Hardening (optimised builds): ${kovex_hardening_compile} ${kovex_hardening_link} -fPIE -pie")
