# Every project header compiles on its own, and twice in a row: one generated
# source per header in an object library that only the quality gates build
#   cmake --build build --target kovex_header_check
# A header that leans on an include of whoever includes it fails here.

file(GLOB_RECURSE KOVEX_CHECKED_HEADERS CONFIGURE_DEPENDS RELATIVE ${CMAKE_CURRENT_SOURCE_DIR}
  seam/*.h link/*.h console/*.h firmware/*.h display/*.h shell/*.h sim/*.h cli/*.h)
if(KOVEX_BUILD_TESTS)
  file(GLOB_RECURSE KOVEX_CHECKED_TEST_HEADERS CONFIGURE_DEPENDS RELATIVE ${CMAKE_CURRENT_SOURCE_DIR}
    tests/*.h)
  list(APPEND KOVEX_CHECKED_HEADERS ${KOVEX_CHECKED_TEST_HEADERS})
endif()

set(KOVEX_HEADER_CHECK_SOURCES)
foreach(header IN LISTS KOVEX_CHECKED_HEADERS)
  string(MAKE_C_IDENTIFIER ${header} stem)
  set(source ${CMAKE_CURRENT_BINARY_DIR}/header-check/${stem}.cpp)
  file(CONFIGURE OUTPUT ${source} CONTENT "#include \"${header}\"\n#include \"${header}\"\n" @ONLY)
  list(APPEND KOVEX_HEADER_CHECK_SOURCES ${source})
endforeach()

add_library(kovex_header_check OBJECT EXCLUDE_FROM_ALL ${KOVEX_HEADER_CHECK_SOURCES})
target_include_directories(kovex_header_check PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(kovex_header_check PRIVATE kovex_ui)
if(KOVEX_BUILD_TESTS)
  target_include_directories(kovex_header_check PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/tests)
  target_link_libraries(kovex_header_check PRIVATE kovex_test_support Qt6::Test)
endif()
