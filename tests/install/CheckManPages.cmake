# Renders each man page the build made with groff, every warning on, and
# checks that it carries the project's version, and that kovexctl's page says
# word for word what kovexctl --help says.
#   cmake -DMANUALS_DIR=... -DKOVEXCTL=... -DVERSION=... -P CheckManPages.cmake

# Runs gzip -dc PAGE | groff -man ARGS...; the text in OUT, groff's messages
# in MESSAGES.
function(render page out messages)
  execute_process(COMMAND gzip -dc ${MANUALS_DIR}/${page}.1.gz
                  COMMAND groff -man ${ARGN}
                  RESULTS_VARIABLE results OUTPUT_VARIABLE text ERROR_VARIABLE errors)
  if(NOT results STREQUAL "0;0")
    message(FATAL_ERROR "${page}.1.gz: gzip and groff ended with ${results}:\n${errors}")
  endif()
  set(${out} "${text}" PARENT_SCOPE)
  set(${messages} "${errors}" PARENT_SCOPE)
endfunction()

foreach(page kovexctl kovex-programmer kovex-programmer-sim)
  render(${page} text messages -Tutf8 -ww)
  if(NOT messages STREQUAL "")
    message(FATAL_ERROR "${page}.1.gz: groff warns:\n${messages}")
  endif()
  string(REGEX MATCH "\n${page} ${VERSION} +[-A-Z]+\\(1\\)\n*$" footer "${text}")
  if(NOT footer)
    message(FATAL_ERROR "${page}.1.gz: no \"${page} ${VERSION}\" in its footer:\n${text}")
  endif()
endforeach()

# The rendered page without its header and footer lines, against the help,
# each as its words. One line per paragraph, so no word is hyphenated.
render(kovexctl page messages -Tascii -P-cbou -rLL=4000n)
string(REGEX REPLACE "^[^\n]+\n(.*)\n[^\n]+\n*$" "\\1" page "${page}")
execute_process(COMMAND ${KOVEXCTL} --help OUTPUT_VARIABLE help RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "kovexctl --help ended with ${result}")
endif()
foreach(text page help)
  string(REGEX REPLACE "[ \t\n]+" " " ${text} "${${text}}")
  string(STRIP "${${text}}" ${text})
endforeach()
if(NOT page STREQUAL help)
  # Word by word, from the first that differs.
  string(LENGTH "${page}" length)
  foreach(at RANGE ${length})
    string(SUBSTRING "${page}" ${at} 1 a)
    string(SUBSTRING "${help}" ${at} 1 b)
    if(NOT a STREQUAL b)
      set(first ${at})
      break()
    endif()
  endforeach()
  string(SUBSTRING "${page}" ${first} 160 page)
  string(SUBSTRING "${help}" ${first} 160 help)
  message(FATAL_ERROR "kovexctl's man page says other words than its --help; from character "
    "${first} on, the page:\n${page}\nthe help:\n${help}")
endif()
message(STATUS "man pages: render without warnings, versioned, kovexctl's says what --help says")
