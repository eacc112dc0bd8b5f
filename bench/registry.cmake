# bench_registry: the registry calls and RegCopyKeyWithSubkey /
# RegDeleteKeyWithSubkey beside raw SQLite on a store of the same layout.
find_package(SQLite3)
if(SQLite3_FOUND)
  matrix_add_bench(bench_registry registry.cpp)
  target_link_libraries(bench_registry PRIVATE SQLite::SQLite3)
else()
  message(STATUS "SQLite not found: no bench_registry")
endif()
