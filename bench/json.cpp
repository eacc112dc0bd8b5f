// Benchmark of the JSON walker: JsonParse over generated documents of about
// 100 KB and 10 MB with a callback that only counts, beside cpprestsdk's
// own value::parse of the same text (in UTF-8, its string type here) and,
// when built with them, nlohmann::json and simdjson parsing it. The
// documents come from a fixed seed and nest up to 8 levels without
// anything that abandons the walk; before timing, each must walk to the
// end. A table of ratios to the cpprestsdk parse follows the run, and a
// table of JsonParse's stages: the text to UTF-8, the parse, the walk with
// the conversion of what it reports back to wide characters.
//
//   bench_json [Google Benchmark flags]
#include <benchmark/benchmark.h>
#include <matrix/matrix.h>
#include <utf8codec.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "ratio_table.h"
#include "util/json_walk.h"

#ifdef MATRIX_BENCH_HAVE_NLOHMANN
#include <nlohmann/json.hpp>
#endif
#ifdef MATRIX_BENCH_HAVE_SIMDJSON
#include <simdjson.h>
#endif

// Last: cpprestsdk defines macros (U among them) that other headers trip on.
#include <cpprest/json.h>

namespace {

// Generates one document: a root object whose members hold strings,
// numbers, booleans, nulls, objects and arrays, down to depth 8. Arrays
// hold scalars and objects only, never arrays, so that a name is always
// among the nearest keys, and nothing at depth 8 is a container, boolean,
// null or array element.
class Generator {
 public:
  explicit Generator(std::uint64_t seed) : random_(seed) {}

  std::wstring Document(std::size_t size) {
    text_ = L"{";
    for (bool first = true; text_.size() < size; first = false) {
      if (!first) text_ += L',';
      Member(1);
    }
    text_ += L'}';
    return text_;
  }

 private:
  unsigned Below(unsigned n) { return static_cast<unsigned>(random_() % n); }

  void Name() {
    static const wchar_t* const kWords[] = {
        L"id",   L"name", L"node",
        L"pipe", L"x",    L"y",
        L"z",    L"len",  L"kind",
        L"dn",   L"wall", L"steel",
        L"soil", L"bend", L"code",
        L"list", L"tag",  L"\u0442\u0440\u0443\u0431\u0430"};
    text_ += L'"';
    text_ += kWords[Below(std::size(kWords))];
    text_ += std::to_wstring(Below(100));
    text_ += L'"';
  }

  void Scalar(bool inArray, int depth) {
    const unsigned pick = Below(inArray || depth == 8 ? 8 : 10);
    if (pick < 3) {
      static const wchar_t* const kTexts[] = {
          L"steel 20",
          L"DN 300",
          L"node",
          L"\\u00e9t\\u00e9",
          L"\u0433\u0440\u0443\u043d\u0442 \u2116 2",
          L"a \\\"quoted\\\" word"};
      text_ += L'"';
      text_ += kTexts[Below(std::size(kTexts))];
      text_ += L'"';
    } else if (pick < 6) {
      text_ += std::to_wstring(static_cast<int>(Below(2000000)) - 1000000);
    } else if (pick < 8) {
      text_ += std::to_wstring(Below(100000));
      text_ += L'.';
      text_ += std::to_wstring(Below(1000));
      text_ += L"e-2";
    } else {
      text_ += Below(2) != 0 ? L"true" : L"null";
    }
  }

  // A value at `depth` (1 for the root's members).
  void Value(int depth, bool inArray) {
    const unsigned pick = Below(10);
    if (depth < 8 && pick < 2) {
      Object(depth);
    } else if (depth < 7 && !inArray && pick < 3) {
      Array(depth);
    } else {
      Scalar(inArray, depth);
    }
  }

  void Member(int depth) {
    Name();
    text_ += L':';
    Value(depth, false);
  }

  void Object(int depth) {
    text_ += L'{';
    const unsigned members = 1 + Below(5);
    for (unsigned k = 0; k < members; ++k) {
      if (k != 0) text_ += L',';
      Member(depth + 1);
    }
    text_ += L'}';
  }

  void Array(int depth) {
    text_ += L'[';
    const unsigned elements = Below(6);
    for (unsigned k = 0; k < elements; ++k) {
      if (k != 0) text_ += L',';
      Value(depth + 1, true);
    }
    text_ += L']';
  }

  std::mt19937_64 random_;
  std::wstring text_;
};

struct Document {
  std::wstring wide;
  std::string utf8;
  std::uint64_t reports = 0;
};

constexpr std::size_t kSizes[] = {100 * 1000, 10 * 1000 * 1000};
constexpr std::uint64_t kSeed = 20240611;

std::uint64_t g_count = 0;

int Count(const wchar_t*, const wchar_t*, DWORD, double, DWORD, unsigned short,
          const wchar_t*) {
  ++g_count;
  return 0;
}

const Document& Doc(std::size_t index) {
  static std::map<std::size_t, Document> docs;
  auto it = docs.find(index);
  if (it != docs.end()) return it->second;
  Document doc;
  doc.wide = Generator(kSeed + index).Document(kSizes[index]);
  doc.utf8 = matrix::platform::ToUtf8(doc.wide);
  g_count = 0;
  if (JsonParse(doc.wide.c_str(), Count, 0, true) != 1 || g_count == 0) {
    std::fprintf(stderr, "bench_json: document %zu does not walk to its end\n",
                 index);
    std::abort();
  }
  doc.reports = g_count;
  return docs.emplace(index, std::move(doc)).first->second;
}

void SetBytes(benchmark::State& state, const Document& doc) {
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(doc.utf8.size()));
  state.SetLabel(std::to_string(doc.utf8.size() / 1000) + " KB, " +
                 std::to_string(doc.reports) + " reports");
}

void BM_JsonParse(benchmark::State& state) {
  const Document& doc = Doc(static_cast<std::size_t>(state.range(0)));
  for (auto _ : state) {
    benchmark::DoNotOptimize(JsonParse(doc.wide.c_str(), Count, 0, true));
  }
  SetBytes(state, doc);
}

void BM_cpprest_parse(benchmark::State& state) {
  const Document& doc = Doc(static_cast<std::size_t>(state.range(0)));
  for (auto _ : state) {
    web::json::value value = web::json::value::parse(doc.utf8);
    benchmark::DoNotOptimize(value.is_object());
  }
  SetBytes(state, doc);
}

// The stages of JsonParse on their own. The text in UTF-8 for the parser:
void BM_JsonStage_ToUtf8(benchmark::State& state) {
  const Document& doc = Doc(static_cast<std::size_t>(state.range(0)));
  std::string utf8;
  for (auto _ : state) {
    benchmark::DoNotOptimize(
        matrix::detail::JsonTextToUtf8(doc.wide.c_str(), utf8));
  }
  SetBytes(state, doc);
}

// The parse and the walk that releases the tree as it goes: beyond
// cpprestsdk's parse (which releases the tree at the end), this is the
// walk and the conversion of the names and strings it reports.
void BM_JsonStage_ParseAndWalk(benchmark::State& state) {
  const Document& doc = Doc(static_cast<std::size_t>(state.range(0)));
  for (auto _ : state) {
    web::json::value value = web::json::value::parse(doc.utf8);
    benchmark::DoNotOptimize(matrix::detail::JsonWalk(value, Count, 0, true));
  }
  SetBytes(state, doc);
}

// Every name and string of the document converted to wide characters once,
// as the walk converts those it reports (an upper bound: the walk skips
// names it does not need).
void CollectTexts(const web::json::value& v, std::vector<std::string>& out) {
  if (v.is_string()) {
    out.push_back(v.as_string());
  } else if (v.is_object()) {
    for (const auto& member : v.as_object()) {
      out.push_back(member.first);
      CollectTexts(member.second, out);
    }
  } else if (v.is_array()) {
    for (const auto& element : v.as_array()) CollectTexts(element, out);
  }
}

void BM_JsonStage_ToWide(benchmark::State& state) {
  const Document& doc = Doc(static_cast<std::size_t>(state.range(0)));
  std::vector<std::string> texts;
  CollectTexts(web::json::value::parse(doc.utf8), texts);
  std::wstring wide;
  for (auto _ : state) {
    for (const std::string& text : texts) {
      matrix::detail::JsonTextToWide(text, wide);
      benchmark::DoNotOptimize(wide.data());
    }
  }
  SetBytes(state, doc);
  state.counters["texts"] = static_cast<double>(texts.size());
}

#ifdef MATRIX_BENCH_HAVE_NLOHMANN
void BM_nlohmann_parse(benchmark::State& state) {
  const Document& doc = Doc(static_cast<std::size_t>(state.range(0)));
  for (auto _ : state) {
    nlohmann::json value = nlohmann::json::parse(doc.utf8);
    benchmark::DoNotOptimize(value.is_object());
  }
  SetBytes(state, doc);
}
#endif

#ifdef MATRIX_BENCH_HAVE_SIMDJSON
// One parser for the run, as simdjson is meant to be used; each iteration
// builds the whole DOM.
void BM_simdjson_parse(benchmark::State& state) {
  const Document& doc = Doc(static_cast<std::size_t>(state.range(0)));
  const simdjson::padded_string padded(doc.utf8);
  simdjson::dom::parser parser;
  for (auto _ : state) {
    simdjson::dom::element root;
    if (parser.parse(padded).get(root) != simdjson::SUCCESS) {
      state.SkipWithError("simdjson refused the document");
      break;
    }
    benchmark::DoNotOptimize(root.is_object());
  }
  SetBytes(state, doc);
}
#endif

void Sizes(benchmark::internal::Benchmark* b) {
  for (std::size_t i = 0; i < std::size(kSizes); ++i) {
    b->Arg(static_cast<std::int64_t>(i));
  }
  b->Unit(benchmark::kMillisecond);
}

BENCHMARK(BM_JsonParse)->Apply(Sizes);
BENCHMARK(BM_cpprest_parse)->Apply(Sizes);
BENCHMARK(BM_JsonStage_ToUtf8)->Apply(Sizes);
BENCHMARK(BM_JsonStage_ParseAndWalk)->Apply(Sizes);
BENCHMARK(BM_JsonStage_ToWide)->Apply(Sizes);
#ifdef MATRIX_BENCH_HAVE_NLOHMANN
BENCHMARK(BM_nlohmann_parse)->Apply(Sizes);
#endif
#ifdef MATRIX_BENCH_HAVE_SIMDJSON
BENCHMARK(BM_simdjson_parse)->Apply(Sizes);
#endif

// The stages of JsonParse in CPU time (ms, the unit of the runs), one row a
// size; the walk is the parse and walk less cpprestsdk's parse, -1 where a
// stage did not run.
void PrintStages(const matrix_bench::RatioReporter& reporter) {
  std::printf(
      "\nStages of JsonParse, CPU time in ms (walk = parse and walk - "
      "cpprestsdk parse)\n");
  std::printf("%-14s %10s %10s %10s %10s %10s\n", "size", "JsonParse",
              "to UTF-8", "parse", "walk", "to wide");
  for (std::size_t i = 0; i < std::size(kSizes); ++i) {
    const std::string arg = matrix_bench::RunSuffix(i);
    auto ms = [&](const char* name) { return reporter.Time(name + arg); };
    const double parse = ms("BM_cpprest_parse");
    const double both = ms("BM_JsonStage_ParseAndWalk");
    std::printf("%-14s %10.3f %10.3f %10.3f %10.3f %10.3f\n",
                (std::to_string(kSizes[i] / 1000) + " KB").c_str(),
                ms("BM_JsonParse"), ms("BM_JsonStage_ToUtf8"), parse,
                both - parse, ms("BM_JsonStage_ToWide"));
  }
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  matrix_bench::RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  std::vector<std::pair<std::string, std::string>> sizes;
  for (std::size_t i = 0; i < std::size(kSizes); ++i) {
    sizes.emplace_back(std::to_string(kSizes[i] / 1000) + " KB",
                       matrix_bench::RunSuffix(i));
  }
  reporter.PrintRatios("CPU time ratio to cpprestsdk's parse of the same text",
                       "BM_cpprest_parse",
                       {
                           "BM_JsonParse",
#ifdef MATRIX_BENCH_HAVE_NLOHMANN
                           "BM_nlohmann_parse",
#endif
#ifdef MATRIX_BENCH_HAVE_SIMDJSON
                           "BM_simdjson_parse",
#endif
                       },
                       sizes);
  PrintStages(reporter);
  benchmark::Shutdown();
  return 0;
}
