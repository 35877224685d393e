#!/usr/bin/env bash
# Opens 50, 100, 200, 400 and 1000 generated small files from the command line, each run
# under a private Xvfb, and prints for each count the time from launch until the program
# is idle and its resident memory then, with the ratio to the previous count.
#
#   bash bench/many_windows.sh [path/to/varnotex] [counts...]
set -u
bin=$(readlink -f "${1:-build/varnotex}")
shift || true
counts=("$@")
[[ ${#counts[@]} -gt 0 ]] || counts=(50 100 200 400 1000)
work=$(mktemp -d /tmp/varnotex-many.XXXXXX)
trap 'kill $xvfb 2>/dev/null; rm -rf "$work"' EXIT

Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/fd" >/dev/null 2>&1 &
xvfb=$!
for _ in $(seq 100); do [[ -s $work/fd ]] && break; sleep 0.1; done
export DISPLAY=":$(tr -dc 0-9 <"$work/fd")"

ticks() { awk '{print $14 + $15}' "/proc/$1/stat" 2>/dev/null; }
now_ms() { date +%s%3N; }

printf '%6s %10s %9s %12s %12s\n' files "idle (s)" "RSS (MB)" "time ratio" "MB/window"
prev_t="" prev_m="" prev_n=""
for n in "${counts[@]}"; do
  dir="$work/$n"
  mkdir -p "$dir/home"
  printf '[Save]\r\nAutoSaveSettings=0\r\nAutoSaveOpenFiles=0\r\n' >"$dir/VARNX.ini"
  for i in $(seq -w 1 "$n"); do printf 'Notiz %s\r\nzweite Zeile\r\n' "$i" >"$dir/note$i.txt"; done
  start=$(now_ms)
  (cd "$dir" && exec env HOME="$dir/home" XDG_RUNTIME_DIR="$dir" XDG_CONFIG_HOME="$dir/home" QT_QPA_PLATFORM=xcb \
     "$bin" note*.txt >/dev/null 2>&1) &
  pid=$!
  # Idle: the process has used no CPU time for 300 ms (ticks are 10 ms).
  last=-1 still=0 idle_at=""
  while kill -0 "$pid" 2>/dev/null; do
    t=$(ticks "$pid")
    if [[ -n $t && $t == "$last" ]]; then
      still=$((still + 1))
      if [[ $still -ge 6 ]]; then idle_at=$(( $(now_ms) - 300 )); break; fi
    else
      still=0
      last=$t
    fi
    sleep 0.05
  done
  rss=$(awk '/VmRSS/ {print $2}' "/proc/$pid/status" 2>/dev/null)
  kill -9 "$pid" 2>/dev/null
  wait "$pid" 2>/dev/null
  secs=$(awk -v a="$start" -v b="$idle_at" 'BEGIN { printf "%.2f", (b - a) / 1000 }')
  mb=$(awk -v r="$rss" 'BEGIN { printf "%.1f", r / 1024 }')
  ratio="" per=""
  if [[ -n $prev_t ]]; then
    ratio=$(awk -v a="$secs" -v b="$prev_t" 'BEGIN { printf "%.2fx", (b > 0 ? a / b : 0) }')
    per=$(awk -v a="$mb" -v b="$prev_m" -v n="$n" -v p="$prev_n" 'BEGIN { printf "%.3f", (a - b) / (n - p) }')
  fi
  printf '%6s %10s %9s %12s %12s\n' "$n" "$secs" "$mb" "$ratio" "$per"
  prev_t=$secs prev_m=$mb prev_n=$n
done
