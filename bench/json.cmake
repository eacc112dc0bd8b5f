# bench_json: JsonParse beside cpprestsdk's own parse of the same text, and
# nlohmann::json and simdjson parses for context when they are installed.
# It links the library's objects, so that it can also time the stages of
# JsonParse, which the shared library hides.
matrix_add_bench(bench_json INTERNAL json.cpp)
# The library keeps cpprestsdk private; the peer parse calls it directly.
matrix_bench_peer(bench_json cpprestsdk cpprestsdk::cpprest)
find_package(nlohmann_json 3 CONFIG QUIET)
matrix_bench_peer(bench_json nlohmann::json nlohmann_json::nlohmann_json
                  OPTIONAL NLOHMANN)
find_package(simdjson CONFIG QUIET)
matrix_bench_peer(bench_json simdjson simdjson::simdjson OPTIONAL SIMDJSON)
