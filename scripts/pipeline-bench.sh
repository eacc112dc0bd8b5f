#!/usr/bin/env bash
# Sets the machine up, then times the pipeline host on generated runs of
# 1 000 to 100 000 nodes (a bend at every corner, a survey point beside
# every node), stage by stage, with the peak memory; prints a Markdown table
# of processor seconds (the wall clock follows it on an idle machine and is
# printed in the last column). Sizes may be given instead.
#
#   bash scripts/pipeline-bench.sh [N ...]
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh >&2
cmake --preset release >&2
cmake --build --preset release --target pipeline pipeline-generate >&2
bin=build/release/examples/pipeline
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
sizes=("$@")
[ ${#sizes[@]} -gt 0 ] || sizes=(1000 3000 10000 30000 100000)
echo "| nodes | input MB | read+parse | compute | svg | report | write | total cpu s | peak MiB | total wall s |"
echo "|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|"
for n in "${sizes[@]}"; do
  "$bin/pipeline-generate" "$n" >"$tmp/run$n.json"
  line=$("$bin/pipeline" "$tmp/run$n.json" --out "$tmp/out" --timing 2>&1 >/dev/null | grep '^timing:')
  cpu=${line#*cpu s: }
  wall=${line#*wall s: }
  v() { sed -E "s/.*$1 ([0-9.]+).*/\1/" <<<"$2"; }
  in_mb=$(awk -v b="$(stat -c %s "$tmp/run$n.json")" 'BEGIN{printf "%.1f", b/1e6}')
  echo "| $n | $in_mb | $(v 'read\+parse' "$cpu") | $(v compute "$cpu") | $(v svg "$cpu") | $(v report "$cpu") | $(v write "$cpu") | $(v total "$cpu") | $(v 'peak memory' "$line") | $(v total "${wall%%; cpu*}") |"
done
