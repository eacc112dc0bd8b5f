#!/usr/bin/env bash
# Sets the machine up, then regenerates the README's picture and report
# excerpt from the bundled sample: docs/pipeline-sample.svg and
# docs/pipeline-sample.txt, both written by the pipeline program (never by
# hand).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh >&2
cmake --preset release >&2
cmake --build --preset release --target pipeline >&2
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
./build/release/examples/pipeline/pipeline examples/pipeline/sample.json --out "$tmp" >&2
# The report names its input; keep the path relative to the repository.
sed "s|$(pwd)/||" "$tmp/sample.txt" >docs/pipeline-sample.txt
cp "$tmp/sample.svg" docs/pipeline-sample.svg
echo "docs/pipeline-sample.svg and docs/pipeline-sample.txt regenerated" >&2
