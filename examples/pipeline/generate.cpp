// Writes a generated pipe run of N nodes to standard output, for measuring
// the pipeline host: a zig-zag in plan with a bend at every corner, a gently
// rolling profile, and a survey point beside every node, on alternate sides.
//
//   pipeline-generate N > run.json
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char** argv) {
  const long n = argc > 1 ? std::strtol(argv[1], nullptr, 10) : 1000;
  if (n < 2 || n > 10000000) {
    std::fprintf(stderr, "pipeline-generate: N from 2 to 10000000\n");
    return 2;
  }
  std::printf(
      "{\n  \"title\": \"Generated run of %ld nodes\",\n"
      "  \"fields\": {\"outer_diameter\": \"0.325\", \"wall\": \"0.009\", "
      "\"bend_radius\": \"5*#0\", \"pressure\": \"2.5\", \"density\": 7850, "
      "\"min_cover\": 0.8, \"cycles\": 5000, \"amplitude\": \"20000\"},\n"
      "  \"fatigue_curve\": \"2\",\n  \"nodes\": [\n",
      n);
  auto x_at = [](long i) { return 12.0 * static_cast<double>(i); };
  auto y_at = [](long i) { return (i % 2) ? 6.0 : 0.0; };
  auto ground_at = [](double x) { return 100.0 + 2.0 * std::sin(x / 400.0); };
  for (long i = 0; i < n; ++i) {
    const double x = x_at(i), y = y_at(i);
    const double z = ground_at(x) - 1.3 - 0.4 * std::sin(x / 90.0);
    std::printf("    {\"x\": %.3f, \"y\": %.3f, \"z\": %.3f}%s\n", x, y, z,
                i + 1 < n ? "," : "");
  }
  std::printf("  ],\n  \"ground\": [\n");
  for (long i = 0; i < n; ++i) {
    const double x = x_at(i) + 6.0, y = (i % 2) ? 21.0 : -15.0;
    std::printf("    {\"x\": %.3f, \"y\": %.0f, \"z\": %.3f}%s\n", x, y,
                ground_at(x) + ((i % 2) ? -0.05 : 0.05), i + 1 < n ? "," : "");
  }
  std::printf("  ]\n}\n");
  return 0;
}
