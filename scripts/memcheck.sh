#!/usr/bin/env bash
# Runs the end-to-end cases that open, close and quit document windows with the real
# program under valgrind's memcheck, which also sees memory faults inside Qt's own code.
# Prints each program process's error summary and fails on any error. Only the program's
# own processes are judged: a child it forked that then started another program (valgrind
# does not follow an exec) leaves a log without a summary, which is said and not counted.
# Run alone, it also checks at its end that it left no process behind.
#
#   bash scripts/memcheck.sh [path/to/varnotex] [case-pattern]
set -uo pipefail
cd "$(dirname "$0")/.."
bin=${1:-build/varnotex}
pattern=${2:-'^(close_all_three_times|close_all_cancel_keeps_that_window|close_prompt_cancel_and_no|quit_prompt_cancel_keeps_everything)$'}
command -v valgrind >/dev/null || { echo "memcheck: valgrind is missing (bash scripts/install-deps.sh installs it)"; exit 1; }
source scripts/leftovers.sh
own_mark=""
if [[ -z ${VARNOTEX_TEST_RUN:-} ]]; then
  own_mark="memcheck-$$-$(date +%s%N)"
  export VARNOTEX_TEST_RUN=$own_mark
fi
logs=$(mktemp -d /tmp/varnotex-memcheck.XXXXXX)
VARNOTEX_E2E_WAIT=120 VARNOTEX_E2E_MEMCHECK="$logs" bash tests/e2e/run.sh "$bin" "$pattern"
e2e=$?

# The process id of a log and of its parent, from valgrind's header.
log_pid() { local name=${1##*/memcheck.}; echo "${name%.log}"; }
log_parent() { sed -n 's/^==[0-9]*== Parent PID: \([0-9]*\)$/\1/p' "$1" | head -n 1; }
declare -A traced=()
for log in "$logs"/memcheck.*.log; do
  [[ -e $log ]] && traced[$(log_pid "$log")]=1
done

errors=0
count=0
for log in "$logs"/memcheck.*.log; do
  [[ -e $log ]] || continue
  summary=$(grep -h "ERROR SUMMARY" "$log" | tail -n 1)
  parent=$(log_parent "$log")
  if [[ -z $summary && -n $parent && -n ${traced[$parent]:-} ]]; then
    started=$(grep -h -m1 -o 'execve[^)]*' "$log" || true)
    echo "memcheck: ${log##*/} is a child of process $parent that started another program; not judged${started:+ ($started)}"
    continue
  fi
  count=$((count + 1))
  echo "memcheck: ${log##*/}: ${summary#==*== }"
  if ! grep -q "ERROR SUMMARY: 0 errors" <<<"$summary"; then
    errors=1
    echo "memcheck: the report of ${log##*/}:"
    sed 's/^/    /' "$log"
  fi
done
rm -rf "$logs"
leftover=0
if [[ -n $own_mark ]]; then
  check_leftovers "$own_mark" || leftover=1
fi
if [[ $count == 0 ]]; then
  echo "memcheck: no program ran"
  exit 1
fi
[[ $e2e == 0 && $errors == 0 && $leftover == 0 ]]
