#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The licence line at the top of every source, script and CMake file.
#   spdx.sh --check [DIR]   list the files without it; exit 1 if there are any
#   spdx.sh --fix [DIR]     add it, as a comment in each file's own syntax
# DIR defaults to the project; in a git work tree only tracked files count.
set -euo pipefail
TAG="SPDX-License-Identifier: GPL-3.0-or-later"
HEAD_LINES=5 # how far down the line may stand (after a shebang or an XML declaration)

usage() { echo "Usage: $0 --check|--fix [DIR]" >&2; exit 2; }
[ $# -ge 1 ] && [ $# -le 2 ] || usage
mode=$1
case $mode in --check|--fix) ;; *) usage ;; esac
root=${2:-$(dirname "$0")/..}
cd "$root"

# The comment that carries the line in this file, or nothing when the file
# is not one of ours to mark (data, images, documentation, fuzz seeds).
comment_for() {
  local f=$1 first
  case $f in
    tests/fuzz/corpus/*|*/tests/fuzz/corpus/*) return ;;
    *.cpp|*.cc|*.cxx|*.c|*.h|*.hpp) echo "// $TAG"; return ;;
    *.sh|*.bash|*.py|*.cmake|CMakeLists.txt|*/CMakeLists.txt) echo "# $TAG"; return ;;
    *.qrc) echo "<!-- $TAG -->"; return ;;
    *.[1-8]) echo ".\\\" $TAG"; return ;;
  esac
  # Scripts without an extension (CI steps, maintainer scripts): by their shebang.
  IFS= read -r first < "$f" 2>/dev/null || true
  case $first in
    '#!'*sh|'#!'*sh\ *|'#!'*python*) echo "# $TAG" ;;
  esac
}

files() {
  if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
    git ls-files -z
  else
    find . \( -name .git -o -name 'build*' \) -prune -o -type f -print0 | sed -z 's|^\./||'
  fi
}

missing=0
while IFS= read -r -d '' f; do
  [ -f "$f" ] && [ ! -L "$f" ] || continue
  c=$(comment_for "$f")
  [ -n "$c" ] || continue
  # grep reads all five lines: with -q, head could die of SIGPIPE and fail the pipe.
  head -n "$HEAD_LINES" -- "$f" | grep -F "$TAG" >/dev/null && continue
  if [ "$mode" = --check ]; then
    echo "$f"
    missing=1
    continue
  fi
  # After a shebang or an XML declaration, which must stay first; else line 1.
  IFS= read -r first < "$f" || true
  eol=$'\n'
  [ "${first%$'\r'}" = "$first" ] || eol=$'\r\n' # a file with CR LF lines keeps them
  tmp=$(mktemp "$f.spdx.XXXXXX")
  case $first in
    '#!'*|'<?xml'*)
      { printf '%s\n' "$first"; printf '%s%s' "$c" "$eol"; tail -n +2 -- "$f"; } > "$tmp" ;;
    *)
      { printf '%s%s' "$c" "$eol"; cat -- "$f"; } > "$tmp" ;;
  esac
  chmod --reference="$f" "$tmp"
  mv -- "$tmp" "$f"
  echo "added: $f"
done < <(files)

if [ "$mode" = --check ] && [ $missing -ne 0 ]; then
  echo "These files lack \"$TAG\" in their first $HEAD_LINES lines; bash scripts/spdx.sh --fix adds it." >&2
  exit 1
fi
exit 0
