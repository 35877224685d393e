#!/usr/bin/env bash
# The layer check passes on the source tree and refuses each kind of include that points
# up or sideways, in a small tree of its own.
set -uo pipefail
check="$1/scripts/check_layers.sh"
src="$1"
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

out=$(bash "$check" "$src") || fail "the source tree breaks the layers: $out"

tree=$(mktemp -d)
trap 'rm -rf "$tree"' EXIT
mkdir -p "$tree"/{platform,editor,toolbars,settings,links,recovery,dialogs,document,app,tests}
echo '#pragma once' >"$tree/platform/files.h"
printf '#include "platform/files.h"\n' >"$tree/editor/editor.cpp"
printf '#include "editor/editor.h"\n#include "settings/globals.h"\n' >"$tree/dialogs/dialog.cpp"
printf '#include "document/window.h"\n#include "toolbars/dock.h"\n' >"$tree/app/frame.cpp"
# Tests may include anything.
printf '#include "app/frame.h"\n' >"$tree/tests/frame_test.cpp"
out=$(bash "$check" "$tree") || fail "a tree whose includes all point down was refused: $out"

expect_refusal() {  # file, content, what the message must name
  printf '%s\n' "$2" >"$tree/$1"
  if out=$(bash "$check" "$tree"); then
    fail "$1 with '$2' passed"
  elif [[ "$out" != *"$3"* ]]; then
    fail "$1 with '$2': the message does not name $3: $out"
  fi
  rm -f "$tree/$1"
}
expect_refusal document/window.cpp '#include "app/mainform.h"' 'app/mainform.h'
expect_refusal dialogs/dialog2.h '#include "document/window.h"' 'document/window.h'
expect_refusal toolbars/dock.cpp '#include "editor/editor.h"' 'editor/editor.h'
expect_refusal recovery/journal.cpp '#include "editor/editor.h"' 'editor/editor.h'
expect_refusal platform/files.cpp '  #  include "settings/globals.h"' 'settings/globals.h'
expect_refusal settings/globals.cpp '#include "../app/frame.h"' 'relative path'
mkdir -p "$tree/misc"
expect_refusal misc/helper.cpp '#include "platform/files.h"' 'misc/'

if [[ $failures -eq 0 ]]; then echo "layer check: all cases passed"; fi
exit $((failures > 0))
