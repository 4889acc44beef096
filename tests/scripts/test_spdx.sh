#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# scripts/spdx.sh on a made-up tree: --check finds exactly the unmarked files,
# --fix marks them without breaking any, and a second --fix changes nothing.
set -uo pipefail
SPDX=${1:?path of spdx.sh}
T=$(mktemp -d)
trap 'rm -rf "$T"' EXIT
fail=0
bad() { echo "FAIL: $*"; fail=1; }
TAG="SPDX-License-Identifier: GPL-3.0-or-later"

mkdir -p "$T/src" "$T/ci" "$T/man" "$T/tests/fuzz/corpus/x" "$T/build-x"
# file | content (printf format) | what its first lines must be after --fix
cases=(
  "src/a.cpp|int a;\n|// $TAG\nint a;\n"
  "src/crlf.h|#pragma once\r\nint b;\r\n|// $TAG\r\n#pragma once\r\n"
  "ci/run|#!/bin/sh\necho ran\n|#!/bin/sh\n# $TAG\necho ran\n"
  "ci/bare|#!/bin/sh|#!/bin/sh\n# $TAG\n"
  "ci/win step.sh|#!/bin/sh\r\necho ran\r\n|#!/bin/sh\r\n# $TAG\r\necho ran\r\n"
  "src/CMakeLists.txt|add_subdirectory(x)\n|# $TAG\nadd_subdirectory(x)\n"
  "src/res.qrc|<?xml version=\"1.0\"?>\n<RCC/>\n|<?xml version=\"1.0\"?>\n<!-- $TAG -->\n<RCC/>\n"
  "man/tool.1|.TH TOOL 1\n|.\\\\\" $TAG\n.TH TOOL 1\n"
  "src/empty.cpp||// $TAG\n"
)
# Already marked, or not ours to mark: left exactly as they are.
keep=(
  "ci/marked|#!/bin/sh\n# $TAG\necho ran\n"
  "README.md|# Title\n"
  "data.csv|a,b\n"
  "tests/fuzz/corpus/x/seed.cpp|junk\n"
  "build-x/gen.cpp|int g;\n"
)
for c in "${cases[@]}" "${keep[@]}"; do
  IFS='|' read -r f content _ <<< "$c"
  printf "$content" > "$T/$f"
done
chmod 755 "$T/ci/run" "$T/ci/bare" "$T/ci/marked"
sum() { (cd "$T" && find . -type f ! -path './build-x/*' -exec md5sum {} + | sort); }

out=$(bash "$SPDX" --check "$T" 2>/dev/null); rc=$?
[ $rc -eq 1 ] || bad "--check on unmarked files: exit $rc, not 1"
expected=$(for c in "${cases[@]}"; do echo "${c%%|*}"; done | sort)
[ "$(sort <<< "$out")" = "$expected" ] || bad "--check listed:"$'\n'"$out"$'\n'"expected:"$'\n'"$expected"

before=$(for k in "${keep[@]}"; do md5sum "$T/${k%%|*}"; done)
bash "$SPDX" --fix "$T" >/dev/null || bad "--fix failed"
for c in "${cases[@]}"; do
  IFS='|' read -r f _ want <<< "$c"
  n=$(printf "$want" | wc -c)
  [ "$(head -c "$n" "$T/$f" | od -c)" = "$(printf "$want" | od -c)" ] ||
    bad "$f starts with:"$'\n'"$(head -c "$n" "$T/$f" | od -c)"
done
[ "$before" = "$(for k in "${keep[@]}"; do md5sum "$T/${k%%|*}"; done)" ] || bad "--fix changed a file it must leave alone"
[ -x "$T/ci/run" ] || bad "--fix dropped the executable bit"
[ "$("$T/ci/run")" = ran ] || bad "a fixed script no longer runs"
[ -z "$(find "$T" -name '*.spdx.*')" ] || bad "--fix left a temporary file"

bash "$SPDX" --check "$T" >/dev/null || bad "--check after --fix: exit $?"
marked=$(sum)
bash "$SPDX" --fix "$T" >/dev/null
[ "$marked" = "$(sum)" ] || bad "a second --fix changed files"
[ $fail -eq 0 ] && echo "spdx.sh: all checks passed"
exit $fail
