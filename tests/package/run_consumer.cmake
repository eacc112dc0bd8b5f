# Installs the build into a staging prefix, then builds the consumer project
# against it twice, with find_package (its program then versioned with the
# package's helper) and with pkg-config (unversioned), and runs both.
set(stage ${BUILD_DIR}/package-test/stage)
set(work ${BUILD_DIR}/package-test)
file(REMOVE_RECURSE ${work})

function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "failed: ${ARGN}\n${out}\n${err}")
  endif()
  set(last_output "${out}" PARENT_SCOPE)
endfunction()

run(${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${stage})

# find_package(matrix CONFIG REQUIRED) and the imported target matrix::matrix.
run(${CMAKE_COMMAND} -S ${SOURCE_DIR} -B ${work}/cmake -G ${GENERATOR}
    -DCMAKE_CXX_COMPILER=${CXX} -DCMAKE_PREFIX_PATH=${stage})
run(${CMAKE_COMMAND} --build ${work}/cmake)
run(${work}/cmake/consumer)
if(NOT last_output MATCHES "^14\nversion 131073 5 131073 7\n$")
  message(FATAL_ERROR "consumer (CMake) printed: ${last_output}")
endif()

# pkg-config matrix.
find_program(PKG_CONFIG pkg-config REQUIRED)
file(GLOB_RECURSE pc_file ${stage}/*/matrix.pc)
get_filename_component(pc_dir "${pc_file}" DIRECTORY)
set(ENV{PKG_CONFIG_PATH} ${pc_dir})
run(${PKG_CONFIG} --cflags --libs matrix)
string(STRIP "${last_output}" flags)
separate_arguments(flags UNIX_COMMAND "${flags}")
run(${CXX} ${SOURCE_DIR}/main.cpp -o ${work}/consumer-pc ${flags})
get_filename_component(lib_dir "${pc_dir}" DIRECTORY)
set(ENV{LD_LIBRARY_PATH} ${lib_dir})
run(${work}/consumer-pc)
if(NOT last_output MATCHES "^14\nno version\n$")
  message(FATAL_ERROR "consumer (pkg-config) printed: ${last_output}")
endif()
