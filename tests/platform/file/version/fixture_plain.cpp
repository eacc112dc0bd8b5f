// A loadable module without a version resource, for the version tests.
extern "C" __attribute__((visibility("default"))) int matrix_fixture_plain() {
  return 7;
}
