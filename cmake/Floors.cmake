# One static library per folder, each a floor that sees only itself and the
# floors below it. Sources include "link/CardPort.h" from the repository
# root, so the root itself is on no include path: each folder gets one in the
# build tree that holds a symbolic link to that folder alone, and the floors
# below come with the libraries a floor links PUBLIC. An include that runs
# back up names a file that is on none of its paths, and the build stops.

# The include folder that shows `folder` (a path from the root) and nothing else.
function(kovex_folder_includes folder out)
  string(MAKE_C_IDENTIFIER ${folder} name)
  set(include_dir ${PROJECT_BINARY_DIR}/floors/${name})
  cmake_path(GET folder PARENT_PATH parent)
  file(MAKE_DIRECTORY ${include_dir}/${parent})
  file(CREATE_LINK ${PROJECT_SOURCE_DIR}/${folder} ${include_dir}/${folder} SYMBOLIC)
  set(${out} ${include_dir} PARENT_SCOPE)
endfunction()

#   kovex_floor(TARGET FOLDER [BELOW lib...] [USES lib...])
# BELOW: what its headers need, passed on to whoever links it; USES: what
# only its sources need. KOVEX_FLOORS lists the floors for the header check.
function(kovex_floor target folder)
  cmake_parse_arguments(PARSE_ARGV 2 FLOOR "" "" "BELOW;USES")
  file(GLOB sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/${folder}/*.cpp)
  # A folder's main.cpp is its program, built apart from its library.
  list(FILTER sources EXCLUDE REGEX "/main\\.cpp$")
  add_library(${target} STATIC ${sources})
  kovex_folder_includes(${folder} include_dir)
  target_include_directories(${target} PUBLIC ${include_dir})
  target_link_libraries(${target} PUBLIC ${FLOOR_BELOW} PRIVATE ${FLOOR_USES})
  set_target_properties(${target} PROPERTIES KOVEX_FOLDER ${folder})
  set_property(GLOBAL APPEND PROPERTY KOVEX_FLOORS ${target})
endfunction()
