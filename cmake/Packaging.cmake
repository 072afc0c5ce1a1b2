# Two Debian packages from one `cpack -G DEB` (or the `package` target) in a
# Release build, one per install component (Install.cmake):
#   kovexctl          the terminal tool, the udev rule, its man page and bash
#                     completion; its postinst makes the group kovex
#   kovex-programmer  the two window programs, their desktop entries, icon and
#                     man pages, the picture support; needs kovexctl for the
#                     rule and the group
# The libraries each needs are found by dpkg-shlibdeps from the binaries.

# The changelog and copyright Debian asks of every package; they go into the
# packages only, not into a plain cmake --install.
set(KOVEX_PACKAGE_MAINTAINER
  "KOVEX service tool maintainers <maintainers@users.noreply.c-seed-99d56ada.example>"
  CACHE STRING "The Debian packages' maintainer: a name and an address")
set(kovex_package_dir ${CMAKE_BINARY_DIR}/packaging)
configure_file(${PROJECT_SOURCE_DIR}/packaging/changelog.in ${kovex_package_dir}/changelog @ONLY)
add_custom_command(OUTPUT ${kovex_package_dir}/changelog.gz
  COMMAND ${KOVEX_GZIP} -9nkf ${kovex_package_dir}/changelog
  DEPENDS ${kovex_package_dir}/changelog VERBATIM)
add_custom_target(kovex_changelog ALL DEPENDS ${kovex_package_dir}/changelog.gz)

set(kovex_packages kovexctl kovex-programmer)
set(kovex_components kovexctl programmer)
foreach(package component IN ZIP_LISTS kovex_packages kovex_components)
  install(FILES ${PROJECT_SOURCE_DIR}/packaging/copyright ${kovex_package_dir}/changelog.gz
    DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${package} COMPONENT ${component} EXCLUDE_FROM_ALL)
  string(TOUPPER ${component} upper)
  set(CPACK_DEBIAN_${upper}_PACKAGE_NAME ${package})
endforeach()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kovex-service-tool)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
  OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL ${kovex_components})
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${KOVEX_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

# kovex-programmer depends on the kovexctl of the same version.
set(CPACK_DEBIAN_ENABLE_COMPONENT_DEPENDS ON)
set(CPACK_COMPONENT_PROGRAMMER_DEPENDS kovexctl)

# postinst makes the group with addgroup, from adduser.
set(CPACK_DEBIAN_KOVEXCTL_PACKAGE_DEPENDS adduser)
set(CPACK_DEBIAN_KOVEXCTL_PACKAGE_CONTROL_EXTRA ${PROJECT_SOURCE_DIR}/packaging/kovexctl/postinst)

set(CPACK_COMPONENT_KOVEXCTL_DESCRIPTION [[
KOVEX card commands from a terminal
kovexctl finds the KOVEX card (a PCI card behind a PLX PCI 9030 bridge) on
the PCI bus and runs one card command per call: firmware programming from an
Intel HEX file, mode, version, poll list, node messages, loopback counters
and the display node. Results go to standard output (or JSON), errors to
standard error, outcomes to the exit status; it needs no desktop.

The package brings the udev rule that gives the group kovex, made on
installation, access to the card.]])
set(CPACK_COMPONENT_PROGRAMMER_DESCRIPTION [[
KOVEX card service tool with windows
kovex-programmer is the desktop service tool of the KOVEX card: it finds the
card, programs its firmware, switches its mode, sets its poll list, sends and
fetches node messages, and drives a graphic display node with pictures.

kovex-programmer-sim is the same tool on a simulated card, for training and
trying things out without a card or privileges.]])

include(CPack)
