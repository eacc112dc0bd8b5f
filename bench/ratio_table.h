// Benchmarks - the ratio table every benchmark program prints after its
// runs: project time divided by peer time, case by case, in the same run.
#ifndef MATRIX_BENCH_RATIO_TABLE_H_
#define MATRIX_BENCH_RATIO_TABLE_H_

#include <benchmark/benchmark.h>

#include <cstddef>
#include <cstdio>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace matrix_bench {

// The run-name suffix of argument `index` ("/index"). Appended, not
// "/" + ...: GCC 12 warns falsely (-Wrestrict) on that.
inline std::string RunSuffix(std::size_t index) {
  std::string suffix = "/";
  suffix += std::to_string(index);
  return suffix;
}

// Prints as Google Benchmark's console reporter does and keeps the CPU time
// of every run: the median when the run is repeated, else the single run.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      if (run.error_occurred) continue;
      const std::string name = run.run_name.str();
      if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median") {
        times_[name] = run.GetAdjustedCPUTime();
        medians_[name] = true;
      } else if (run.run_type == Run::RT_Iteration && !medians_[name]) {
        times_[name] = run.GetAdjustedCPUTime();
      }
    }
    ConsoleReporter::ReportRuns(runs);
  }

  // The kept CPU time of run `name` (in the run's own time unit), or a
  // negative value when it did not run.
  double Time(const std::string& name) const {
    const auto it = times_.find(name);
    return it == times_.end() ? -1.0 : it->second;
  }

  // One row per case: `rows` pairs a label with the run-name suffix
  // ("/3"); one column per benchmark in `ours`, each its time divided by
  // `peer`'s for the same suffix; "-" where either did not run. Rows whose
  // peer did not run are left out, and so is the whole table when none ran.
  void PrintRatios(
      const char* title, const std::string& peer,
      const std::vector<std::string>& ours,
      const std::vector<std::pair<std::string, std::string>>& rows) const {
    bool any = false;
    for (const auto& row : rows) any = any || Time(peer + row.second) > 0.0;
    if (!any) return;
    std::printf("\n%s\n%-16s", title, "case");
    for (const std::string& name : ours) std::printf(" %14s", name.c_str());
    std::printf("\n");
    for (const auto& [label, suffix] : rows) {
      const double theirs = Time(peer + suffix);
      if (theirs <= 0.0) continue;
      std::printf("%-16s", label.c_str());
      for (const std::string& name : ours) {
        const double mine = Time(name + suffix);
        if (mine < 0.0) {
          std::printf(" %14s", "-");
        } else {
          std::printf(" %14.3f", mine / theirs);
        }
      }
      std::printf("\n");
    }
  }

  // One row per pair: `label`, then the time of `ours` divided by that of
  // `peer` (full run names, "BM_X/iterations:3" included); "-" where
  // either did not run. Nothing when no pair ran.
  struct Pair {
    std::string label;
    std::string ours;
    std::string peer;
  };
  void PrintPairs(const char* title, const std::vector<Pair>& pairs) const {
    bool any = false;
    for (const Pair& p : pairs) any = any || Time(p.peer) > 0.0;
    if (!any) return;
    std::printf("\n%s\n", title);
    for (const Pair& p : pairs) {
      const double mine = Time(p.ours);
      const double theirs = Time(p.peer);
      if (mine < 0.0 || theirs <= 0.0) {
        std::printf("%-44s %10s\n", p.label.c_str(), "-");
      } else {
        std::printf("%-44s %10.3f\n", p.label.c_str(), mine / theirs);
      }
    }
  }

 private:
  std::map<std::string, double> times_;
  std::map<std::string, bool> medians_;
};

}  // namespace matrix_bench

#endif  // MATRIX_BENCH_RATIO_TABLE_H_
