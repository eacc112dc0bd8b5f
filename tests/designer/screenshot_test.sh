#!/usr/bin/env bash
# The designer's --screenshot as the documentation runs it, on Qt's
# offscreen platform: a PNG of the whole window with the drawing visible,
# one line and exit status 2 for a bad document or argument, 1 for a picture
# that cannot be written.
#
#   screenshot_test.sh DESIGNER SAMPLE PNG_INK WORK_DIR
set -uo pipefail
designer=$1 sample=$2 png_ink=$3 work=$4
rm -rf "$work" && mkdir -p "$work"
export QT_QPA_PLATFORM=offscreen
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

if ! "$designer" --screenshot "$work/shot.png" "$sample" 2>"$work/stderr"; then
  fail "the screenshot failed: $(cat "$work/stderr")"
fi
# The plan view's middle, inside the drawing panel of the 1280x800 window:
# lines and markers, not an empty white page.
ink=$("$png_ink" "$work/shot.png" 600 100 360 300) || fail "png_ink failed"
[ "${ink:-0}" -gt 800 ] || fail "no drawing in the screenshot (ink $ink)"
whole=$("$png_ink" "$work/shot.png") || fail "png_ink failed"
[ "${whole:-0}" -gt 100000 ] || fail "the window is blank (ink $whole)"
size=$(od -An -tu1 -j16 -N8 "$work/shot.png" | tr -s ' ')
[ "$size" = " 0 0 5 0 0 0 3 32" ] || fail "not 1280x800: $size"

printf '{"fields": {' >"$work/bad.json"
bad() {  # name, expected text, arguments...
  local name=$1 expect=$2
  shift 2
  timeout 60 "$designer" "$@" >"$work/stdout" 2>"$work/stderr"
  local status=$?
  [ "$status" = 2 ] || fail "$name: exit status $status, not 2"
  [ "$(wc -l <"$work/stderr")" = 1 ] || fail "$name: not one line: $(cat "$work/stderr")"
  grep -qF -- "$expect" "$work/stderr" || fail "$name: '$(cat "$work/stderr")' does not say '$expect'"
}
bad not-json "does not parse as JSON" --screenshot "$work/bad.png" "$work/bad.json"
bad missing "no-such.json" --screenshot "$work/bad.png" "$work/no-such.json"
bad option "unknown option --big" --big
# An empty name started the window instead, and it never ended.
bad empty-name "--screenshot needs a file name" --screenshot "" "$sample"
[ -e "$work/bad.png" ] && fail "a picture was written for a bad document"
"$designer" --screenshot "$work/no-folder/shot.png" "$sample" 2>"$work/stderr"
[ $? = 1 ] || fail "an unwritable picture is not status 1"

[ "$failures" = 0 ] && echo "all designer screenshot checks passed"
exit $((failures > 0))
