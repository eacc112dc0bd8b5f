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
matrix_bench_peer(bench_json nlohmann::json nlohmann_json::nlohmann_json
                  NLOHMANN)
find_package(simdjson CONFIG QUIET)
matrix_bench_peer(bench_json simdjson simdjson::simdjson SIMDJSON)
