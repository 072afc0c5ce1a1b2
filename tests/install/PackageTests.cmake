# The man pages and the bash completion.
add_test(NAME ManPages
  COMMAND ${CMAKE_COMMAND} -DMANUALS_DIR=${KOVEX_MANUALS_DIR} -DKOVEXCTL=$<TARGET_FILE:kovexctl>
    -DVERSION=${PROJECT_VERSION} -P ${CMAKE_CURRENT_LIST_DIR}/CheckManPages.cmake)
add_test(NAME BashCompletion
  COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/completion-test.sh ${KOVEX_MANUALS_DIR}/kovexctl.bash)
