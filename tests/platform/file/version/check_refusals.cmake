# Configures a small project per bad call of matrix_add_version_resource and
# checks that each configure fails with the helper's message.
#   -DHELPER=<matrixVersionResource.cmake> -DWORK=<scratch folder>
#   -DGENERATOR=<the build's generator> [-DMAKE_PROGRAM=<its build tool>]
# The build's own generator, so that no other build tool need be installed.
set(cases
  "VERSION 65536|part 65536 is not 0 to 65535"
  "VERSION 1.2.3.100000|part 100000 is not 0 to 65535"
  "VERSION 1.2.3.4.5|is not a[.b[.c[.d]]]"
  "VERSION 1..2|is not a[.b[.c[.d]]]"
  "VERSION -1|is not a[.b[.c[.d]]]"
  "VERSION 1.x|is not a[.b[.c[.d]]]"
  "VERSION 1 PRODUCT_VERSION 70000|part 70000 is not 0 to 65535"
  "VERSION 1 STRINGS NoEquals|is not Name=Value"
  "VERSION 1 STRINGS =Value|is not Name=Value"
  "PRODUCT_VERSION 1|VERSION is required"
  "VERSION 1|only executables and shared libraries")
set(index 0)
foreach(case IN LISTS cases)
  string(REPLACE "|" ";" parts "${case}")
  list(GET parts 0 call)
  list(GET parts 1 message)
  set(dir ${WORK}/case${index})
  file(REMOVE_RECURSE ${dir})
  file(WRITE ${dir}/CMakeLists.txt
    "cmake_minimum_required(VERSION 3.25)\n"
    "project(refusal LANGUAGES NONE)\n"
    "include(${HELPER})\n"
    "add_custom_target(subject)\n"
    "matrix_add_version_resource(subject ${call})\n")
  set(generator_args -G "${GENERATOR}")
  if(MAKE_PROGRAM)
    list(APPEND generator_args -DCMAKE_MAKE_PROGRAM=${MAKE_PROGRAM})
  endif()
  execute_process(COMMAND ${CMAKE_COMMAND} -S ${dir} -B ${dir}/build
                          ${generator_args}
                  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  string(REGEX REPLACE "[ \n]+" " " flat "${err}")  # messages are wrapped
  string(FIND "${flat}" "${message}" at)
  if(rc EQUAL 0 OR at EQUAL -1)
    message(FATAL_ERROR "matrix_add_version_resource(subject ${call}): "
                        "expected a failure saying \"${message}\", got (${rc})\n${err}")
  endif()
  math(EXPR index "${index} + 1")
endforeach()
