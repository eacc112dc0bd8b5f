# bench_util: Crc32 beside zlib's crc32 and SortArray beside std::sort.
# zlib serves only as a yardstick; without it the checksum is timed alone.
matrix_add_bench(bench_util util.cpp)
find_package(ZLIB QUIET)
matrix_bench_peer(bench_util zlib ZLIB::ZLIB OPTIONAL ZLIB)

# The version look-up reads a module of its own, padded to 100 KB and
# 100 MB by the program.
add_library(bench_version_module MODULE version_module.cpp)
matrix_add_version_resource(bench_version_module VERSION 2.1.0.7
  PRODUCT_VERSION 2.1.0.5 STRINGS ProductName=Bench)
add_dependencies(bench_util bench_version_module)
target_compile_definitions(bench_util PRIVATE
  MATRIX_BENCH_VERSION_MODULE="$<TARGET_FILE:bench_version_module>")
target_link_libraries(bench_util PRIVATE ${CMAKE_DL_LIBS})
