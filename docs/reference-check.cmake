# Runs Doxygen over the public headers as docs/Doxyfile says, into OUTPUT,
# and fails on any warning (an exported name without a comment, a reference
# that does not resolve) or when the main page is not written. The CTest
# test doxygen_reference runs it:
#   cmake -DDOXYGEN=<doxygen> -DSOURCE_DIR=<root> -DOUTPUT=<folder> -P docs/reference-check.cmake
foreach(var DOXYGEN SOURCE_DIR OUTPUT)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "reference-check: -D${var}=... is required")
  endif()
endforeach()

file(REMOVE_RECURSE "${OUTPUT}")
file(MAKE_DIRECTORY "${OUTPUT}")
file(READ "${SOURCE_DIR}/docs/Doxyfile" doxyfile)
file(WRITE "${OUTPUT}/Doxyfile" "${doxyfile}\nOUTPUT_DIRECTORY = ${OUTPUT}\n")
execute_process(COMMAND "${DOXYGEN}" "${OUTPUT}/Doxyfile"
  WORKING_DIRECTORY "${SOURCE_DIR}"
  RESULT_VARIABLE result
  OUTPUT_VARIABLE out
  ERROR_VARIABLE err)
if(NOT result EQUAL 0 OR NOT err STREQUAL "")
  message(FATAL_ERROR "Doxygen failed (status ${result}):\n${out}${err}")
endif()
if(NOT EXISTS "${OUTPUT}/html/index.html")
  message(FATAL_ERROR "Doxygen wrote no ${OUTPUT}/html/index.html")
endif()
message(STATUS "reference written to ${OUTPUT}/html/index.html")
