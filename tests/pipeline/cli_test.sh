#!/usr/bin/env bash
# The pipeline program as a user runs it: the sample's outputs (a report, a
# well-formed SVG that renders to a picture that is not blank), one line and
# exit status 2 for each bad document, exit status 1 for an output folder
# that cannot be written, nothing half-written left behind.
#
#   cli_test.sh PIPELINE SAMPLE PNG_INK WORK_DIR
set -uo pipefail
pipeline=$1 sample=$2 png_ink=$3 work=$4
rm -rf "$work" && mkdir -p "$work"
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

# --- The sample --------------------------------------------------------------
out="$work/sample-out"
if ! "$pipeline" "$sample" --out "$out" >"$work/stdout" 2>"$work/stderr"; then
  fail "the sample run failed: $(cat "$work/stderr")"
fi
grep -q "^report: $out/sample.txt$" "$work/stdout" || fail "no report path in: $(cat "$work/stdout")"
grep -q "^drawing: $out/sample.svg$" "$work/stdout" || fail "no drawing path"
grep -q "length" "$work/stdout" || fail "no summary"
[ -s "$out/sample.txt" ] || fail "no report"
ls -A "$out" | grep -q '\.tmp$' && fail "a temporary file was left: $(ls -A "$out")"
xmllint --noout "$out/sample.svg" || fail "the SVG is not well-formed"
if rsvg-convert "$out/sample.svg" -o "$work/sample.png"; then
  ink=$("$png_ink" "$work/sample.png") || fail "png_ink failed"
  [ "${ink:-0}" -gt 2000 ] || fail "the picture is blank (ink $ink)"
else
  fail "rsvg-convert cannot render the SVG"
fi
for v in plan iso profile; do
  "$pipeline" "$sample" --out "$work/$v" --view "$v" >/dev/null 2>&1 || fail "--view $v"
  xmllint --noout "$work/$v/sample.svg" || fail "--view $v: SVG not well-formed"
done
# Each view is a group of its own; the default draws all three.
for g in plan profile iso; do
  grep -q "<g id=\"$g\">" "$out/sample.svg" || fail "the default drawing has no $g group"
done
grep -q '<g id="profile">' "$work/profile/sample.svg" || fail "--view profile: no profile group"
grep -q '<g id="plan">' "$work/profile/sample.svg" && fail "--view profile: a plan was drawn"
grep -q '<g id="profile">' "$work/plan/sample.svg" && fail "--view plan: a profile was drawn"
grep -q "Profile, levels exaggerated 10x" "$out/sample.svg" || fail "the exaggeration is not stated"
"$pipeline" "$sample" --out "$work/x25" --view profile --exaggeration 25 >/dev/null 2>&1 || fail "--exaggeration 25"
grep -q "Profile, levels exaggerated 25x" "$work/x25/sample.svg" || fail "--exaggeration 25 is not stated"
grep -q "^  least cover [0-9.]* m at chainage [0-9.]* m; [0-9]* of 7 nodes and [0-9]* stretch" "$work/stdout" ||
  fail "no least cover along the route in: $(cat "$work/stdout")"
grep -q "^Profile$" "$out/sample.txt" || fail "no profile in the report"
"$pipeline" --version | grep -q '^pipeline [0-9]' || fail "--version"

# --- Bad documents: one line, status 2, no output ---------------------------
good_fields='"outer_diameter": "0.2", "wall": "0.01", "bend_radius": 1.5, "pressure": 2,
  "density": 7850, "min_cover": 0.8, "cycles": 2000, "amplitude": 29000'
two_nodes='{"x": 0, "y": 0, "z": 0}, {"x": 10, "y": 0, "z": 0}'
bad() {  # name, expected text in the message, document
  local name=$1 expect=$2 doc=$3
  printf '%s' "$doc" >"$work/$name.json"
  "$pipeline" "$work/$name.json" --out "$work/bad-out" >"$work/stdout" 2>"$work/stderr"
  local status=$?
  [ "$status" = 2 ] || fail "$name: exit status $status, not 2"
  [ "$(wc -l <"$work/stderr")" = 1 ] || fail "$name: not one line: $(cat "$work/stderr")"
  grep -qF -- "$expect" "$work/stderr" || fail "$name: '$(cat "$work/stderr")' does not say '$expect'"
  [ -e "$work/bad-out" ] && fail "$name: an output was written" && rm -rf "$work/bad-out"
}
bad not-json "does not parse as JSON" '{"fields": {'
bad missing-field "fields: wall is missing" "{\"fields\": {\"outer_diameter\": 1}, \"nodes\": [$two_nodes]}"
bad misspelt-field 'fields: unknown field "wal"' "{\"fields\": {${good_fields/\"wall\"/\"wal\"}}, \"nodes\": [$two_nodes]}"
bad formula-fault "fields: wall:" "{\"fields\": {${good_fields/\"0.01\"/\"1/0\"}}, \"nodes\": [$two_nodes]}"
bad one-node "at least two" "{\"fields\": {$good_fields}, \"nodes\": [{\"x\": 0, \"y\": 0, \"z\": 0}]}"
bad coincident "nodes 1 and 2 coincide" "{\"fields\": {$good_fields}, \"nodes\": [{\"x\": 0, \"y\": 0, \"z\": 0}, {\"x\": 0, \"y\": 0, \"z\": 0}]}"
bad text-coordinate 'node 2: y is not a number' "{\"fields\": {$good_fields}, \"nodes\": [{\"x\": 0, \"y\": 0, \"z\": 0}, {\"x\": 1, \"y\": \"north\", \"z\": 0}]}"
bad profile-step "profile_step: 2 m is not more than 0 and at most 1 m" "{\"fields\": {$good_fields}, \"nodes\": [$two_nodes], \"profile_step\": 2}"
bad twice-step "profile_step is given twice" "{\"fields\": {$good_fields}, \"nodes\": [$two_nodes], \"profile_step\": 0.5, \"profile_step\": 1}"
bad not-utf8 "not UTF-8" $'{"title": "\xff"}'
printf '{}' >"$work/empty.json"
"$pipeline" "$work/no-such-file.json" >/dev/null 2>&1; [ $? = 2 ] || fail "a missing input is not status 2"
"$pipeline" --view sideways >/dev/null 2>&1; [ $? = 2 ] || fail "a bad option is not status 2"
for x in 0 -3 abc 1e9 10x "" 1e-310 0.05; do
  "$pipeline" "$sample" --out "$work/bad-x" --exaggeration "$x" >/dev/null 2>"$work/stderr"
  status=$?
  [ "$status" = 2 ] || fail "--exaggeration '$x': exit status $status, not 2"
  grep -q -- "--exaggeration" "$work/stderr" || fail "--exaggeration '$x': '$(cat "$work/stderr")'"
  [ -e "$work/bad-x" ] && fail "--exaggeration '$x': an output was written" && rm -rf "$work/bad-x"
done

# --- An output folder that cannot be written: status 1, path and reason ------
touch "$work/a-file"
"$pipeline" "$sample" --out "$work/a-file/out" >"$work/stdout" 2>"$work/stderr"
status=$?
[ "$status" = 1 ] || fail "unwritable folder: exit status $status, not 1"
grep -qF "$work/a-file/out" "$work/stderr" || fail "unwritable folder: no path in '$(cat "$work/stderr")'"
grep -qi "not a directory" "$work/stderr" || fail "unwritable folder: no reason in '$(cat "$work/stderr")'"

# --- A full disk: status 1 with the reason, nothing half-written ------------
# A small file system of its own (tmpfs in a user namespace, no root
# needed) holding an old report: too small for the drawing (4 and 16 KiB),
# and for the new report once the drawing is written (28 KiB). A name holds
# either the whole new output or what it held before; no temporary file
# stays.
if unshare -rm true 2>/dev/null; then
  for kib in 4 16 28; do
    full="$work/full-$kib"
    mkdir -p "$full/mount"
    unshare -rm sh -c '
      mount -t tmpfs -o size="$1"k none "$2/mount" || exit 99
      mkdir "$2/mount/out" && printf old >"$2/mount/out/sample.txt"
      "$3" "$4" --out "$2/mount/out" >"$2/stdout" 2>"$2/stderr"
      echo $? >"$2/status"
      cp -a "$2/mount/out" "$2/after"' sh "$kib" "$full" "$pipeline" "$sample"
    [ "$(cat "$full/status" 2>/dev/null)" = 1 ] ||
      fail "full disk ($kib KiB): exit status $(cat "$full/status" 2>/dev/null), not 1"
    grep -q "No space left on device" "$full/stderr" ||
      fail "full disk ($kib KiB): no reason in '$(cat "$full/stderr")'"
    ls -A "$full/after" | grep -q '\.tmp$' &&
      fail "full disk ($kib KiB): a temporary file was left: $(ls -A "$full/after")"
    if [ -e "$full/after/sample.svg" ]; then
      cmp -s "$full/after/sample.svg" "$out/sample.svg" ||
        fail "full disk ($kib KiB): a half-written drawing"
    fi
    report=$(cat "$full/after/sample.txt" 2>/dev/null)
    [ "$report" = old ] || cmp -s "$full/after/sample.txt" "$out/sample.txt" ||
      fail "full disk ($kib KiB): a half-written report"
  done
else
  echo "no user namespaces here: the full-disk checks were skipped"
fi

# --- A report that exists already is replaced whole -------------------------
mkdir -p "$work/again"
printf 'old and longer than nothing' >"$work/again/sample.txt"
"$pipeline" "$sample" --out "$work/again" >/dev/null 2>&1 || fail "second run"
head -1 "$work/again/sample.txt" | grep -q "^Pipe run report$" || fail "the old report was not replaced"

[ "$failures" = 0 ] && echo "all pipeline command checks passed"
exit $((failures > 0))
