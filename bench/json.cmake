# bench_json: JsonParse beside cpprestsdk's own parse of the same text, and
# nlohmann::json and simdjson parses for context when they are installed.
# It links the library's objects rather than the shared library, so that it
# can also time the stages of JsonParse, which the shared library hides.
add_executable(bench_json json.cpp)
target_include_directories(bench_json PRIVATE ${PROJECT_SOURCE_DIR}/src)
target_link_libraries(bench_json PRIVATE matrix_objects matrix_warnings
                      benchmark::benchmark)
# The benchmark calls cpprestsdk directly for the peer parse; the library
# itself keeps it private.
target_link_libraries(bench_json PRIVATE cpprestsdk::cpprest)

find_package(nlohmann_json 3 CONFIG QUIET)
if(nlohmann_json_FOUND)
  target_link_libraries(bench_json PRIVATE nlohmann_json::nlohmann_json)
  target_compile_definitions(bench_json PRIVATE MATRIX_BENCH_HAVE_NLOHMANN)
else()
  message(STATUS "nlohmann_json not found: bench_json runs without it")
endif()

find_package(simdjson CONFIG QUIET)
if(simdjson_FOUND)
  target_link_libraries(bench_json PRIVATE simdjson::simdjson)
  target_compile_definitions(bench_json PRIVATE MATRIX_BENCH_HAVE_SIMDJSON)
else()
  message(STATUS "simdjson not found: bench_json runs without it")
endif()
