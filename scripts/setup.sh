#!/usr/bin/env bash
# Installs what building and testing matrix needs on a Debian machine:
# compilers, CMake, Ninja, GoogleTest, Google Benchmark, pkg-config, Clang's
# run-time libraries (libFuzzer and the sanitizers: only recommended by
# clang, and recommendations are not installed), cpprestsdk, SQLite (the
# registry store), zlib, xmllint and rsvg-convert (the pipeline example's
# SVG tests), Qt 6 Widgets, Svg and Test (the optional Qt binding and the
# desktop designer; Qt's GUI library brings the offscreen platform that
# their tests and screenshots run on, whose text needs a font), Doxygen
# (the reference, scripts/docs.sh, and its test of the headers), the
# Russian (decimal comma) and American UTF-8 locales for the locale and
# regional-settings tests, and the common application-data folder.
# Installs only what is missing, so a prepared machine is left alone and
# needs no network.
#
#   scripts/setup.sh           what the build, the tests and the examples need
#   scripts/setup.sh --bench   that, and the benchmarks' peers (muParser,
#                              Eigen, zlib, nlohmann::json, simdjson)
#   scripts/setup.sh --package that, and what building the Debian packages
#                              needs (debhelper, dpkg-dev, build-essential,
#                              fakeroot, lintian)
#
# This is the only script that installs packages; the others call it.
set -euo pipefail

packages=(g++ clang cmake ninja-build pkg-config googletest libgtest-dev
          libbenchmark-dev locales binutils clang-format git libcpprest-dev
          libclang-rt-14-dev zlib1g-dev libxml2-utils librsvg2-bin
          libsqlite3-dev qt6-base-dev qt6-svg-dev libqt6test6
          fonts-dejavu-core doxygen)
bench_packages=(libmuparser-dev libeigen3-dev zlib1g-dev nlohmann-json3-dev
                libsimdjson-dev)
package_packages=(debhelper dpkg-dev build-essential fakeroot lintian)
for arg in "$@"; do
  case "$arg" in
    --bench) packages+=("${bench_packages[@]}") ;;
    --package) packages+=("${package_packages[@]}") ;;
    *) echo "setup: unknown option $arg (known: --bench, --package)" >&2; exit 2 ;;
  esac
done

as_root() {
  if [ "$(id -u)" = 0 ]; then "$@"; elif command -v sudo >/dev/null; then sudo "$@"; else
    echo "setup: need root (or sudo) to run: $*" >&2; return 1; fi
}

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  as_root apt-get update -q
  as_root apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

# Generates the locale $1 (as named in /etc/locale.gen, "ll_CC.UTF-8")
# unless the machine has it.
need_locale() {
  local name=$1 short
  short=$(echo "$1" | sed 's/UTF-8$/utf8/')
  locale -a 2>/dev/null | grep -qix "$short" && return 0
  echo "setup: generating the $name locale"
  if [ -f /etc/locale.gen ] && grep -q "^# *$name UTF-8" /etc/locale.gen; then
    as_root sed -i "s/^# *\($name UTF-8\)/\1/" /etc/locale.gen
  elif ! grep -q "^$name UTF-8" /etc/locale.gen 2>/dev/null; then
    echo "$name UTF-8" | as_root tee -a /etc/locale.gen >/dev/null
  fi
  as_root locale-gen >/dev/null
}
# en_US.UTF-8: a new registry store is seeded from the locale; the tests
# check the American settings under it. ru_RU.UTF-8: the tests check that
# formulas still read '.' under it, and the Russian settings.
need_locale en_US.UTF-8
need_locale ru_RU.UTF-8

# The common application-data folder of OpenTempFile: every user may create
# in it, as on Windows (mode 1777, like /tmp).
appdata=/var/lib/matrix/ProgramData
if [ ! -d "$appdata" ] || [ "$(stat -c %a "$appdata")" != 1777 ]; then
  echo "setup: creating $appdata (mode 1777)"
  as_root mkdir -p "$appdata"
  as_root chmod 1777 "$appdata"
fi
