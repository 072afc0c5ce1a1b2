# cmake --install: the three programs, a desktop entry for each with the icon,
# the udev rule that lets the group kovex reach the card through sysfs, the man
# pages and kovexctl's bash completion. Each file belongs to the component of
# the Debian package that ships it (Packaging.cmake): kovexctl, the terminal
# tool with the rule, or programmer, the window programs and the picture
# support that kovexctl runs for display upload (lib/kovex/).
include(GNUInstallDirs)
include(${CMAKE_CURRENT_LIST_DIR}/Manuals.cmake)

set(KOVEX_UDEV_RULES_DIR "lib/udev/rules.d" CACHE STRING
  "Where the udev rule goes (relative to the install prefix unless absolute)")

install(TARGETS kovexctl RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT kovexctl)
install(FILES data/70-kovex.rules DESTINATION ${KOVEX_UDEV_RULES_DIR} COMPONENT kovexctl)
install(FILES ${KOVEX_MANUALS_DIR}/kovexctl.1.gz
  DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT kovexctl)
install(FILES ${KOVEX_MANUALS_DIR}/kovexctl.bash RENAME kovexctl
  DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions COMPONENT kovexctl)

# The kovex dissector, where Wireshark looks for its global Lua plugins:
# lib/<multiarch>/wireshark/plugins on Debian (tshark -G folders).
if(CMAKE_LIBRARY_ARCHITECTURE)
  set(kovex_wireshark_default "lib/${CMAKE_LIBRARY_ARCHITECTURE}/wireshark/plugins")
else()
  set(kovex_wireshark_default "lib/wireshark/plugins")
endif()
set(KOVEX_WIRESHARK_PLUGINS_DIR "${kovex_wireshark_default}" CACHE STRING
  "Where the Wireshark dissector goes (relative to the install prefix unless absolute)")
install(FILES data/kovex.lua DESTINATION ${KOVEX_WIRESHARK_PLUGINS_DIR} COMPONENT kovexctl)

install(TARGETS kovex-programmer kovex-programmer-sim
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT programmer)
# kovexctl finds it at ../lib/kovex from its own folder.
install(TARGETS kovex-picture-pixels RUNTIME DESTINATION lib/kovex COMPONENT programmer)
install(FILES data/kovex-programmer.desktop data/kovex-programmer-sim.desktop
  DESTINATION ${CMAKE_INSTALL_DATADIR}/applications COMPONENT programmer)
install(FILES data/kovex-programmer.svg
  DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps COMPONENT programmer)
install(FILES ${KOVEX_MANUALS_DIR}/kovex-programmer.1.gz ${KOVEX_MANUALS_DIR}/kovex-programmer-sim.1.gz
  DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT programmer)

# systemd-udevd reads rules from these folders only; /lib/udev/rules.d is
# /usr/lib/udev/rules.d on a merged /usr and read on a split one.
set(KOVEX_UDEV_READS
  /etc/udev/rules.d /run/udev/rules.d /usr/local/lib/udev/rules.d /usr/lib/udev/rules.d
  /lib/udev/rules.d)
if(IS_ABSOLUTE "${KOVEX_UDEV_RULES_DIR}")
  set(kovex_rules_dir "${KOVEX_UDEV_RULES_DIR}")
else()
  set(kovex_rules_dir "${CMAKE_INSTALL_PREFIX}/${KOVEX_UDEV_RULES_DIR}")
endif()
cmake_path(NORMAL_PATH kovex_rules_dir)
string(REGEX REPLACE "(.)/+$" "\\1" kovex_rules_dir "${kovex_rules_dir}")
if(NOT kovex_rules_dir IN_LIST KOVEX_UDEV_READS)
  list(JOIN KOVEX_UDEV_READS ", " kovex_read_list)
  message(WARNING "The udev rule would be installed to ${kovex_rules_dir}, where udev does not "
    "read rules (it reads ${kovex_read_list}); the group kovex would not get the card. "
    "Configure with -DKOVEX_UDEV_RULES_DIR=/etc/udev/rules.d or install with --prefix /usr.")
endif()
