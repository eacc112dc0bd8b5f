#!/usr/bin/env bash
# matrix-reg as a user runs it: the command line (switches and absolute
# paths, help and usage, exit statuses), real-world-shaped registry files
# (UTF-16LE with a byte-order mark and CRLF, UTF-8, REGEDIT4 in 8-bit code
# pages, CR-only lines, comments and continuations where the registry editor
# allows them), exports that import back exactly, and refused imports that
# leave the store byte for byte as it was, also when the store refuses a
# write half-way (a file size limit, RLIMIT_FSIZE, set with ulimit -f).
#
#   matrix_reg_test.sh MATRIX_REG FIXTURES WORK_DIR
set -uo pipefail
reg=$1 fixtures=$(cd "$2" && pwd) work=$3
rm -rf "$work" && mkdir -p "$work"
work=$(cd "$work" && pwd)
export MATRIX_REGISTRY_DIR="$work/registry" LC_ALL=C
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
base='HKEY_CURRENT_USER\Software\matrix-cli'

# run EXPECTED_STATUS ARGS...: runs matrix-reg, keeping its output in
# $work/stdout and $work/stderr.
run() {
  local expected=$1
  shift
  "$reg" "$@" >"$work/stdout" 2>"$work/stderr"
  local status=$?
  [ "$status" = "$expected" ] ||
    fail "matrix-reg $*: exit status $status, not $expected ($(cat "$work/stderr"))"
}
# value KEY NAME EXPECTED_LINE: the query line of one value.
value() {
  run 0 query "$1" /v "$2"
  grep -qxF -- "$3" "$work/stdout" || fail "query $1 /v $2: '$(cat "$work/stdout")', not '$3'"
}
# snapshot NAME: the user store's file and an export of everything below $base.
snapshot() {
  cp "$MATRIX_REGISTRY_DIR/user.sqlite3" "$work/$1.sqlite3"
  "$reg" export "$base" "$work/$1.export" /y >/dev/null 2>&1 || fail "snapshot $1"
}
same_store() {  # BEFORE AFTER WHAT
  cmp -s "$work/$1.sqlite3" "$work/$2.sqlite3" || fail "$3: the store file changed"
  cmp -s "$work/$1.export" "$work/$2.export" || fail "$3: the store's keys or values changed"
}

# --- The command line ---------------------------------------------------------
for help in --help -h /? -?; do
  run 0 "$help"
  grep -q '^Usage: matrix-reg' "$work/stdout" || fail "$help: no usage on standard output"
  [ -s "$work/stderr" ] && fail "$help: something on standard error"
done
grep -q '/codepage N' "$work/stdout" || fail "the usage does not name /codepage"
grep -q 'default 1252' "$work/stdout" || fail "the usage does not give the default code page"
for wrong in "" "frob x" "import" "export $base" "export $base a b" "query $base /v" \
             "export $base out.reg /f" "query $base /v a /ve" "import a.reg /codepage"; do
  # shellcheck disable=SC2086
  run 1 $wrong
  grep -q '^Usage: matrix-reg' "$work/stderr" || fail "'$wrong': no usage on standard error"
  [ -s "$work/stdout" ] && fail "'$wrong': something on standard output"
done
run 1 import "$fixtures/utf8.reg" /codepage 12345
grep -q 'code page 12345' "$work/stderr" || fail "an unknown code page is not named: $(cat "$work/stderr")"

# --- Files as Windows and other editors write them -----------------------------
# An absolute path is a file, not a switch.
run 0 import "$fixtures/windows.reg"
grep -qx 'The operation completed successfully.' "$work/stdout" || fail "windows.reg: no success line"
value "$base\\Windows" Size '    Size    REG_DWORD    0xffff'
value "$base\\Windows" 'Имя' '    Имя    REG_SZ    Трубы'
# Names are matched with the store's own letter case rule, Cyrillic too.
value "$base\\Windows" 'иМЯ' '    Имя    REG_SZ    Трубы'
value "$base\\Windows\\Child" Raw '    Raw    REG_BINARY    DEADBEEF'
run 0 export "$base\\Windows" "$work/windows.export.reg"
cmp -s "$fixtures/windows.reg" "$work/windows.export.reg" ||
  fail "windows.reg does not export back byte for byte"

run 0 import "$fixtures/utf8.reg"
value "$base\\Utf8" 'Город' '    Город    REG_SZ    Москва'

run 0 import "$fixtures/regedit4-1252.reg"
value "$base\\Ansi" Name '    Name    REG_SZ    Müller'
value "$base\\Ansi" Expand '    Expand    REG_EXPAND_SZ    %TEMP%\ü'
value "$base\\Ansi" Multi '    Multi    REG_MULTI_SZ    a\0é'
run 0 import "$fixtures/regedit4-1251.reg" /codepage 1251
value "$base\\Cyrillic" Name '    Name    REG_SZ    Трубы'
value "$base\\Cyrillic" Letter '    Letter    REG_SZ    Ѓ'
# Read as 1252, the same file holds a byte (0x81) that is no character.
snapshot before-1252
run 1 import "$fixtures/regedit4-1251.reg"
grep -q 'line 5:.*1252' "$work/stderr" || fail "an undefined byte is not refused with its line: $(cat "$work/stderr")"
snapshot after-1252
same_store before-1252 after-1252 "a byte that is no text"

run 0 import "$fixtures/constructs.reg"
value "$base\\Constructs" Flag '    Flag    REG_DWORD    0x1'
value "$base\\Constructs" Spaced '    Spaced    REG_SZ    around the equals sign'
value "$base\\Constructs" Tabbed '    Tabbed    REG_SZ    tabs'
value "$base\\Constructs" Semicolon '    Semicolon    REG_SZ    a;b'
value "$base\\Constructs" Bytes '    Bytes    REG_BINARY    0102030405'
run 0 query "$base\\Constructs" /ve
grep -qxF '    (Default)    REG_SZ    default' "$work/stdout" || fail "@ = with blanks"
value "$base\\Constructs\\B" InB '    InB    REG_SZ    yes'
value "$base\\Constructs\\B" Last '    Last    REG_BINARY    AABB'
# The comment that ends in '\' swallowed the key line after it.
run 1 query "$base\\Constructs" /v InB

run 0 import "$fixtures/cr-only.reg"
value "$base\\Cr" B '    B    REG_BINARY    0102'

run 0 import "$fixtures/deleted-key-values.reg"
grep -q 'line 7:.*ignored' "$work/stderr" || fail "no warning for a value after [-KEY]: $(cat "$work/stderr")"
grep -q 'line 8:.*ignored' "$work/stderr" || fail "no warning for the second value after [-KEY]"
run 1 query "$base\\Gone"

# --- Exports import back exactly ------------------------------------------------
# CR and LF in a REG_SZ, a lone surrogate: the export reads back as it was.
run 0 export "$base" "$work/all.reg"
iconv -f UTF-16LE -t UTF-8 "$work/all.reg" | grep -q '^"Lines"=hex(1):61,00,0d,00,0a,00,62' ||
  fail "a REG_SZ with a line end is not written as hex(1)"
run 0 delete "$base" /f
run 1 query "$base"
run 0 import "$work/all.reg"
run 0 export "$base" "$work/again.reg"
cmp -s "$work/all.reg" "$work/again.reg" || fail "an export does not import back to the same bytes"
# The files named are the only ones left.
run 1 export "$base" "$work/again.reg"
grep -q 'again.reg' "$work/stderr" || fail "an existing file is not named"
run 1 export "$base\\Missing" "$work/missing.reg"
[ -e "$work/missing.reg" ] && fail "a failed export left a file"
# A key named as typed in another case, with a ']' inside its name, exports
# as the store spells it and imports back under that name.
run 0 add "$base\\Cased\\Column[1]" /v w /t REG_DWORD /d 80
run 0 export "${base,,}\\cased" "$work/cased.reg"
iconv -f UTF-16LE -t UTF-8 "$work/cased.reg" | grep -qF 'matrix-cli\Cased\Column[1]]' ||
  fail "an export does not spell the key as the store does"
run 0 delete "$base\\Cased" /f
run 0 import "$work/cased.reg"
run 0 query "$base"
grep -qF 'matrix-cli\Cased' "$work/stdout" || fail "the re-imported key changed its case"
value "$base\\Cased\\Column[1]" w '    w    REG_DWORD    0x50'
# An empty separator of REG_MULTI_SZ items is refused, not split for ever.
timeout 10 "$reg" add "$base\\M" /v m /t REG_MULTI_SZ /s "" /d abc >/dev/null 2>&1
[ $? = 1 ] || fail "an empty /s separator is not refused"

# --- Refused imports leave the store as it was ------------------------------------
good="[$base\\Refused]
\"kept\"=\"no\"
"
deep=$base
for _ in $(seq 512); do deep="$deep\\d"; done
refuse() {  # NAME LINE_TEXT_EXPECTED BAD_LINE_4
  local name=$1 expect=$2 bad=$3
  printf 'Windows Registry Editor Version 5.00\r\n\r\n%s%s\r\n' "$good" "$bad" >"$work/$name.reg"
  snapshot "before-$name"
  run 1 import "$work/$name.reg"
  grep -q -- "$expect" "$work/stderr" || fail "$name: '$(cat "$work/stderr")' does not say '$expect'"
  grep -q 'nothing was imported' "$work/stderr" || fail "$name: does not say that nothing was imported"
  snapshot "after-$name"
  same_store "before-$name" "after-$name" "$name"
}
refuse root-deletion 'line 5:.*root' '[-HKEY_CURRENT_USER]'
refuse doubled-backslash 'line 5:.*\\' "[$base\\\\twice]"
refuse long-name 'line 5:.*255' "[$base\\$(printf 'n%.0s' $(seq 256))]"
refuse too-deep 'line 5:.*512' "[$deep]"
refuse classes-root 'line 5:.*HKEY_CLASSES_ROOT.*HKEY_CURRENT_USER.*HKEY_LOCAL_MACHINE' '[HKEY_CLASSES_ROOT\.txt]'
refuse users 'line 5:.*HKEY_USERS' '[HKEY_USERS\.DEFAULT]'

# A store that refuses a write half-way: a file size limit a little above what
# the store holds, and an import of about 4 MB. SIGXFSZ is ignored, so that
# the write fails rather than the process.
{
  printf 'Windows Registry Editor Version 5.00\r\n\r\n[%s\\Big]\r\n' "$base"
  text=$(printf 'x%.0s' $(seq 1000))
  for i in $(seq 1000); do printf '"v%d"="%s"\r\n' "$i" "$text"; done
} >"$work/big.reg"
snapshot before-big
largest=$(du -k "$MATRIX_REGISTRY_DIR"/user.sqlite3* | sort -n | tail -1 | cut -f1)
(trap '' XFSZ; ulimit -f $((largest + 256)); exec "$reg" import "$work/big.reg") \
  >"$work/stdout" 2>"$work/stderr"
status=$?
[ "$status" = 1 ] || fail "an import past the size limit: exit status $status ($(cat "$work/stderr"))"
grep -q 'nothing was imported' "$work/stderr" || fail "a store full half-way: $(cat "$work/stderr")"
snapshot after-big
same_store before-big after-big "a store full half-way"

[ "$failures" = 0 ] && echo "matrix-reg: all checks passed"
exit $((failures > 0))
