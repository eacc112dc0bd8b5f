#!/usr/bin/env bash
# Builds the Debian packages of matrix (debian/) from the committed tree and
# checks them with lintian:
#
#   bash scripts/package.sh                          # with the test suite
#   DEB_BUILD_OPTIONS=nocheck bash scripts/package.sh  # without it
#
# Installs what packaging needs through scripts/setup.sh --package, builds
# with dpkg-buildpackage -us -uc -b in a clean copy of HEAD (git archive), so
# that uncommitted changes, untracked files and build/ never reach a package,
# and leaves the .deb files, the .buildinfo and the .changes in
# build/packages/. Fails when lintian reports an error or a warning that
# the override files do not explain.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

bash scripts/setup.sh --package

out=$root/build/packages
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

if [ -n "$(git status --porcelain --untracked-files=no)" ]; then
  echo "package: uncommitted changes are left out; the packages are built from HEAD" >&2
fi
git archive --format=tar --prefix=matrix/ HEAD | tar -x -C "$work"

# Parallel by default, on every core; the caller's options are kept.
options=${DEB_BUILD_OPTIONS:-}
case " $options " in
  *" parallel="*) ;;
  *) options="${options:+$options }parallel=$(nproc)" ;;
esac
echo "package: dpkg-buildpackage -us -uc -b (DEB_BUILD_OPTIONS=$options)" >&2
(cd "$work/matrix" && DEB_BUILD_OPTIONS=$options dpkg-buildpackage -us -uc -b)

rm -rf "$out"
mkdir -p "$out"
mv "$work"/*.deb "$work"/*.buildinfo "$work"/*.changes "$out"/
changes=$(ls "$out"/*.changes)

echo "package: lintian $changes" >&2
lintian --fail-on error,warning "$changes"

echo "packages in $out:"
(cd "$out" && ls -1)
