# Cases of one instance per desktop session and of the first activation without focus.

EXTRA_X_PID=""

# start_extra_x: a further X server for the case; EXTRA_DISPLAY is its display. Ended by
# its id with stop_extra_x (run.sh calls it after every case).
start_extra_x() {
  local fdfile="$CASE_DIR/displayfd2" number="" deadline
  : >"$fdfile"
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset 3>"$fdfile" >"$CASE_DIR/xvfb2.log" 2>&1 &
  EXTRA_X_PID=$!
  deadline=$(($(now_ms) + 20000))
  while [[ -z $number && $(now_ms) -lt $deadline ]]; do
    number=$(tr -dc '0-9' <"$fdfile")
    is_running "$EXTRA_X_PID" || break
    [[ -n $number ]] || sleep 0.1
  done
  [[ -n $number ]] || { fail "a second Xvfb did not start: $(tail -n 2 "$CASE_DIR/xvfb2.log")"; return 1; }
  EXTRA_DISPLAY=":$number"
  deadline=$(($(now_ms) + 10000))
  until DISPLAY=$EXTRA_DISPLAY xdotool getmouselocation >/dev/null 2>&1; do
    [[ $(now_ms) -lt $deadline ]] || { fail "Xvfb on $EXTRA_DISPLAY does not answer"; return 1; }
    sleep 0.1
  done
}

stop_extra_x() {
  [[ -n $EXTRA_X_PID ]] || return 0
  kill "$EXTRA_X_PID" 2>/dev/null
  local deadline=$(($(now_ms) + 5000))
  while is_running "$EXTRA_X_PID" && [[ $(now_ms) -lt $deadline ]]; do sleep 0.1; done
  is_running "$EXTRA_X_PID" && kill -9 "$EXTRA_X_PID" 2>/dev/null
  wait "$EXTRA_X_PID" 2>/dev/null
  EXTRA_X_PID=""
}

# on_display DISPLAY COMMAND...: runs a helper of this file against another X server.
on_display() {
  local saved=$DISPLAY result=0
  export DISPLAY=$1
  shift
  "$@" || result=$?
  export DISPLAY=$saved
  return $result
}

# Two sessions of one user (two displays, one runtime folder): each has an instance of its
# own. A start on the first display in the other spelling of its name (":N.0") goes to the
# first display's instance and ends.
case_single_instance_per_display() {
  write_ini "$CWD" "[MainWindow]" "SingleInstance=1" "[Save]" "AutoSaveSettings=0" "AutoSaveOpenFiles=1"
  printf 'eins\r\n' >"$CWD/a.txt"
  start_extra_x || return 1
  launch "$CWD"
  local first=$APP_PID
  wait_frame "$first" || return 1
  EXTRA_ENV=(DISPLAY="$EXTRA_DISPLAY")
  launch "$CWD"
  local other=$APP_PID
  EXTRA_ENV=()
  on_display "$EXTRA_DISPLAY" wait_frame "$other" || return 1
  on_display "$EXTRA_DISPLAY" responsive "$other" || return 1
  EXTRA_ENV=(DISPLAY="$DISPLAY.0")
  launch "$CWD" a.txt
  EXTRA_ENV=()
  expect_exit "$APP_PID" 0 || return 1
  is_running "$other" || fail "the instance of the other display ended" || return 1
  on_display "$EXTRA_DISPLAY" quit "$other" || return 1
  [[ -z $(ini_section "$CWD/VARNX.ini" OpenFiles) ]] || fail "the other display's instance opened the file" || return 1
  responsive "$first" || return 1
  quit "$first" || return 1
  [[ $(ini_section "$CWD/VARNX.ini" OpenFiles) == "1=$CWD/a.txt" ]] ||
    fail "[OpenFiles] of the first display's instance: $(ini_section "$CWD/VARNX.ini" OpenFiles | paste -sd '|')"
}

# A second start from another folder, with a relative name and a name with a blank split
# in two words: the running instance opens both, as its own command line would, against
# the second start's folder; it takes the start's activation token, and the start ends
# with exit code 0. [OpenFiles] names the files at Alt+X.
case_single_instance_opens_forwarded_files() {
  write_ini "$CWD" "[MainWindow]" "SingleInstance=1" "[Save]" "AutoSaveSettings=0" "AutoSaveOpenFiles=1"
  local there="$CASE_DIR/anderswo"
  mkdir -p "$there"
  # The second start finds its settings in its own working folder.
  write_ini "$there" "[MainWindow]" "SingleInstance=1"
  printf 'erste\r\n' >"$there/b.txt"
  printf 'zweite\r\n' >"$there/zwei Worte.txt"
  launch "$CWD"
  local first=$APP_PID
  wait_frame "$first" || return 1
  local frame=$FRAME
  responsive "$first" || return 1
  EXTRA_ENV=(DESKTOP_STARTUP_ID="e2e-start-1_TIME0")
  launch "$there" b.txt zwei Worte.txt
  EXTRA_ENV=()
  expect_exit "$APP_PID" 0 || return 1
  # The token reached the running instance's frame.
  local deadline=$(($(now_ms) + T_WIN * 1000))
  until xprop -id "$frame" _NET_STARTUP_ID 2>/dev/null | grep -qF '"e2e-start-1_TIME0"'; do
    [[ $(now_ms) -lt $deadline ]] || { fail "no activation token on the frame: $(xprop -id "$frame" _NET_STARTUP_ID 2>&1)"; return 1; }
    sleep 0.1
  done
  responsive "$first" || return 1
  only_frame "$first" || return 1
  quit "$first" || return 1
  local got
  got=$(ini_section "$CWD/VARNX.ini" OpenFiles | sed 's/^[0-9]*=//' | sort)
  [[ $got == "$(printf '%s\n%s' "$there/b.txt" "$there/zwei Worte.txt")" ]] ||
    fail "[OpenFiles]: $(paste -sd '|' <<<"$got")"
}

# A running instance that does not answer (stopped): the second start waits 2 s, says so in
# one German line and runs as if alone.
case_single_instance_hung_first() {
  write_ini "$CWD" "[MainWindow]" "SingleInstance=1" "[Save]" "AutoSaveSettings=0" "AutoSaveOpenFiles=0"
  launch "$CWD"
  local first=$APP_PID
  wait_frame "$first" || return 1
  kill -STOP "$first"
  launch "$CWD"
  local second=$APP_PID
  local result=0
  {
    wait_frame "$second" &&
    grep -qxF "varnotex: Das laufende Programm antwortet nicht innerhalb von 2 Sekunden; dieser Start läuft als eigenes Programm." \
      "$CASE_DIR/app.log" || fail "no line about the instance that does not answer: $(tail -n 3 "$CASE_DIR/app.log")"
  } && responsive "$second" && quit "$second" || result=1
  kill -CONT "$first"
  [[ $result == 0 ]] || return 1
  quit "$first"
}

# A desktop that maps the frame without giving it the focus (the root window claims a window
# manager that handles _NET_ACTIVE_WINDOW, and none does; no window has the focus): the
# first activation runs nonetheless. The command line opens
# a.txt and then a FIFO, whose error report shows that the files were opened before
# anybody focused the frame; at Alt+X [OpenFiles] names a.txt.
case_first_activation_without_focus() {
  write_ini "$CWD" "[Save]" "AutoSaveSettings=0" "AutoSaveOpenFiles=1"
  printf 'eins\r\n' >"$CWD/a.txt"
  mkfifo "$CWD/rohr"
  /usr/bin/python3 "$HERE/netwm_claim.py" set || fail "the root window claims no window manager" || return 1
  launch "$CWD" a.txt rohr
  local result=0 focused="" frame=""
  if wait_window "$APP_PID" "VARNX"; then
    focused=$(xdotool getwindowfocus 2>/dev/null)
    frame=$(windows "$APP_PID" "$(title_re "$FRAME_TITLE")")
  else
    result=1
  fi
  /usr/bin/python3 "$HERE/netwm_claim.py" remove
  [[ $result == 0 ]] || return 1
  [[ -n $frame && $focused != "$frame" ]] || fail "the frame had the focus" || return 1
  answer "$APP_PID" "VARNX" Return || return 1
  quit "$APP_PID" || return 1
  [[ $(ini_section "$CWD/VARNX.ini" OpenFiles) == "1=$CWD/a.txt" ]] ||
    fail "[OpenFiles]: $(ini_section "$CWD/VARNX.ini" OpenFiles | paste -sd '|')"
}
