# bench_util: Crc32 beside zlib's crc32 and SortArray beside std::sort.
# zlib serves only as a yardstick; without it the checksum is timed alone.
matrix_add_bench(bench_util util.cpp)
find_package(ZLIB)
if(ZLIB_FOUND)
  target_link_libraries(bench_util PRIVATE ZLIB::ZLIB)
  target_compile_definitions(bench_util PRIVATE MATRIX_BENCH_HAVE_ZLIB)
else()
  message(STATUS "zlib not found: bench_util runs without zlib")
endif()
