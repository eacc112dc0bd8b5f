# bench_json (being written)
