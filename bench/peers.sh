#!/usr/bin/env bash
# Varnotex side by side with KWrite and FeatherPad: the time from launch until the
# program is idle with the file shown, and its resident memory then, for the same
# generated files (1, 10 and 50 MB of text, and 5 MB on one line), under a private Xvfb.
#
#   bash bench/peers.sh [path/to/varnotex]      (default: build/varnotex)
#
# Installs KWrite and FeatherPad from Debian when they are missing (as root, or through
# sudo). "Idle" is the moment after which the program uses less than a tenth of a
# processor for a whole second once its window is shown; the time printed is from launch
# to that moment. Memory is the resident size of the program and its child processes then.
# PEERS_DEBUG=1 prints every sample on standard error.
set -euo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
varnotex=$(realpath "${1:-$here/build/varnotex}")
[ -x "$varnotex" ] || { echo "No varnotex program at $varnotex (build it first)." >&2; exit 1; }

missing=()
command -v kwrite >/dev/null || missing+=(kwrite)
command -v featherpad >/dev/null || missing+=(featherpad)
if ((${#missing[@]})); then
    echo "Installing ${missing[*]} from Debian ..."
    sudo=()
    [ "$(id -u)" = 0 ] || sudo=(sudo)
    "${sudo[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
for tool in Xvfb xdotool perl; do
    command -v "$tool" >/dev/null || { echo "$tool is needed." >&2; exit 1; }
done

work=$(mktemp -d /tmp/varnotex-peers.XXXXXX)
pids=()
cleanup() {
    for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

# The files: German words with line breaks every ten words or so, and one long line.
make_file() {  # name size one_line
    perl -e '
        my ($size, $oneLine) = @ARGV;
        srand(1);
        my @w = ("Grüße ", "Straße ", "und ", "der ", "Text ", "€ ", "„Zitat“ ", "Varnotex ", "Zeile ");
        my $out = "";
        while (length($out) < $size) {
            $out .= $w[int(rand(9))];
            $out .= "\n" if !$oneLine && int(rand(10)) == 0;
        }
        print substr($out, 0, $size);
    ' "$2" "$3" > "$work/$1"
}
make_file 1mb.txt 1000000 0
make_file 10mb.txt 10000000 0
make_file 50mb.txt 50000000 0
make_file line5mb.txt 5000000 1

# A private display with a window manager, and a home of its own for every program.
display=
for n in $(seq 91 160); do
    if [ ! -e "/tmp/.X$n-lock" ] && [ ! -e "/tmp/.X11-unix/X$n" ]; then display=:$n; break; fi
done
[ -n "$display" ] || { echo "No free display number." >&2; exit 1; }
Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
pids+=($!)
export DISPLAY=$display
for _ in $(seq 50); do xdotool getdisplaygeometry >/dev/null 2>&1 && break; sleep 0.1; done
if command -v openbox >/dev/null; then openbox >/dev/null 2>&1 & pids+=($!); fi
sleep 0.5
unset WAYLAND_DISPLAY DBUS_SESSION_BUS_ADDRESS
export QT_QPA_PLATFORM=xcb

cpu_ns() {  # processor time of all threads of a process, in nanoseconds
    local total=0 t v
    for t in /proc/"$1"/task/*/schedstat; do
        read -r v _ < "$t" 2>/dev/null && total=$((total + v))
    done
    echo "$total"
}

rss_kb() {
    local total=0 p
    for p in "$1" $(pgrep -P "$1" 2>/dev/null || true); do
        total=$((total + $(awk '/^VmRSS:/ {print $2}' "/proc/$p/status" 2>/dev/null || echo 0)))
    done
    echo "$total"
}

now_ms() { echo $(($(date +%s%N) / 1000000)); }

# Prints "milliseconds kilobytes" for one program and file, or "- -" on a timeout.
measure() {  # name file
    local name=$1 file=$2 home="$work/home-$1-$RANDOM"
    mkdir -p "$home/run" && chmod 700 "$home/run"
    local start pid last ticks previous shown=0 now
    start=$(now_ms)
    case $name in
    varnotex) HOME=$home XDG_RUNTIME_DIR=$home/run XDG_CONFIG_HOME=$home/.config "$varnotex" "$file" >/dev/null 2>&1 & ;;
    kwrite) HOME=$home XDG_RUNTIME_DIR=$home/run XDG_CONFIG_HOME=$home/.config kwrite "$file" >/dev/null 2>&1 & ;;
    featherpad) HOME=$home XDG_RUNTIME_DIR=$home/run XDG_CONFIG_HOME=$home/.config featherpad "$file" >/dev/null 2>&1 & ;;
    esac
    pid=$!
    # About every 20 ms: a sample in which the program used more than a tenth of the time
    # on a processor is busy. Idle is a second without a busy sample once the window is
    # shown (three seconds should the window not be found by its process); the time is
    # that of the last busy sample.
    previous=0
    last=$start
    local then=$start
    while :; do
        sleep 0.02
        now=$(now_ms)
        if ! kill -0 "$pid" 2>/dev/null; then echo "- -"; return; fi
        if [ "$shown" = 0 ] && xdotool search --onlyvisible --pid "$pid" >/dev/null 2>&1; then shown=1; fi
        ticks=$(cpu_ns "$pid")
        if [ $((ticks - previous)) -gt $(((now - then) * 100000)) ]; then last=$now; fi
        [ -z "${PEERS_DEBUG:-}" ] || echo "$name $((now - start)) ms shown=$shown cpu=$((ticks / 1000000)) last=$((last - start))" >&2
        previous=$ticks
        then=$now
        if [ $((now - last)) -ge 3000 ] || { [ "$shown" = 1 ] && [ $((now - last)) -ge 1000 ]; }; then
            break
        fi
        if [ $((now - start)) -gt 120000 ]; then kill "$pid"; wait "$pid" 2>/dev/null || true; echo "- -"; return; fi
    done
    local rss
    rss=$(rss_kb "$pid")
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
    echo "$((last - start)) $rss"
}

ratio() {  # a b
    if [ "$1" = - ] || [ "$2" = - ] || [ "$2" = 0 ]; then echo "-"; else awk -v a="$1" -v b="$2" 'BEGIN {printf "%.2f", a / b}'; fi
}

printf '%-12s | %-22s | %-22s | %-22s | %-21s | %-21s\n' file "varnotex ms / MB" "KWrite ms / MB" "FeatherPad ms / MB" "vs KWrite time / mem" "vs FeatherPad t / mem"
printf '%s\n' "-------------|------------------------|------------------------|------------------------|-----------------------|----------------------"
for f in 1mb.txt 10mb.txt 50mb.txt line5mb.txt; do
    cat "$work/$f" >/dev/null  # into the page cache for every program alike
    read -r vt vm < <(measure varnotex "$work/$f")
    read -r kt km < <(measure kwrite "$work/$f")
    read -r ft fm < <(measure featherpad "$work/$f")
    mb() { [ "$1" = - ] && echo - || awk -v k="$1" 'BEGIN {printf "%.1f", k / 1024}'; }
    printf '%-12s | %8s ms %7s MB | %8s ms %7s MB | %8s ms %7s MB | %6s x / %6s x     | %6s x / %6s x\n' \
        "$f" "$vt" "$(mb "$vm")" "$kt" "$(mb "$km")" "$ft" "$(mb "$fm")" \
        "$(ratio "$vt" "$kt")" "$(ratio "$vm" "$km")" "$(ratio "$vt" "$ft")" "$(ratio "$vm" "$fm")"
done
echo
echo "Ratios are varnotex divided by the peer: below 1 means varnotex is faster or smaller."
echo "The quiet second that tells idleness is not part of the times."
