#!/usr/bin/env bash
# Builds and runs a benchmark program: installs what the benchmarks need when
# missing (Debian packages), configures a Release build in build/bench,
# builds the program, runs it, and for the formula engine prints the
# CompileStrV / muParser time ratios.
#
#   scripts/bench.sh [formula|numeric|util|json|registry] [benchmark flags, e.g.
#                    --benchmark_filter=BM_.*/5]
#
# JOBS sets the build parallelism (default 2).
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${root}/build/bench"
jobs="${JOBS:-2}"

# --- Packages ---------------------------------------------------------------
packages=(cmake ninja-build g++ pkg-config libbenchmark-dev libmuparser-dev
          libeigen3-dev zlib1g-dev nlohmann-json3-dev libsimdjson-dev libcpprest-dev
          libsqlite3-dev)
if command -v dpkg-query >/dev/null 2>&1; then
  missing=()
  for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null |
        grep -q 'install ok installed'; then
      missing+=("$p")
    fi
  done
  if ((${#missing[@]})); then
    sudo=()
    if [[ "$(id -u)" -ne 0 ]]; then
      if command -v sudo >/dev/null 2>&1; then
        sudo=(sudo)
      else
        echo "bench.sh: need root or sudo to install: ${missing[*]}" >&2
        exit 1
      fi
    fi
    echo "bench.sh: installing ${missing[*]}"
    "${sudo[@]}" apt-get update
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive \
      apt-get install -y --no-install-recommends "${missing[@]}"
  fi
else
  echo "bench.sh: no dpkg-query; assuming ${packages[*]} are present" >&2
fi

# --- Build ------------------------------------------------------------------
# The first argument may name the program: formula (the default), numeric,
# util, json or registry.
program=formula
case "${1:-}" in
  formula|numeric|util|json|registry) program="$1"; shift ;;
esac
cmake -S "${root}" -B "${build}" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DMATRIX_BUILD_BENCH=ON -DMATRIX_BUILD_TESTS=OFF
cmake --build "${build}" --target "bench_${program}" -j "${jobs}"

# --- Run --------------------------------------------------------------------
# The JSON copy feeds the ratio table; flags given on the command line come
# later and so win over these.
json="${build}/bench_${program}.json"
rm -f "${json}"
"${build}/bench/bench_${program}" --benchmark_out="${json}" \
  --benchmark_out_format=json "$@"
[[ "${program}" = formula ]] || exit 0

# --- Ratios -----------------------------------------------------------------
if [[ ! -s "${json}" ]]; then
  exit 0
fi
if ! command -v python3 >/dev/null 2>&1; then
  echo "bench.sh: no python3, no ratio table (results in ${json})"
  exit 0
fi
python3 - "${json}" <<'PY'
import json, sys

scale = {"ns": 1.0, "us": 1e3, "ms": 1e6, "s": 1e9}
with open(sys.argv[1]) as f:
    runs = json.load(f)["benchmarks"]
# With repetitions, take the median; else the single run.
have_median = any(r.get("aggregate_name") == "median" for r in runs)
times, labels = {}, {}
for r in runs:
    if have_median != (r.get("aggregate_name") == "median"):
        continue
    if r.get("run_type") == "aggregate" and not have_median:
        continue
    name = r.get("run_name", r["name"])
    engine, _, index = name.partition("/")
    if not index.isdigit():
        continue
    times[(engine, index)] = r["cpu_time"] * scale[r.get("time_unit", "ns")]
    labels[index] = r.get("label", "")
rows = sorted({i for _, i in times}, key=int)
if not any(("BM_muParser", i) in times for i in rows):
    sys.exit(0)
print()
print("CPU time per evaluation (ns); ratio = CompileStrV / muParser")
print(f"{'formula':>7} {'length':>8} {'CompileStrV':>12} {'muParser':>10} "
      f"{'ratio':>7}")
for i in rows:
    ours, theirs = times.get(("BM_CompileStrV", i)), times.get(("BM_muParser", i))
    if ours is None or theirs is None:
        continue
    print(f"{i:>7} {labels[i].removeprefix('len='):>8} {ours:>12.0f} "
          f"{theirs:>10.0f} {ours / theirs:>7.2f}")
PY
