// A loadable module with a version resource, for the version tests.
extern "C" __attribute__((visibility("default"))) int matrix_fixture_answer() {
  return 42;
}
