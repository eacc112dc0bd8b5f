#!/usr/bin/env bash
# Checks the installed Debian packages (apt-get install ./build/packages/*.deb)
# the ways a user meets them, with nothing pointing at the project's tree:
#   - the README's host ("A host") built with pkg-config, and with
#     find_package(matrix) against /usr with no path given, prints 3.5;
#   - the package test's consumer project finds the package, versions its
#     program with matrix_add_version_resource and compiles every installed
#     header alone;
#   - with libmatrix-platform-qt-dev, find_package(matrix) gives a host
#     matrix::platform_qt with Qt found for it, and an edit control of the
#     window table shows as a QLineEdit (offscreen);
#   - matrix-reg runs, and its manual page is installed;
#   - the reference is at /usr/share/doc/libmatrix-doc/html/index.html;
#   - the libraries depend on what they link and on nothing more.
# Prints the time each step took.
#
#   bash tests/package/installed_debs.sh
set -euo pipefail
cd "$(dirname "$0")/../.."
root=$(pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
unset PKG_CONFIG_PATH LD_LIBRARY_PATH CMAKE_PREFIX_PATH

failures=0
step() {
  local name=$1 start rc
  shift
  start=$(date +%s%N)
  set +e
  ("$@") >"$work/step.log" 2>&1
  rc=$?
  set -e
  local tenths=$((($(date +%s%N) - start) / 100000000))
  printf '%-44s %-6s %4d.%d s\n' "$name" "$([ $rc = 0 ] && echo ok || echo FAILED)" \
    $((tenths / 10)) $((tenths % 10))
  if [ $rc != 0 ]; then
    sed 's/^/    /' "$work/step.log"
    failures=$((failures + 1))
  fi
}

# The first C++ block of the README's section "A host".
awk '/^## /{in_section = ($0 == "## A host")} in_section && /^```/{
       if (in_block) exit; if ($0 == "```cpp") {in_block = 1; next}}
     in_block' README.md >"$work/host.cpp"
[ -s "$work/host.cpp" ] || { echo "README.md: no C++ block under \"A host\"" >&2; exit 1; }

pkg_config_host() {
  cd "$work"
  c++ host.cpp $(pkg-config --cflags --libs matrix) -o host-pc
  test "$(./host-pc)" = 3.5
}

cmake_host() {
  mkdir -p "$work/cmake-host"
  cp "$work/host.cpp" "$work/cmake-host/"
  cat >"$work/cmake-host/CMakeLists.txt" <<'EOF'
cmake_minimum_required(VERSION 3.25)
project(host LANGUAGES CXX)
find_package(matrix 0.1 CONFIG REQUIRED)
add_executable(host host.cpp)
target_link_libraries(host PRIVATE matrix::matrix)
EOF
  cmake -S "$work/cmake-host" -B "$work/cmake-host/build"
  cmake --build "$work/cmake-host/build"
  test "$("$work/cmake-host/build/host")" = 3.5
}

consumer() {
  local headers
  headers=$(dpkg -L libmatrix-dev | sed -n \
    -e 's|^/usr/include/matrix-platform/\(.*\.h\)$|\1|p' \
    -e 's|^/usr/include/\(matrix/.*\.h\)$|\1|p' | paste -sd, -)
  [ -n "$headers" ]
  cmake -S "$root/tests/package/consumer" -B "$work/consumer" \
    -DMATRIX_CONSUMER_HEADERS="$headers"
  cmake --build "$work/consumer"
  test "$("$work/consumer/consumer")" = "$(printf '14\nversion 131073 5 131073 7')"
}

qt_consumer() {
  cmake -S "$root/tests/package/consumer" -B "$work/qt-consumer" \
    -DMATRIX_CONSUMER_QT=ON
  cmake --build "$work/qt-consumer" --target qt_consumer
  test "$(QT_QPA_PLATFORM=offscreen "$work/qt-consumer/qt_consumer")" = "QLineEdit 2,5"
}

matrix_reg() {
  export MATRIX_REGISTRY_DIR=$work/registry
  matrix-reg query 'HKCU\Control Panel\International' | tee "$work/reg.txt"
  grep -q 'sDecimal    REG_SZ' "$work/reg.txt"
  matrix-reg add 'HKCU\Software\Pipes' /v Diameter /t REG_DWORD /d 530
  matrix-reg query 'HKCU\Software\Pipes' /v Diameter | grep -q 'REG_DWORD    0x212'
  test -f /usr/share/man/man1/matrix-reg.1.gz
}

reference() {
  test -f /usr/share/doc/libmatrix-doc/html/index.html
  grep -q 'CompileStrV' -r /usr/share/doc/libmatrix-doc/html/
}

# Run-time dependencies: each library's own, from its shared-library
# information (plus the C and C++ run-time libraries).
dependencies() {
  local matrix platform
  matrix=$(dpkg-query -W -f='${Depends}' libmatrix0)
  platform=$(dpkg-query -W -f='${Depends}' libmatrix-platform0)
  echo "libmatrix0: $matrix"
  echo "libmatrix-platform0: $platform"
  [[ $matrix == *libcpprest* && $matrix == *libmatrix-platform0* ]]
  [[ $matrix != *sqlite* ]]
  [[ $platform == *libsqlite3* && $platform != *cpprest* ]]
  # Hosts without the binding need no Qt.
  [[ $matrix != *qt6* && $platform != *qt6* ]]
  test "$(stat -c %a /var/lib/matrix/ProgramData)" = 1777
}

step "README host, pkg-config" pkg_config_host
step "README host, find_package(matrix)" cmake_host
step "consumer: version resource, every header" consumer
if dpkg-query -W libmatrix-platform-qt-dev >/dev/null 2>&1; then
  step "Qt binding: matrix::platform_qt" qt_consumer
fi
step "matrix-reg" matrix_reg
step "reference" reference
step "dependencies" dependencies
dpkg-query -W -f='  ${Package}: ${Depends}\n' libmatrix0 libmatrix-platform0 \
  libmatrix-dev matrix-reg $(dpkg-query -W -f='${Package}\n' \
  libmatrix-platform-qt0 libmatrix-platform-qt-dev 2>/dev/null)
if [ $failures != 0 ]; then
  echo "installed packages: $failures check(s) failed" >&2
  exit 1
fi
echo "installed packages: all checks passed"
