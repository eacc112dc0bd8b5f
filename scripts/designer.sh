#!/usr/bin/env bash
# The desktop pipeline designer: sets the machine up (Qt 6 included),
# builds examples/pipeline-designer and starts it on a pipe run: the given
# document, else the last one opened, else the bundled sample. It needs a
# display (or QT_QPA_PLATFORM set, e.g. to offscreen with --screenshot).
#
#   bash scripts/designer.sh [input.json]
#   bash scripts/designer.sh --screenshot FILE.png [input.json]
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh >&2
cmake --preset release >&2
cmake --build --preset release --target pipeline-designer >&2
exec ./build/release/examples/pipeline-designer/pipeline-designer "$@"
