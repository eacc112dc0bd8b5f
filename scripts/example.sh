#!/usr/bin/env bash
# The main job: sets the machine up, builds the library and the example host
# examples/formula, and evaluates a formula with it. Arguments go to the
# example: a formula, then values for #0, #1, ... (a default formula when
# none is given).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh >&2
cmake --preset release >&2
cmake --build --preset release --target formula >&2
exec ./build/release/examples/formula "$@"
