// Benchmark of the formula engine: CompileStrV on six formulas of growing
// length, each paired with muParser's SetExpr + Eval on the same text (when
// built with muParser). Before timing, checks that both engines agree.
//
//   bench_formula [--benchmark_filter=...] [other Google Benchmark flags]
#include <benchmark/benchmark.h>
#include <matrix/matrix.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "ratio_table.h"

#ifdef MATRIX_BENCH_HAVE_MUPARSER
// The platform layer's _T is wide; muParser's follows its own build (narrow
// unless _UNICODE), so let muParser define it as its headers expect.
#undef _T
#undef _TEXT
#include <muParser.h>
#endif

namespace {

// The formulas, shortest first; the benchmark index is the position here.
constexpr std::string_view kFormulas[] = {
    "2+3*4",
    "sin(0.5)*2+sqrt(16)/(1+0.25)",
    "(1.5+2.25)*(3.75-0.5)/sqrt(2.5)+cos(0.3)*exp(0.1)-12.5/(4.0+0.125)",
    "sqrt(exp(1.2)+cos(0.7)*3.5)/(2.5-sin(0.4))+(7.25*1.5-3.125)/"
    "(2.0+0.75)*sqrt(9.61)-exp(0.25)*cos(1.1)",
    "(sin(0.25)*cos(0.75)+exp(0.5)/(1.0+sqrt(2.25)))*(3.5-1.25/"
    "(0.5+0.125))+sqrt(sin(1.2)*sin(1.2)+cos(1.2)*cos(1.2))*12.75-"
    "exp(cos(0.3)-0.5)*2.5",
    "((1.25+2.5)*(3.75-1.5)/(0.5+sqrt(6.25))-exp(0.75)*sin(0.333))*"
    "cos(0.125)+sqrt(exp(1.5)+sin(2.25)*cos(0.875)*4.5)/(1.75+0.0625)-"
    "(8.5-3.25*1.125)/(2.0+cos(0.5))+exp(sin(0.1)+cos(0.2))*sqrt(2.0)+"
    "1.5*0.25",
};
constexpr int kFormulaCount = static_cast<int>(std::size(kFormulas));

// The formulas are plain ASCII, so widening is a character-by-character copy.
CString Wide(std::string_view text) {
  std::wstring wide(text.begin(), text.end());
  return CString(wide.c_str(), static_cast<int>(wide.size()));
}

std::string Narrow(const CString& text) {
  std::string narrow;
  for (const wchar_t* p = text.GetString(); *p != L'\0'; ++p) {
    narrow += (*p >= 0x20 && *p < 0x7f) ? static_cast<char>(*p) : '?';
  }
  return narrow;
}

[[noreturn]] void Fail(int index, const std::string& what) {
  std::fprintf(stderr, "bench_formula: formula %d (%.*s): %s\n", index,
               static_cast<int>(kFormulas[index].size()),
               kFormulas[index].data(), what.c_str());
  std::abort();
}

// One evaluation with the library, as in the benchmark: a fresh text and a
// fresh value array.
double EvalMatrix(int index) {
  CString text = Wide(kFormulas[index]);
  CArray<double, double const&> values;
  try {
    return CompileStrV(text, values, 0);
  } catch (CUserException* e) {
    e->Delete();
    CString message;
    GetLastErrorM(message);
    Fail(index, "CompileStrV fault: " + Narrow(message));
  } catch (CException* e) {
    const std::string name = e->GetRuntimeClass()->m_lpszClassName;
    e->Delete();
    Fail(index, "CompileStrV threw " + name);
  }
}

std::string Label(int index) {
  return "len=" + std::to_string(kFormulas[index].size());
}

void BM_CompileStrV(benchmark::State& state, int index) {
  state.SetLabel(Label(index));
  const CString formula = Wide(kFormulas[index]);
  for (auto _ : state) {
    CString text = formula;
    CArray<double, double const&> values;
    double result = CompileStrV(text, values, 0);
    benchmark::DoNotOptimize(result);
    benchmark::DoNotOptimize(values.GetData());
  }
}

#ifdef MATRIX_BENCH_HAVE_MUPARSER
mu::string_type MuText(std::string_view text) {
  return mu::string_type(text.begin(), text.end());
}

double EvalMuParser(int index) {
  try {
    mu::Parser parser;
    parser.SetExpr(MuText(kFormulas[index]));
    return parser.Eval();
  } catch (const mu::Parser::exception_type& e) {
    const mu::string_type& message = e.GetMsg();
    Fail(index,
         "muParser error: " + std::string(message.begin(), message.end()));
  }
}

// One parser for the whole run; SetExpr makes the next Eval parse the text
// again, so each iteration is a full parse plus one evaluation.
void BM_muParser(benchmark::State& state, int index) {
  state.SetLabel(Label(index));
  const mu::string_type formula = MuText(kFormulas[index]);
  mu::Parser parser;
  for (auto _ : state) {
    parser.SetExpr(formula);
    double result = parser.Eval();
    benchmark::DoNotOptimize(result);
  }
}
#endif

// Both engines must give the same value, to 1e-12 relative.
void Verify() {
  for (int i = 0; i < kFormulaCount; ++i) {
    double ours = EvalMatrix(i);
    if (!std::isfinite(ours)) Fail(i, "CompileStrV gave a non-finite value");
#ifdef MATRIX_BENCH_HAVE_MUPARSER
    double theirs = EvalMuParser(i);
    double scale = std::fmax(std::fabs(ours), std::fabs(theirs));
    if (!(std::fabs(ours - theirs) <= 1e-12 * scale)) {
      char text[160];
      std::snprintf(text, sizeof text,
                    "CompileStrV gives %.17g, muParser %.17g", ours, theirs);
      Fail(i, text);
    }
#endif
  }
}

// Cost against text length: a sum of ones ("1+1+...+1") and a nest of
// brackets ("((...(1)...))") of about `state.range(0)` characters. The
// fitted complexity tells how evaluation time grows with the length.
void BM_CompileStrV_SumLength(benchmark::State& state) {
  std::wstring sum = L"1";
  while (static_cast<std::int64_t>(sum.size()) + 2 <= state.range(0)) {
    sum += L"+1";
  }
  const CString formula(sum.c_str(), static_cast<int>(sum.size()));
  for (auto _ : state) {
    CString text = formula;
    CArray<double, double const&> values;
    benchmark::DoNotOptimize(CompileStrV(text, values, 0));
  }
  state.SetComplexityN(static_cast<std::int64_t>(sum.size()));
}
BENCHMARK(BM_CompileStrV_SumLength)
    ->RangeMultiplier(10)
    ->Range(100, 1000000)
    ->Unit(benchmark::kMicrosecond)
    ->Complexity();

void BM_CompileStrV_NestLength(benchmark::State& state) {
  const std::size_t depth = static_cast<std::size_t>(state.range(0) / 2);
  const std::wstring nest =
      std::wstring(depth, L'(') + L"1" + std::wstring(depth, L')');
  const CString formula(nest.c_str(), static_cast<int>(nest.size()));
  for (auto _ : state) {
    CString text = formula;
    CArray<double, double const&> values;
    benchmark::DoNotOptimize(CompileStrV(text, values, 0));
  }
  state.SetComplexityN(static_cast<std::int64_t>(nest.size()));
}
BENCHMARK(BM_CompileStrV_NestLength)
    ->RangeMultiplier(10)
    ->Range(100, 1000000)
    ->Unit(benchmark::kMicrosecond)
    ->Complexity();

// Names pair up as BM_CompileStrV/<i> and BM_muParser/<i>.
void Register() {
  for (int i = 0; i < kFormulaCount; ++i) {
    std::string name = "BM_CompileStrV/";
    name += std::to_string(i);
    benchmark::RegisterBenchmark(name.c_str(), BM_CompileStrV, i);
#ifdef MATRIX_BENCH_HAVE_MUPARSER
    name = "BM_muParser/";
    name += std::to_string(i);
    benchmark::RegisterBenchmark(name.c_str(), BM_muParser, i);
#endif
  }
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  Verify();
  Register();
  matrix_bench::RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  std::vector<std::pair<std::string, std::string>> rows;
  for (int i = 0; i < kFormulaCount; ++i) {
    // Appended, not "/" + ...: GCC 12 warns falsely (-Wrestrict) on that.
    rows.emplace_back(std::to_string(kFormulas[i].size()) + " chars",
                      matrix_bench::RunSuffix(i));
  }
  reporter.PrintRatios("CPU time ratio to muParser's SetExpr + Eval",
                       "BM_muParser", {"BM_CompileStrV"}, rows);
  benchmark::Shutdown();
  return 0;
}
