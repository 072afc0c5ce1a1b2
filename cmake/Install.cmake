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
