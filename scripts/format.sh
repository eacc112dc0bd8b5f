#!/usr/bin/env bash
# Formats the project's C++ files with clang-format; --check only reports
# files that are not formatted (and fails). In a git checkout the files are
# git's (tracked or new, not ignored); in a copy without .git (a source
# tarball) every .h and .cpp outside build/.
set -euo pipefail
cd "$(dirname "$0")/.."
if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
  mapfile -t files < <(git ls-files --cached --others --exclude-standard '*.h' '*.cpp')
else
  mapfile -t files < <(find . -path ./build -prune -o -type f \( -name '*.h' -o -name '*.cpp' \) -print | sort)
fi
if [ ${#files[@]} -eq 0 ]; then
  echo "format: no C++ files found in $(pwd); nothing checked" >&2
  [ "${1:-}" = "--check" ] && exit 1
  exit 0
fi
if [ "${1:-}" = "--check" ]; then
  clang-format --dry-run --Werror "${files[@]}"
  echo "format: ${#files[@]} files checked" >&2
else
  clang-format -i "${files[@]}"
fi
