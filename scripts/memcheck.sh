#!/usr/bin/env bash
# Runs the end-to-end cases that open, close and quit document windows with the real
# program under valgrind's memcheck, which also sees memory faults inside Qt's own code.
# Prints each process's error summary and fails on any error.
#
#   bash scripts/memcheck.sh [path/to/varnotex] [case-pattern]
set -uo pipefail
cd "$(dirname "$0")/.."
bin=${1:-build/varnotex}
pattern=${2:-'^(close_all_three_times|close_all_cancel_keeps_that_window|close_prompt_cancel_and_no|quit_prompt_cancel_keeps_everything)$'}
command -v valgrind >/dev/null || { echo "memcheck: valgrind is missing (bash scripts/install-deps.sh installs it)"; exit 1; }
logs=$(mktemp -d /tmp/varnotex-memcheck.XXXXXX)
VARNOTEX_E2E_WAIT=120 VARNOTEX_E2E_MEMCHECK="$logs" bash tests/e2e/run.sh "$bin" "$pattern"
e2e=$?
errors=0
count=0
for log in "$logs"/memcheck.*.log; do
  [[ -e $log ]] || continue
  count=$((count + 1))
  summary=$(grep -h "ERROR SUMMARY" "$log" | tail -n 1)
  echo "memcheck: ${summary#==*== }"
  if ! grep -q "ERROR SUMMARY: 0 errors" <<<"$summary"; then
    errors=1
    echo "memcheck: the report of ${log##*/}:"
    sed 's/^/    /' "$log"
  fi
done
rm -rf "$logs"
if [[ $count == 0 ]]; then
  echo "memcheck: no program ran"
  exit 1
fi
[[ $e2e == 0 && $errors == 0 ]]
