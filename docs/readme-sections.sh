#!/bin/sh
# Doxygen's input filter of docs/mainpage.md (FILTER_PATTERNS in
# docs/Doxyfile): copies the page and puts in place of each line
#   <!-- section FILE HEADING -->
# the section of FILE (relative to the source root, where Doxygen runs)
# under the level-2 heading "## HEADING", up to the next heading of level 1
# or 2, without its heading line. Links to files of the repository become
# their plain text, since the reference holds no such files. So the main
# page always shows what README.md and platform/README.md say now.
set -eu
awk '
  /^<!-- section [^ ]+ .* -->$/ {
    file = $3
    heading = $0
    sub(/^<!-- section [^ ]+ /, "", heading)
    sub(/ -->$/, "", heading)
    found = 0; inside = 0
    while ((getline line < file) > 0) {
      if (line ~ /^##? /) {
        if (inside) break
        if (line == "## " heading) { inside = 1; found = 1; continue }
      }
      if (inside) {
        # [text](relative/path) -> text; web links stay
        while (match(line, /\[[^]]*\]\([^):]*\)/)) {
          link = substr(line, RSTART, RLENGTH)
          text = link
          sub(/^\[/, "", text)
          sub(/\]\(.*$/, "", text)
          line = substr(line, 1, RSTART - 1) text substr(line, RSTART + RLENGTH)
        }
        print line
      }
    }
    close(file)
    if (!found) {
      print "readme-sections.sh: no section \"" heading "\" in " file > "/dev/stderr"
      exit 1
    }
    next
  }
  { print }
' "$1"
