# bench_registry: the registry calls and RegCopyKeyWithSubkey /
# RegDeleteKeyWithSubkey beside raw SQLite on a store of the same layout.
# SQLite is the registry store's own, so it is always there.
find_package(SQLite3 REQUIRED)
matrix_add_bench(bench_registry registry.cpp)
matrix_bench_peer(bench_registry SQLite SQLite::SQLite3)
