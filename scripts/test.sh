#!/usr/bin/env bash
# The test command: sets the machine up, then builds and runs the whole test
# suite with GCC and with Clang, then again under AddressSanitizer and
# UndefinedBehaviorSanitizer. Exits non-zero on the first failure.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh

echo "== format"
bash scripts/format.sh --check

for preset in release clang asan; do
  echo "== $preset"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
  ctest --preset "$preset"
done
