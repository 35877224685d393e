# Finds the processes a test run left behind (sourced by scripts/test.sh and
# scripts/memcheck.sh). A run exports a mark VARNOTEX_TEST_RUN; every process it starts
# inherits it, also one whose parent has ended (a daemon that forked away).

# check_leftovers MARK: names every running process other than this shell and its
# ancestors whose environment holds VARNOTEX_TEST_RUN=MARK, ends it by its id, and returns
# non-zero when there was one.
check_leftovers() {
  local mark=$1 pid found=0 ancestors=" " p=$$ comm args
  while [[ -n $p && $p != 0 ]]; do
    ancestors+="$p "
    p=$(awk '{ print $4 }' "/proc/$p/stat" 2>/dev/null) || break
  done
  local leftovers=()
  for dir in /proc/[0-9]*; do
    pid=${dir#/proc/}
    [[ $ancestors == *" $pid "* ]] && continue
    [[ $pid == "$BASHPID" ]] && continue
    { tr '\0' '\n' <"$dir/environ"; } 2>/dev/null | grep -qxF "VARNOTEX_TEST_RUN=$mark" || continue
    # A process of this very check (the pipe above) has ended by now.
    [[ -d $dir ]] || continue
    leftovers+=("$pid")
  done
  for pid in ${leftovers[@]+"${leftovers[@]}"}; do
    [[ -d /proc/$pid ]] || continue
    comm=$(cat "/proc/$pid/comm" 2>/dev/null)
    args=$(tr '\0' ' ' <"/proc/$pid/cmdline" 2>/dev/null)
    echo "leftover: process $pid ($comm) still runs: ${args:-?}"
    found=1
    kill "$pid" 2>/dev/null
  done
  if [[ $found == 1 ]]; then
    echo "leftover: the run left processes behind (ended now); it fails"
    return 1
  fi
  echo "leftover: no process of the run is left"
  return 0
}
