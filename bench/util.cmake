# bench_util: Crc32 beside zlib's crc32 and SortArray beside std::sort.
# zlib serves only as a yardstick; without it the checksum is timed alone.
matrix_add_bench(bench_util util.cpp)
find_package(ZLIB QUIET)
matrix_bench_peer(bench_util zlib ZLIB::ZLIB ZLIB)
