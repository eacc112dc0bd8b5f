# Strips a copy of FILE (strip --strip-all) and checks that the version
# reader prints EXPECTED (lines separated by '|') for both the original and
# the copy.
#   -DREADER=... -DSTRIP=... -DFILE=... -DCOPY=... -DEXPECTED=... [-DNAMES=a,b]
string(REPLACE "|" "\n" EXPECTED "${EXPECTED}\n")
string(REPLACE "," ";" NAMES "${NAMES}")
file(COPY_FILE ${FILE} ${COPY})
execute_process(COMMAND ${STRIP} --strip-all ${COPY} RESULT_VARIABLE rc
                ERROR_VARIABLE err)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "strip failed: ${err}")
endif()
foreach(subject ${FILE} ${COPY})
  execute_process(COMMAND ${READER} ${subject} ${NAMES}
                  RESULT_VARIABLE rc OUTPUT_VARIABLE out)
  if(NOT rc EQUAL 0 OR NOT out STREQUAL "${EXPECTED}")
    message(FATAL_ERROR "${subject}: reader said (${rc})\n${out}\nexpected\n${EXPECTED}")
  endif()
endforeach()
