# bench_json: JsonParse beside cpprestsdk's own parse of the same text, and
# nlohmann::json and simdjson parses for context when they are installed.
matrix_add_bench(bench_json json.cpp)
# The benchmark calls cpprestsdk directly for the peer parse; the library
# itself keeps it private.
target_link_libraries(bench_json PRIVATE cpprestsdk::cpprest)

find_package(nlohmann_json 3 CONFIG QUIET)
matrix_bench_peer(bench_json nlohmann::json nlohmann_json::nlohmann_json
                  NLOHMANN)
find_package(simdjson CONFIG QUIET)
matrix_bench_peer(bench_json simdjson simdjson::simdjson SIMDJSON)
