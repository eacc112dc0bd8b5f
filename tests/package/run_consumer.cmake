# Installs the build into a staging prefix, then builds a host against it
# both ways the README shows (and, with QT true, a host of the Qt binding): the consumer project with find_package (its
# program then versioned with the package's helper, and each of HEADERS,
# the installed headers separated by commas, compiled alone), and the
# README's own pkg-config lines, run as written (with the staging prefix
# for /opt/matrix) on the README's own host program.
cmake_minimum_required(VERSION 3.25)

set(stage ${BUILD_DIR}/package-test/stage)
set(work ${BUILD_DIR}/package-test)
file(REMOVE_RECURSE ${work})
file(MAKE_DIRECTORY ${work})

function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "failed: ${ARGN}\n${out}\n${err}")
  endif()
  set(last_output "${out}" PARENT_SCOPE)
endfunction()

# The text of the section of README.md headed `heading`.
function(readme_section heading out_var)
  file(READ ${README} text)
  string(FIND "${text}" "\n## ${heading}\n" begin)
  if(begin EQUAL -1)
    message(FATAL_ERROR "README.md has no section \"${heading}\"")
  endif()
  string(SUBSTRING "${text}" ${begin} -1 text)
  string(SUBSTRING "${text}" 4 -1 rest)
  string(FIND "${rest}" "\n## " end)
  if(NOT end EQUAL -1)
    math(EXPR end "${end} + 4")
    string(SUBSTRING "${text}" 0 ${end} text)
  endif()
  set(${out_var} "${text}" PARENT_SCOPE)
endfunction()

# The fenced blocks of language `lang` in `text`, joined in order.
function(fenced_blocks text lang out_var)
  set(open "```${lang}\n")
  string(LENGTH "${open}" open_length)
  set(joined "")
  while(TRUE)
    string(FIND "${text}" "${open}" begin)
    if(begin EQUAL -1)
      break()
    endif()
    math(EXPR begin "${begin} + ${open_length}")
    string(SUBSTRING "${text}" ${begin} -1 text)
    string(FIND "${text}" "```" end)
    string(SUBSTRING "${text}" 0 ${end} block)
    string(APPEND joined "${block}")
    string(SUBSTRING "${text}" ${end} -1 text)
    string(SUBSTRING "${text}" 3 -1 text)
  endwhile()
  if(joined STREQUAL "")
    message(FATAL_ERROR "README.md: no ${lang} block where one was expected")
  endif()
  set(${out_var} "${joined}" PARENT_SCOPE)
endfunction()

run(${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${stage})

# find_package(matrix CONFIG REQUIRED) and the imported target matrix::matrix.
run(${CMAKE_COMMAND} -S ${SOURCE_DIR} -B ${work}/cmake -G ${GENERATOR}
    -DCMAKE_CXX_COMPILER=${CXX} -DCMAKE_PREFIX_PATH=${stage}
    -DMATRIX_CONSUMER_HEADERS=${HEADERS} -DMATRIX_CONSUMER_QT=${QT})
run(${CMAKE_COMMAND} --build ${work}/cmake)
run(${work}/cmake/consumer)
if(NOT last_output MATCHES "^14\nversion 131073 5 131073 7\n$")
  message(FATAL_ERROR "consumer (CMake) printed: ${last_output}")
endif()
# With the Qt binding built, the package provides matrix::platform_qt and
# finds Qt for the host: a window of the table becomes a Qt widget.
if(QT)
  set(ENV{QT_QPA_PLATFORM} offscreen)
  run(${work}/cmake/qt_consumer)
  if(NOT last_output STREQUAL "QLineEdit 2,5\n")
    message(FATAL_ERROR "qt_consumer printed: ${last_output}")
  endif()
endif()

# pkg-config: the README's lines, in a clean environment, on its host.
readme_section("A host" host_section)
fenced_blocks("${host_section}" cpp host_source)
file(WRITE ${work}/pc/host.cpp "${host_source}")
readme_section("Linking" linking)
fenced_blocks("${linking}" sh commands)
string(REPLACE "/opt/matrix" "${stage}" commands "${commands}")
file(WRITE ${work}/pc/readme.sh "set -eu\n${commands}")
unset(ENV{PKG_CONFIG_PATH})
unset(ENV{LD_LIBRARY_PATH})
find_program(BASH bash REQUIRED)
execute_process(COMMAND ${BASH} ${work}/pc/readme.sh WORKING_DIRECTORY ${work}/pc
  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
# Each way builds the host and runs it once; it prints 3.5.
if(NOT rc EQUAL 0 OR NOT out STREQUAL "3.5\n3.5\n")
  message(FATAL_ERROR "the README's pkg-config lines (${work}/pc/readme.sh) "
    "exited ${rc} and printed:\n${out}\n${err}")
endif()
