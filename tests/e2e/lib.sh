# Helpers of the end-to-end runner: an X server of our own, the program started as a user
# starts it, real key events, and checks of what a user can see from outside.
# Sourced by run.sh; every wait here has a deadline.

T_WIN=${VARNOTEX_E2E_WAIT:-20}   # seconds a window may take to appear or go
T_EXIT=20                         # seconds the program may take to end after Alt+X

WRAPPER=()   # a command the program runs under (valgrind), from the runner's caller
PIDS=()      # every program process started, ended by its id at the end of its case
MOUNTS=()    # file systems mounted by the cases, unmounted at the end
IMMUTABLE=() # folders made immutable by the cases, made changeable again at the end
XVFB_PID=""

log() { printf '%s\n' "$*"; }
note() { printf '    %s\n' "$*"; }
# An assertion that failed: says what, and returns non-zero for "|| return 1".
fail() {
  printf '    FAIL: %s\n' "$*"
  return 1
}

now_ms() { date +%s%3N; }

# skip REASON: the case cannot run here; returns 77, which run_case counts as skipped and
# lists with the reason at the end. A case that needs root says "needs root: ...".
skip() {
  SKIP_REASON=$*
  note "skipped: $*"
  return 77
}

# ---------------------------------------------------------------------------
# The X server

start_x() {
  local fdfile="$WORK/displayfd"
  : >"$fdfile"
  # -displayfd lets the server pick a free display number itself and tell it.
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>"$fdfile" >"$WORK/xvfb.log" 2>&1 &
  XVFB_PID=$!
  local deadline=$(($(now_ms) + 20000)) number=""
  while [[ $(now_ms) -lt $deadline ]]; do
    number=$(tr -dc '0-9' <"$fdfile")
    [[ -n $number ]] && break
    is_running "$XVFB_PID" || break
    sleep 0.1
  done
  if [[ -z $number ]]; then
    log "Xvfb did not start:"
    cat "$WORK/xvfb.log"
    return 1
  fi
  export DISPLAY=":$number"
  # The server answers once it is ready.
  deadline=$(($(now_ms) + 10000))
  until xdotool getmouselocation >/dev/null 2>&1; do
    [[ $(now_ms) -lt $deadline ]] || { log "Xvfb on $DISPLAY does not answer"; return 1; }
    sleep 0.1
  done
}

stop_x() {
  if [[ -n $XVFB_PID ]]; then
    kill "$XVFB_PID" 2>/dev/null
    local deadline=$(($(now_ms) + 5000))
    while is_running "$XVFB_PID" && [[ $(now_ms) -lt $deadline ]]; do sleep 0.1; done
    is_running "$XVFB_PID" && kill -9 "$XVFB_PID" 2>/dev/null
    wait "$XVFB_PID" 2>/dev/null
    XVFB_PID=""
  fi
}

# ---------------------------------------------------------------------------
# Processes

# True while the process runs (a finished child that was not yet waited for does not count).
is_running() {
  local pid=$1 rest state
  [[ -r /proc/$pid/stat ]] || return 1
  read -r rest </proc/"$pid"/stat 2>/dev/null || return 1
  rest=${rest##*) }
  state=${rest%% *}
  [[ -n $state && $state != Z && $state != X ]]
}

# ---------------------------------------------------------------------------
# The session bus

BUS_ADDRESS="" # the D-Bus session bus of the current case
BUS_PID=""     # its daemon, ended by this id at the end of the case

# start_bus: gives the case a session bus of its own, once; every program start of the case
# is told its address. Without it libdbus would autolaunch a bus of its own (dbus-launch
# forks and execs a dbus-daemon that outlives the case). The bus has no service folders,
# so it starts nothing itself. Without dbus-daemon the address names a socket that nobody
# listens on: a set address is never autolaunched.
start_bus() {
  [[ -n $BUS_ADDRESS ]] && return 0
  BUS_ADDRESS="unix:path=$CASE_DIR/no-bus"
  command -v dbus-daemon >/dev/null || return 0
  local conf="$CASE_DIR/bus.conf" pid
  cat >"$conf" <<BUS
<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>session</type>
  <listen>unix:path=$CASE_DIR/session-bus</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
BUS
  pid=$(dbus-daemon --config-file="$conf" --fork --print-pid=1 --nopidfile 2>>"$CASE_DIR/bus.log")
  if [[ $pid =~ ^[0-9]+$ ]]; then
    BUS_PID=$pid
    BUS_ADDRESS="unix:path=$CASE_DIR/session-bus"
  else
    note "no session bus of the case's own ($(tail -n 1 "$CASE_DIR/bus.log" 2>/dev/null)); programs get an address without a bus"
  fi
}

# stop_bus: ends the case's bus daemon by its id.
stop_bus() {
  if [[ -n $BUS_PID ]]; then
    kill "$BUS_PID" 2>/dev/null
    local deadline=$(($(now_ms) + 5000))
    while is_running "$BUS_PID" && [[ $(now_ms) -lt $deadline ]]; do sleep 0.05; done
    is_running "$BUS_PID" && kill -9 "$BUS_PID" 2>/dev/null
  fi
  BUS_PID=""
  BUS_ADDRESS=""
}

# launch DIR [ARGS...]: starts the program with DIR as working directory; APP_PID is its id.
# EXTRA_ENV (an array of NAME=VALUE) is added to its environment; PROGRAM replaces the binary.
# The program runs on the case's own session bus (start_bus) unless EXTRA_ENV names one.
launch() {
  local dir=$1
  shift
  mkdir -p "$CASE_DIR/rt" "$CASE_DIR/home"
  chmod 700 "$CASE_DIR/rt"
  start_bus
  (cd "$dir" && exec env -u QT_QPA_PLATFORM -u SESSION_MANAGER QT_QPA_PLATFORM=xcb DISPLAY="$DISPLAY" \
    DBUS_SESSION_BUS_ADDRESS="$BUS_ADDRESS" \
    XDG_RUNTIME_DIR="$CASE_DIR/rt" HOME="$CASE_DIR/home" XDG_CONFIG_HOME="$CASE_DIR/home/.config" \
    ${EXTRA_ENV[@]+"${EXTRA_ENV[@]}"} ${WRAPPER[@]+"${WRAPPER[@]}"} "${PROGRAM:-$BIN}" "$@") >>"$CASE_DIR/app.log" 2>&1 &
  APP_PID=$!
  PIDS+=("$APP_PID")
}

# wait_exit PID [SECONDS]: waits until the process has ended; EXIT_CODE is its exit code.
wait_exit() {
  local pid=$1 t=${2:-$T_EXIT}
  local deadline=$(($(now_ms) + t * 1000))
  while is_running "$pid"; do
    if [[ $(now_ms) -ge $deadline ]]; then
      EXIT_CODE=""
      return 1
    fi
    sleep 0.05
  done
  wait "$pid" 2>/dev/null
  EXIT_CODE=$?
  return 0
}

# Ends every program process of the case that still runs; says so, since a case should
# have ended its processes itself.
end_leftovers() {
  local pid left=0
  for pid in ${PIDS[@]+"${PIDS[@]}"}; do
    if is_running "$pid"; then
      left=1
      kill -9 "$pid" 2>/dev/null
    fi
    wait "$pid" 2>/dev/null
  done
  PIDS=()
  return $left
}

# ---------------------------------------------------------------------------
# Windows

# An anchored regular expression for one exact window title.
title_re() {
  local s=$1 out="" c i
  for ((i = 0; i < ${#s}; i++)); do
    c=${s:i:1}
    case $c in
      [.\[\]\(\)\*\+\?\{\}\|\^\$\\]) out+="\\$c" ;;
      *) out+=$c ;;
    esac
  done
  printf '^%s$' "$out"
}

# windows PID REGEX: ids of the visible windows of the process whose title matches.
windows() {
  xdotool search --all --onlyvisible --pid "$1" --name "$2" 2>/dev/null
}

# Titles of all visible windows of the process, one a line.
titles() {
  local id
  for id in $(xdotool search --all --onlyvisible --pid "$1" --name '.*' 2>/dev/null); do
    xdotool getwindowname "$id" 2>/dev/null
  done
}

# wait_window PID TITLE [SECONDS]: waits for a visible window with exactly that title; WIN is
# its id.
wait_window() {
  local pid=$1 re t=${3:-$T_WIN} ids
  re=$(title_re "$2")
  local deadline=$(($(now_ms) + t * 1000))
  while :; do
    ids=$(windows "$pid" "$re")
    if [[ -n $ids ]]; then
      WIN=${ids%%$'\n'*}
      return 0
    fi
    if ! is_running "$pid"; then
      fail "the program ended while waiting for the window \"$2\""
      return 1
    fi
    if [[ $(now_ms) -ge $deadline ]]; then
      fail "no window \"$2\" within ${t}s (windows: $(titles "$pid" | paste -sd '|'))"
      return 1
    fi
    sleep 0.1
  done
}

# wait_gone PID TITLE [SECONDS]: waits until no visible window has that title.
wait_gone() {
  local pid=$1 re t=${3:-$T_WIN}
  re=$(title_re "$2")
  local deadline=$(($(now_ms) + t * 1000))
  while [[ -n $(windows "$pid" "$re") ]]; do
    if [[ $(now_ms) -ge $deadline ]]; then
      fail "the window \"$2\" is still there after ${t}s"
      return 1
    fi
    sleep 0.1
  done
}

# wait_closed PID ID TITLE: waits until that one window (by id) is no longer shown; another
# window of the same title may have come meanwhile.
wait_closed() {
  local pid=$1 id=$2 re t=${4:-$T_WIN}
  re=$(title_re "$3")
  local deadline=$(($(now_ms) + t * 1000))
  while grep -q -x -F "$id" <<<"$(windows "$pid" "$re")"; do
    if [[ $(now_ms) -ge $deadline ]]; then
      fail "the window \"$3\" is still there after ${t}s"
      return 1
    fi
    sleep 0.1
  done
}

# Gives the window the keyboard focus (there is no window manager on our server).
focus() {
  xdotool windowfocus --sync "$1" 2>/dev/null || xdotool windowfocus "$1"
  sleep 0.05
}

FRAME_TITLE="Varnotex V1"

# wait_frame PID: waits for the frame window; FRAME is its id.
wait_frame() {
  wait_window "$1" "$FRAME_TITLE" "${2:-$T_WIN}" || return 1
  FRAME=$WIN
}

# keys PID KEY...: key presses into the frame.
keys() {
  local pid=$1
  shift
  wait_frame "$pid" || return 1
  focus "$FRAME"
  xdotool key --delay 60 "$@"
}

# type_text PID TEXT: types the text into the frame, character by character. A character
# the server's keyboard map lacks (ü, ß, €) is bound to a spare key only for its own
# keystroke, and the program must read that binding before xdotool undoes it: a slow
# program (the sanitizer build) would otherwise lose the character. Such characters go
# one at a time, each with a long pause before the binding is undone.
type_text() {
  wait_frame "$1" || return 1
  focus "$FRAME"
  local LC_ALL=C.UTF-8
  local text=$2 run="" ch
  while [[ -n $text ]]; do
    ch=${text:0:1}
    text=${text:1}
    if [[ $ch == [\ -~] ]]; then
      run+=$ch
      continue
    fi
    [[ -z $run ]] || xdotool type --delay 25 "$run"
    run=""
    xdotool type --delay 400 "$ch"
  done
  [[ -z $run ]] || xdotool type --delay 25 "$run"
}

# answer PID TITLE KEY...: waits for the window (a message box or dialog), presses the keys
# in it and waits until it has gone.
answer() {
  local pid=$1 title=$2
  shift 2
  wait_window "$pid" "$title" || return 1
  local box=$WIN
  focus "$box"
  xdotool key --delay 60 "$@"
  wait_closed "$pid" "$box" "$title"
}

# wait_menu PID: waits for an open menu of the process (a visible popup window, which
# bypasses the window manager); MENU is its id.
wait_menu() {
  local pid=$1 id
  local deadline=$(($(now_ms) + T_WIN * 1000))
  while :; do
    for id in $(xdotool search --all --onlyvisible --pid "$pid" --name '.*' 2>/dev/null); do
      if xwininfo -id "$id" 2>/dev/null | grep -q 'Override Redirect State: yes'; then
        MENU=$id
        return 0
      fi
    done
    is_running "$pid" || { fail "the program ended while waiting for a menu"; return 1; }
    [[ $(now_ms) -lt $deadline ]] || { fail "no menu opened within ${T_WIN}s"; return 1; }
    sleep 0.05
  done
}

# menu_gone PID: waits until no menu of the process is open.
menu_gone() {
  local pid=$1 id open
  local deadline=$(($(now_ms) + T_WIN * 1000))
  while :; do
    open=0
    for id in $(xdotool search --all --onlyvisible --pid "$pid" --name '.*' 2>/dev/null); do
      xwininfo -id "$id" 2>/dev/null | grep -q 'Override Redirect State: yes' && open=1
    done
    [[ $open == 0 ]] && return 0
    [[ $(now_ms) -lt $deadline ]] || { fail "a menu is still open after ${T_WIN}s"; return 1; }
    sleep 0.05
  done
}

# Only the frame is open: no message box or dialog is showing.
only_frame() {
  local pid=$1 shown
  shown=$(titles "$pid" | grep -v -x -F "$FRAME_TITLE")
  [[ -z $shown ]] || fail "unexpected window(s): $(paste -sd '|' <<<"$shown")"
}

# The program still takes input: the open dialog comes when asked for and goes again.
responsive() {
  local pid=$1
  is_running "$pid" || { fail "the program is no longer running"; return 1; }
  keys "$pid" F3 || return 1
  answer "$pid" "Datei öffnen..." Escape || return 1
}

# quit PID: Alt+X in the frame, then the program must end with exit code 0.
quit() {
  local pid=$1
  keys "$pid" alt+x || return 1
  expect_exit "$pid" 0
}

expect_exit() {
  local pid=$1 code=$2
  wait_exit "$pid" "${3:-$T_EXIT}" || { fail "the program did not end (windows: $(titles "$pid" | paste -sd '|'))"; return 1; }
  [[ $EXIT_CODE == "$code" ]] || fail "exit code $EXIT_CODE, expected $code"
}

# ---------------------------------------------------------------------------
# Files

# write_ini DIR LINE...: a VARNX.ini with CR LF line breaks.
write_ini() {
  local dir=$1
  shift
  printf '%s\r\n' "$@" >"$dir/VARNX.ini"
}

same_file() {
  cmp -s "$1" "$2" || fail "$3 (${1##*/} differs from ${2##*/})"
}

# wait_content FILE EXPECTED MESSAGE: the file reaches the expected content in time.
wait_content() {
  local deadline=$(($(now_ms) + T_WIN * 1000))
  until cmp -s "$1" "$2"; do
    [[ $(now_ms) -lt $deadline ]] || { same_file "$1" "$2" "$3"; return 1; }
    sleep 0.1
  done
}

# starts_with FILE PREFIX-FILE: the file still begins with every byte of the old one.
starts_with() {
  cmp -s -n "$(stat -c %s "$2")" "$1" "$2" || fail "the old content of ${1##*/} was not kept"
}

# The lines of an INI section without their line breaks, one a line.
ini_section() {
  local file=$1 section=$2
  tr -d '\r' <"$file" | awk -v s="[$section]" '
    /^\[/ { inside = ($0 == s); next }
    inside && NF { print }'
}

# The temporary files a save leaves behind in a folder, if any.
temp_files() {
  find "$1" -maxdepth 1 -name '*.vxtmp-*' 2>/dev/null
}

# open_temp PID DIR: the temporary file the process is writing in DIR, as a path that can be
# stat'ed (-L): its unnamed temporary (O_TMPFILE, "DIR/#inode (deleted)") through /proc, or a
# named one; empty when there is none.
open_temp() {
  local pid=$1 dir fd target
  dir=$(readlink -f "$2")
  for fd in /proc/"$pid"/fd/*; do
    target=$(readlink "$fd" 2>/dev/null) || continue
    if [[ $target == "$dir/#"*" (deleted)" || $target == "$dir/"*.vxtmp-* ]]; then
      echo "$fd"
      return 0
    fi
  done
  return 0
}

no_temp_files() {
  local left
  left=$(temp_files "$1")
  [[ -z $left ]] || fail "temporary files left: $left"
}

# A file system of the given size in kilobytes, mounted at DIR; false when mounting is not
# allowed here.
mount_tmpfs() {
  local dir=$1 size=$2
  mkdir -p "$dir"
  mount -t tmpfs -o "size=${size}k,mode=755" tmpfs "$dir" 2>/dev/null || return 1
  MOUNTS+=("$dir")
}

# A read-only view of SOURCE at DIR.
mount_readonly() {
  local source=$1 dir=$2
  mkdir -p "$dir"
  mount --bind "$source" "$dir" 2>/dev/null || return 1
  MOUNTS+=("$dir")
  mount -o remount,bind,ro "$dir" 2>/dev/null || return 1
  # Root writes anywhere else; here even root must be refused.
  if touch "$dir/.probe" 2>/dev/null; then
    rm -f "$dir/.probe"
    return 1
  fi
}

unmount_all() {
  local i
  for i in ${IMMUTABLE[@]+"${IMMUTABLE[@]}"}; do
    chattr -i "$i" 2>/dev/null
  done
  IMMUTABLE=()
  for ((i = ${#MOUNTS[@]} - 1; i >= 0; i--)); do
    umount "${MOUNTS[i]}" 2>/dev/null || umount -l "${MOUNTS[i]}" 2>/dev/null
  done
  MOUNTS=()
}

# Fills the file system that holds DIR until it is full.
fill_up() {
  dd if=/dev/zero of="$1/filler" bs=4k 2>/dev/null
  sync
  return 0
}
