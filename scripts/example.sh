#!/usr/bin/env bash
# The main job: sets the machine up, builds the library and the pipeline
# host examples/pipeline, and runs it on a pipe run: the bundled sample
# unless a document is given. It prints the report's summary and where the
# report and the SVG drawing went (build/example/ unless --out says
# otherwise). Build output goes to stderr; stdout is the program's alone.
#
#   bash scripts/example.sh [input.json] [--out DIR] [--view plan|iso|both]
#   bash scripts/example.sh formula ["FORMULA" [VALUE ...]]   # the formula host
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh >&2
cmake --preset release >&2
if [ "${1:-}" = formula ]; then
  shift
  cmake --build --preset release --target formula >&2
  exec ./build/release/examples/formula "$@"
fi
cmake --build --preset release --target pipeline >&2
out=(--out build/example)
for arg in "$@"; do [ "$arg" = --out ] && out=(); done
exec ./build/release/examples/pipeline/pipeline "$@" "${out[@]}"
