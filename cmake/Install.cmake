# cmake --install: the three programs, a desktop entry for each with the icon, and
# the udev rule that lets the group kovex reach the card through sysfs.
include(GNUInstallDirs)

set(KOVEX_UDEV_RULES_DIR "lib/udev/rules.d" CACHE STRING
  "Where the udev rule goes (relative to the install prefix unless absolute)")

install(TARGETS kovex-programmer kovex-programmer-sim kovexctl RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES data/kovex-programmer.desktop data/kovex-programmer-sim.desktop
  DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES data/kovex-programmer.svg
  DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES data/70-kovex.rules DESTINATION ${KOVEX_UDEV_RULES_DIR})

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
