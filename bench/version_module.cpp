// A loadable module with a version resource, for the version benchmark.
extern "C" __attribute__((visibility("default"))) int matrix_bench_module() {
  return 1;
}
