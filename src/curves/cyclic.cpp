// matrix - cyclic strength curves: CurveCyclys51CS/LS/AS (allowable cycles
// for an amplitude and a temperature) and CurveCyclys_1/1a/2/2a (allowable
// amplitude for a number of cycles).
//
// Every curve is a fixed table read by LInter2 or LInter in the natural
// logarithms of all its variables, extrapolating past both ends. The
// logarithms are taken per call into work arrays on the stack, since the
// look-ups reorder the arrays they are given.
#include <matrix/curves.h>
#include <matrix/numeric.h>

#include <array>
#include <cmath>
#include <cstddef>

namespace {

// A cell of 1e-6 (once 1e-100) stands for practically no cycles; 1000000 is
// the highest life the tables hold. The values are kept exactly as the
// curves were drawn, the LS cells 1e-100 (a = 60000, T = 565) and 4900
// (a = 20000, T = 585) included.
// clang-format off
// CS: 14 amplitudes x 6 temperatures.
constexpr double kCSAmplitudes[] = {
    2000, 3000, 4000, 5000, 6000, 7000, 8000, 10000,
    20000, 30000, 40000, 50000, 60000, 100000,
};
constexpr double kCSTemperatures[] = {20, 350, 400, 450, 470, 500};
constexpr double kCSCycles[] = {
    // T = 20
    1000000, 1000000, 1000000, 1000000, 1000000, 1000000, 1000000,
    280000, 20000, 5000, 2000, 1100, 700, 240,
    // T = 350
    1000000, 1000000, 1000000, 1000000, 1000000, 1000000, 500000,
    110000, 10000, 3000, 1200, 800, 500, 160,
    // T = 400
    1000000, 1000000, 1000000, 600000, 120000, 60000, 33000,
    14000, 1800, 500, 220, 130, 1e-6, 1e-6,
    // T = 450
    1000000, 600000, 130000, 40000, 18000, 10000, 6300,
    2800, 1800, 110, 1e-6, 1e-6, 1e-6, 1e-6,
    // T = 470
    530000, 80000, 30000, 11000, 6200, 4000, 2500,
    1200, 200, 1e-6, 1e-6, 1e-6, 1e-6, 1e-6,
    // T = 500
    100000, 28000, 11000, 5000, 2300, 1500, 1000,
    500, 10, 1e-6, 1e-6, 1e-6, 1e-6, 1e-6,
};
// LS: 11 amplitudes x 7 temperatures.
constexpr double kLSAmplitudes[] = {
    4000, 5000, 6000, 8000, 10000, 20000, 30000, 40000,
    50000, 60000, 100000,
};
constexpr double kLSTemperatures[] = {20, 450, 500, 520, 540, 565, 585};
constexpr double kLSCycles[] = {
    // T = 20
    1000000, 1000000, 1000000, 1000000, 300000, 15000, 4200,
    1900, 1000, 700, 200,
    // T = 450
    1000000, 1000000, 1000000, 700000, 120000, 9500, 3000, 1300, 700, 450, 150,
    // T = 500
    1000000, 1000000, 900000, 170000, 57000, 3500, 900, 400, 200, 140, 1e-6,
    // T = 520
    1000000, 660000, 240000, 60000, 18000, 1500, 400, 180, 100, 1e-6, 1e-6,
    // T = 540
    400000, 100000, 40000, 15000, 6000, 800, 400, 160, 1e-6, 1e-6, 1e-6,
    // T = 565
    190000, 59000, 19000, 9500, 4100, 600, 220, 140, 1e-6, 1e-100, 1e-6,
    // T = 585
    78000, 30000, 17000, 6500, 3000, 4900, 190, 105, 1e-6, 1e-6, 1e-6,
};
// AS: 12 amplitudes x 5 temperatures.
constexpr double kASAmplitudes[] = {
    3000, 4000, 5000, 6000, 8000, 10000, 20000, 30000,
    40000, 50000, 60000, 100000,
};
constexpr double kASTemperatures[] = {20, 450, 600, 650, 700};
constexpr double kASCycles[] = {
    // T = 20
    1000000, 1000000, 1000000, 1000000, 1000000, 180000, 18000,
    5500, 2000, 1200, 770, 240,
    // T = 450
    1000000, 1000000, 1000000, 1000000, 700000, 120000, 10000,
    3500, 1500, 800, 500, 170,
    // T = 600
    1000000, 1000000, 800000, 300000, 80000, 30000, 2900,
    1000, 410, 240, 160, 1e-6,
    // T = 650
    500000, 190000, 78000, 45000, 20000, 10000, 1600, 700, 300, 180, 120, 1e-6,
    // T = 700
    80000, 40000, 20000, 15000, 7000, 4100, 900, 410, 200, 120, 1e-6, 1e-6,
};
constexpr double kAmplitudes[] = {
    10000, 15000, 20000, 30000, 40000, 50000, 60000, 80000,
};
constexpr double kCycles1[] = {100000, 20000, 7000, 2000, 900, 500, 300, 150};
constexpr double kCycles1a[] = {
    400000, 60000, 15000, 3500, 1500, 700, 400, 180,
};
constexpr double kCycles2[] = {
    800000, 150000, 36000, 8000, 3500, 1900, 1000, 400,
};
constexpr double kCycles2a[] = {
    1000000, 1000000, 150000, 25000, 8000, 3000, 1000, 700,
};
// clang-format on

// The slot of the second 1000000 in kCycles2a (the amplitude 15000 entry).
constexpr std::size_t kCycles2aRepeat = 1;

constexpr int kExtrapolate = 1;  // both switches: continue the end intervals

template <std::size_t N>
std::array<double, N> Logs(const double (&values)[N]) {
  std::array<double, N> out;
  for (std::size_t i = 0; i < N; ++i) out[i] = std::log(values[i]);
  return out;
}

// Cycles at (a, T) from a grid stored one row per temperature.
template <std::size_t NX, std::size_t NY, std::size_t NG>
double CyclesAt(const double (&amplitudes)[NX],
                const double (&temperatures)[NY], const double (&cycles)[NG],
                double a, double T) {
  static_assert(NG == NX * NY);
  std::array<double, NX> xs = Logs(amplitudes);
  std::array<double, NY> ys = Logs(temperatures);
  std::array<double, NG> grid = Logs(cycles);
  const double r = LInter2(static_cast<int>(NX), static_cast<int>(NY),
                           xs.data(), ys.data(), grid.data(), std::log(a),
                           std::log(T), kExtrapolate, kExtrapolate);
  return std::exp(r);
}

// Amplitude at N cycles from a cycles list paired with kAmplitudes.
double AmplitudeAt(const double (&cycles)[8], double N) {
  std::array<double, 8> xs = Logs(cycles);
  std::array<double, 8> ys = Logs(kAmplitudes);
  const double r =
      LInter(8, xs.data(), ys.data(), std::log(N), kExtrapolate, kExtrapolate);
  return std::exp(r);
}

}  // namespace

double CurveCyclys51CS(double a, double T) {
  return CyclesAt(kCSAmplitudes, kCSTemperatures, kCSCycles, a, T);
}

double CurveCyclys51LS(double a, double T) {
  return CyclesAt(kLSAmplitudes, kLSTemperatures, kLSCycles, a, T);
}

double CurveCyclys51AS(double a, double T) {
  return CyclesAt(kASAmplitudes, kASTemperatures, kASCycles, a, T);
}

double CurveCyclys_1(double N) { return AmplitudeAt(kCycles1, N); }

double CurveCyclys_1a(double N) { return AmplitudeAt(kCycles1a, N); }

double CurveCyclys_2(double N) { return AmplitudeAt(kCycles2, N); }

// The table reaches 1000000 cycles twice, at 10000 and at 15000. Below
// 1000000 the curve runs into (1000000, 10000); from there on the full table
// would continue an interval of zero width (an infinite amplitude, and NaN
// at 1000000 itself). The 15000 entry is left out there, so the segment
// from (150000, 20000) to (1000000, 10000) continues past its end, as the
// other curves continue theirs: the same expression on both sides of
// 1000000, so the curve is continuous.
double CurveCyclys_2a(double N) {
  std::array<double, 8> xs = Logs(kCycles2a);
  std::array<double, 8> ys = Logs(kAmplitudes);
  const double x = std::log(N);
  int n = 8;
  if (x >= xs[0]) {  // xs[0] is ln 1000000, the end of the sorted axis
    for (std::size_t i = kCycles2aRepeat; i + 1 < xs.size(); ++i) {
      xs[i] = xs[i + 1];
      ys[i] = ys[i + 1];
    }
    n = 7;
  }
  return std::exp(
      LInter(n, xs.data(), ys.data(), x, kExtrapolate, kExtrapolate));
}
