# bench_numeric (being written)
