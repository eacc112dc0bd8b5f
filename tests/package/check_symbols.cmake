# Compares the defined dynamic symbols of LIBRARY with the committed list
# EXPECTED (mangled names, one a line, sorted). Run with -DUPDATE=ON to
# rewrite the list after a deliberate change of the interface.
execute_process(COMMAND ${NM} -D --defined-only --format=posix ${LIBRARY}
  OUTPUT_VARIABLE out RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "nm failed on ${LIBRARY}")
endif()
string(REPLACE "\n" ";" lines "${out}")
set(names)
# AddressSanitizer adds an __odr_asan.* marker for every exported variable;
# markers are instrumentation, not interface.
foreach(line IN LISTS lines)
  if(line MATCHES "^([^ ]+) ")
    set(name ${CMAKE_MATCH_1})
    if(NOT name MATCHES "^__odr_asan[.]")
      list(APPEND names ${name})
    endif()
  endif()
endforeach()
list(REMOVE_DUPLICATES names)
list(SORT names)
list(JOIN names "\n" actual)
set(actual "${actual}\n")
if(UPDATE)
  file(WRITE ${EXPECTED} "${actual}")
  return()
endif()
file(READ ${EXPECTED} expected)
if(NOT actual STREQUAL expected)
  string(REPLACE "\n" ";" want "${expected}")
  string(REPLACE "\n" ";" have "${actual}")
  set(extra ${have})
  list(REMOVE_ITEM extra ${want} "")
  set(missing ${want})
  list(REMOVE_ITEM missing ${have} "")
  message(FATAL_ERROR "exported symbols of ${LIBRARY} differ from ${EXPECTED}\n"
    "  exported but not listed: ${extra}\n  listed but not exported: ${missing}")
endif()
