# The man pages, the bash completion, the postinst and the Debian packages.
add_test(NAME ManPages
  COMMAND ${CMAKE_COMMAND} -DMANUALS_DIR=${KOVEX_MANUALS_DIR} -DKOVEXCTL=$<TARGET_FILE:kovexctl>
    -DVERSION=${PROJECT_VERSION} -P ${CMAKE_CURRENT_LIST_DIR}/CheckManPages.cmake)
add_test(NAME BashCompletion
  COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/completion-test.sh ${KOVEX_MANUALS_DIR}/kovexctl.bash)
add_test(NAME KovexctlPostinst
  COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/postinst-test.sh
    ${PROJECT_SOURCE_DIR}/packaging/kovexctl/postinst)
set_tests_properties(KovexctlPostinst PROPERTIES SKIP_RETURN_CODE 77)

# The hardening is checked where the build takes it: an optimised build with
# KOVEX_HARDENING (not the Debug build of the sanitizers).
if(KOVEX_HARDENING)
  set(kovex_hardened "$<CONFIG:Release,RelWithDebInfo,MinSizeRel>")
else()
  set(kovex_hardened 0)
endif()
set(kovex_package_check
  -DBUILD_DIR=${CMAKE_BINARY_DIR} -DVERSION=${PROJECT_VERSION} -DHARDENED=${kovex_hardened}
  -DWIRESHARK_PLUGINS=${KOVEX_WIRESHARK_PLUGINS_DIR}
  -DPICTURE=${CMAKE_CURRENT_SOURCE_DIR}/pictures/data/bits1.bmp)
add_test(NAME DebianPackages
  COMMAND ${CMAKE_COMMAND} ${kovex_package_check} -DWORK=${CMAKE_CURRENT_BINARY_DIR}/packages
    -P ${CMAKE_CURRENT_LIST_DIR}/CheckPackages.cmake)
# kovexctl without the picture stack: no GUI library among its NEEDED entries,
# and display upload refused, naming kovex-programmer, where only kovexctl is
# installed.
add_test(NAME DebianPackageKovexctlHeadless
  COMMAND ${CMAKE_COMMAND} ${kovex_package_check} -DHEADLESS=ON
    -DWORK=${CMAKE_CURRENT_BINARY_DIR}/packages-headless -P ${CMAKE_CURRENT_LIST_DIR}/CheckPackages.cmake)

# Both run cpack on the one build: never at the same time.
set_tests_properties(DebianPackages DebianPackageKovexctlHeadless PROPERTIES RESOURCE_LOCK cpack)
