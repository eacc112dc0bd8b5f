# bench_util (being written)
