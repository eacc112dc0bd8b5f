#!/usr/bin/env bash
# Builds and runs a benchmark program: sets the machine up with the
# benchmarks' peers (scripts/setup.sh --bench), builds the `bench` preset
# (Release, build/bench) and runs the program, which prints its results and
# then its own ratio table (project time / peer time, same run).
#
#   scripts/bench.sh [formula|numeric|util|json|registry] [benchmark flags,
#                    e.g. --benchmark_filter=BM_.*/5 --benchmark_repetitions=5]
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

# The first argument may name the program: formula (the default), numeric,
# util, json or registry.
program=formula
case "${1:-}" in
  formula|numeric|util|json|registry) program="$1"; shift ;;
esac

bash scripts/setup.sh --bench >&2
cmake --preset bench >/dev/null
cmake --build --preset bench --target "bench_${program}" >&2
exec ./build/bench/bench/"bench_${program}" "$@"
