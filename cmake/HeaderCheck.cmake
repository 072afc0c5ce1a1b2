# Every project header compiles on its own, and twice in a row, with only its
# own floor's include paths: one generated source per header in an object
# library per floor, which only the quality gates build
#   cmake --build build --target kovex_header_check
# A header that leans on an include of whoever includes it, or that includes
# a floor above its own, fails here.

add_custom_target(kovex_header_check)

# check_name: the object library; headers: paths from the root; the rest is
# what the headers may see.
function(kovex_check_headers check_name headers)
  set(sources)
  foreach(header IN LISTS headers)
    string(MAKE_C_IDENTIFIER ${header} stem)
    set(source ${CMAKE_CURRENT_BINARY_DIR}/header-check/${stem}.cpp)
    file(CONFIGURE OUTPUT ${source} CONTENT "#include \"${header}\"\n#include \"${header}\"\n" @ONLY)
    list(APPEND sources ${source})
  endforeach()
  add_library(${check_name} OBJECT EXCLUDE_FROM_ALL ${sources})
  target_link_libraries(${check_name} PRIVATE ${ARGN})
  add_dependencies(kovex_header_check ${check_name})
endfunction()

get_property(KOVEX_FLOOR_TARGETS GLOBAL PROPERTY KOVEX_FLOORS)
foreach(floor IN LISTS KOVEX_FLOOR_TARGETS)
  get_target_property(folder ${floor} KOVEX_FOLDER)
  file(GLOB headers CONFIGURE_DEPENDS RELATIVE ${CMAKE_CURRENT_SOURCE_DIR} ${folder}/*.h)
  kovex_check_headers(${floor}_headers "${headers}" ${floor})
endforeach()


if(KOVEX_BUILD_TESTS)
  file(GLOB_RECURSE KOVEX_TEST_HEADERS CONFIGURE_DEPENDS RELATIVE ${CMAKE_CURRENT_SOURCE_DIR}/tests
    tests/*.h)
  kovex_check_headers(kovex_test_headers "${KOVEX_TEST_HEADERS}" kovex_sysfs_test_support kovex_shell kovex_cli
    kovex_firmware kovex_display_core Qt6::Test)
endif()
