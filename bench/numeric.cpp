// Dense solvers beside Eigen's fixed-size and dynamic factorisations, and
// the adaptive Gauss quadrature beside a bare loop of its integrand calls.
#include <benchmark/benchmark.h>
#include <matrix/numeric.h>

#include <cmath>
#include <string>
#include <utility>
#include <vector>

#include "ratio_table.h"

#if defined(MATRIX_BENCH_HAVE_EIGEN)
#include <Eigen/Dense>
#endif

namespace {

// A well-conditioned system of order n, row-major, with a dominant
// diagonal so that no solver meets a small pivot.
void MakeSystem(int n, std::vector<double>& a, std::vector<double>& b) {
  a.assign(static_cast<std::size_t>(n) * n, 0.0);
  b.assign(n, 0.0);
  unsigned seed = 12345;
  auto next = [&seed] {
    seed = seed * 1103515245u + 12345u;
    return static_cast<double>((seed >> 8) % 2000) / 1000.0 - 1.0;
  };
  for (int i = 0; i < n; ++i) {
    for (int j = 0; j < n; ++j) a[i * n + j] = next();
    a[i * n + i] += n;
    b[i] = next();
  }
}

void MakeSymmetric3(double a[9], double b[3]) {
  const double m[9] = {4, 1, 0.5, 1, 3, 0.25, 0.5, 0.25, 2};
  for (int i = 0; i < 9; ++i) a[i] = m[i];
  b[0] = 1;
  b[1] = -2;
  b[2] = 0.5;
}

void BM_Gauss2(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  std::vector<double> a, b, x(n);
  MakeSystem(n, a, b);
  for (auto _ : state) {
    benchmark::DoNotOptimize(Gauss2(n, a.data(), b.data(), x.data()));
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_Gauss2)->Arg(3)->Arg(10)->Arg(50)->Arg(200);

void BM_Holetsky3(benchmark::State& state) {
  double a[9], b[3], x[3];
  MakeSymmetric3(a, b);
  for (auto _ : state) {
    benchmark::DoNotOptimize(Holetsky(3, a, b, x));
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_Holetsky3);

#if defined(MATRIX_BENCH_HAVE_EIGEN)
using RowMatrix =
    Eigen::Matrix<double, Eigen::Dynamic, Eigen::Dynamic, Eigen::RowMajor>;

void BM_EigenLU3(benchmark::State& state) {
  std::vector<double> a, b;
  MakeSystem(3, a, b);
  const Eigen::Matrix3d m =
      Eigen::Map<const Eigen::Matrix<double, 3, 3, Eigen::RowMajor>>(a.data());
  const Eigen::Vector3d v = Eigen::Map<const Eigen::Vector3d>(b.data());
  for (auto _ : state) {
    Eigen::Vector3d x = m.partialPivLu().solve(v);
    benchmark::DoNotOptimize(x.data());
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_EigenLU3);

void BM_EigenLDLT3(benchmark::State& state) {
  double a[9], b[3];
  MakeSymmetric3(a, b);
  const Eigen::Matrix3d m =
      Eigen::Map<const Eigen::Matrix<double, 3, 3, Eigen::RowMajor>>(a);
  const Eigen::Vector3d v(b[0], b[1], b[2]);
  for (auto _ : state) {
    Eigen::Vector3d x = m.ldlt().solve(v);
    benchmark::DoNotOptimize(x.data());
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_EigenLDLT3);

void BM_EigenPartialPivLU(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  std::vector<double> a, b;
  MakeSystem(n, a, b);
  const RowMatrix m = Eigen::Map<const RowMatrix>(a.data(), n, n);
  const Eigen::VectorXd v = Eigen::Map<const Eigen::VectorXd>(b.data(), n);
  Eigen::VectorXd x(n);
  for (auto _ : state) {
    Eigen::PartialPivLU<RowMatrix> lu(m);  // copies A, as Gauss2 does
    x = lu.solve(v);
    benchmark::DoNotOptimize(x.data());
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_EigenPartialPivLU)->Arg(10)->Arg(50)->Arg(200);
#endif

// Integrands, each counting its calls.
long g_calls = 0;
double Pow7(double x) {
  ++g_calls;
  const double x2 = x * x;
  return x2 * x2 * x2 * x;
}
double Gaussian(double x) {
  ++g_calls;
  return std::exp(-x * x);
}
double Runge(double x) {
  ++g_calls;
  return 1 / (1 + 25 * x * x);
}

struct Case {
  double (*f)(double);
  double a, b;
};
const Case kCases[] = {{Pow7, 0, 1}, {Gaussian, 0, 3}, {Runge, -1, 1}};

void BM_GaussQv(benchmark::State& state) {
  const Case& c = kCases[state.range(0)];
  g_calls = 0;
  GaussQv(c.a, c.b, 5, c.f, 1e-10);
  const long per_call = g_calls;
  for (auto _ : state) {
    benchmark::DoNotOptimize(GaussQv(c.a, c.b, 5, c.f, 1e-10));
  }
  state.counters["integrand_calls"] = static_cast<double>(per_call);
}
BENCHMARK(BM_GaussQv)->DenseRange(0, 2);

// The floor: the same number of calls through a function pointer the
// compiler cannot see through, at spread-out abscissae.
void BM_BareCalls(benchmark::State& state) {
  const Case& c = kCases[state.range(0)];
  g_calls = 0;
  GaussQv(c.a, c.b, 5, c.f, 1e-10);
  const long count = g_calls;
  double (*volatile fp)(double) = c.f;
  const double step = (c.b - c.a) / static_cast<double>(count);
  for (auto _ : state) {
    double (*f)(double) = fp;
    double sum = 0;
    double x = c.a;
    for (long i = 0; i < count; ++i) {
      sum += f(x);
      x += step;
    }
    benchmark::DoNotOptimize(sum);
  }
  state.counters["integrand_calls"] = static_cast<double>(count);
}
BENCHMARK(BM_BareCalls)->DenseRange(0, 2);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  matrix_bench::RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  const std::vector<std::pair<std::string, std::string>> orders = {
      {"n = 100", "/100"},
      {"n = 200", "/200"},
      {"n = 500", "/500"},
      {"n = 1000", "/1000"},
      {"n = 2000", "/2000"}};
  reporter.PrintRatios("Holetsky: CPU time ratio to Eigen's LDLT",
                       "BM_EigenLDLTLarge", {"BM_HoletskyLarge"}, orders);
  reporter.PrintRatios("Gauss2: CPU time ratio to Eigen's PartialPivLU",
                       "BM_EigenPartialPivLULarge", {"BM_Gauss2Large"}, orders);
  reporter.PrintRatios("GaussQv: CPU time ratio to a bare loop of its calls",
                       "BM_BareCalls", {"BM_GaussQv"},
                       {{"case 0", "/0"}, {"case 1", "/1"}, {"case 2", "/2"}});
  benchmark::Shutdown();
  return 0;
}
