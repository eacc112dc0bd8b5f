#!/usr/bin/env bash
# Sets the machine up, then regenerates the README's pictures and report
# excerpt from the bundled sample: docs/pipeline-sample.svg and
# docs/pipeline-sample.txt, written by the pipeline program, and
# docs/pipeline-designer.png, the desktop designer's window as its
# --screenshot lays it out on Qt's offscreen platform (never by hand);
# then writes the reference, build/docs/html/index.html, with Doxygen
# (docs/Doxyfile; a warning stops it).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh >&2
cmake --preset release >&2
cmake --build --preset release --target pipeline pipeline-designer >&2
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
./build/release/examples/pipeline/pipeline examples/pipeline/sample.json --out "$tmp" >&2
# The report names its input; keep the path relative to the repository.
sed "s|$(pwd)/||" "$tmp/sample.txt" >docs/pipeline-sample.txt
cp "$tmp/sample.svg" docs/pipeline-sample.svg
QT_QPA_PLATFORM=offscreen ./build/release/examples/pipeline-designer/pipeline-designer \
  --screenshot docs/pipeline-designer.png examples/pipeline/sample.json
echo "docs/pipeline-sample.svg, docs/pipeline-sample.txt and docs/pipeline-designer.png regenerated" >&2
rm -rf build/docs
mkdir -p build/docs
doxygen docs/Doxyfile >&2
echo "the reference: build/docs/html/index.html" >&2
