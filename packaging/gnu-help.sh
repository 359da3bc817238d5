#!/bin/sh
# Runs PROGRAM OPTION and rewrites what --help prints into the layout
# help2man reads: "Usage:" and "  or:" lines for the synopsis, each command
# on one line, and "Commands:" and "Exit status:" as sections of their own.
# Everything else passes unchanged.
#   gnu-help.sh PROGRAM --help|--version
set -eu
"$1" "$2" | awk '
  NR == 1 && sub(/^usage: /, "Usage: ") { synopsis = 1; line = $0; next }
  synopsis && /^       [^ ]/ { print line; sub(/^ +/, "  or:  "); line = $0; next }
  synopsis && /^        +\[/ { sub(/^ +/, " "); line = line $0; next }
  synopsis { print line; synopsis = 0 }
  /^Commands:$/ { print "*Commands*"; next }
  sub(/^Exit status: /, "*Exit status*\n") { print; next }
  { print }
  END { if (synopsis) print line }
'
