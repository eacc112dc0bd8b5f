// Dense solvers at the orders of pipe networks (100 to 2000 unknowns):
// Holetsky beside Eigen's LDLT and Gauss2 beside Eigen's PartialPivLU, both
// peers built from a copy of A as the library's solvers copy it, with the
// fitted n^3 growth of each. scripts/bench.sh numeric prints the ratios.
#include <benchmark/benchmark.h>
#include <matrix/numeric.h>

#include <cstdint>
#include <random>
#include <vector>

#if defined(MATRIX_BENCH_HAVE_EIGEN)
#include <Eigen/Dense>
#endif

namespace {

// A random symmetric positive definite A = M·M' + n·I, row-major, and a
// right-hand side; Gauss2 solves the same system.
struct Spd {
  std::vector<double> a, b;
};

const Spd& System(int n) {
  static std::vector<std::pair<int, Spd>> cache;
  for (const auto& [order, spd] : cache) {
    if (order == n) return spd;
  }
  std::mt19937_64 engine(static_cast<std::uint64_t>(n));
  std::uniform_real_distribution<double> unit(-1.0, 1.0);
  const std::size_t nn = static_cast<std::size_t>(n);
  std::vector<double> m(nn * nn);
  for (double& v : m) v = unit(engine);
  Spd spd;
  spd.a.assign(nn * nn, 0.0);
  spd.b.resize(nn);
  // Built once per order and kept (n = 2000 takes a few seconds).
  for (std::size_t i = 0; i < nn; ++i) {
    for (std::size_t j = 0; j <= i; ++j) {
      double s = 0.0;
      const double* mi = &m[i * nn];
      const double* mj = &m[j * nn];
      for (std::size_t k = 0; k < nn; ++k) s += mi[k] * mj[k];
      spd.a[i * nn + j] = spd.a[j * nn + i] = s + (i == j ? n : 0.0);
    }
  }
  for (double& v : spd.b) v = unit(engine);
  cache.emplace_back(n, std::move(spd));
  return cache.back().second;
}

void LargeOrders(benchmark::internal::Benchmark* b) {
  for (int n : {100, 200, 500, 1000, 2000}) b->Arg(n);
  b->Unit(benchmark::kMillisecond)->Complexity(benchmark::oNCubed);
}

// One library solver on the system of order state.range(0). The solvers
// take A and b through non-const pointers, so they get a copy of the
// cached system.
void SolveLarge(benchmark::State& state,
                int (*solve)(int n, double* a, double* b, double* x)) {
  const int n = static_cast<int>(state.range(0));
  Spd spd = System(n);
  std::vector<double> x(static_cast<std::size_t>(n));
  for (auto _ : state) {
    benchmark::DoNotOptimize(solve(n, spd.a.data(), spd.b.data(), x.data()));
    benchmark::ClobberMemory();
  }
  state.SetComplexityN(n);
}

void BM_HoletskyLarge(benchmark::State& state) { SolveLarge(state, Holetsky); }
BENCHMARK(BM_HoletskyLarge)->Apply(LargeOrders);

void BM_Gauss2Large(benchmark::State& state) { SolveLarge(state, Gauss2); }
BENCHMARK(BM_Gauss2Large)->Apply(LargeOrders);

#if defined(MATRIX_BENCH_HAVE_EIGEN)
using RowMatrix =
    Eigen::Matrix<double, Eigen::Dynamic, Eigen::Dynamic, Eigen::RowMajor>;

// Eigen's `Decomposition` of the same system and its solve; the
// decomposition copies A, as the library's solvers do.
template <typename Decomposition>
void EigenSolveLarge(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  const Spd& spd = System(n);
  const RowMatrix m = Eigen::Map<const RowMatrix>(spd.a.data(), n, n);
  const Eigen::VectorXd v = Eigen::Map<const Eigen::VectorXd>(spd.b.data(), n);
  Eigen::VectorXd x(n);
  for (auto _ : state) {
    Decomposition decomposition(m);
    x = decomposition.solve(v);
    benchmark::DoNotOptimize(x.data());
    benchmark::ClobberMemory();
  }
  state.SetComplexityN(n);
}

void BM_EigenLDLTLarge(benchmark::State& state) {
  EigenSolveLarge<Eigen::LDLT<RowMatrix>>(state);
}
BENCHMARK(BM_EigenLDLTLarge)->Apply(LargeOrders);

void BM_EigenPartialPivLULarge(benchmark::State& state) {
  EigenSolveLarge<Eigen::PartialPivLU<RowMatrix>>(state);
}
BENCHMARK(BM_EigenPartialPivLULarge)->Apply(LargeOrders);
#endif

}  // namespace
