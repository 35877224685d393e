# Cases where somebody else's files, links and names must not steer the program, and where
# a killed save must not cost the file.

# VARNX.ini in the working folder as a FIFO that nobody writes, then as a link to /dev/zero:
# the program says so in one box, starts within 5 s and uses the file of the configuration
# folder (the program runs from a folder without a VARNX.ini of its own), which gets the
# settings of the run at its end.
case_ini_fifo_and_dev_zero_passed_over() {
  local kind conf="$CASE_DIR/home/.config"
  mkdir -p "$CASE_DIR/prog"
  cp "$BIN" "$CASE_DIR/prog/varnotex"
  PROGRAM="$CASE_DIR/prog/varnotex"
  for kind in fifo zero; do
    rm -f "$CWD/VARNX.ini"
    mkdir -p "$conf"
    printf '[Save]\r\nAutoSaveSettings=1\r\nAutoSaveOpenFiles=0\r\n' >"$conf/VARNX.ini"
    if [[ $kind == fifo ]]; then mkfifo "$CWD/VARNX.ini"; else ln -s /dev/zero "$CWD/VARNX.ini"; fi
    local start
    start=$(now_ms)
    launch "$CWD"
    T_WIN=5 wait_window "$APP_PID" "Fehler:" || { fail "no box about the $kind within 5 s"; return 1; }
    answer "$APP_PID" "Fehler:" Return || return 1
    wait_frame "$APP_PID" || return 1
    [[ $(($(now_ms) - start)) -lt 5000 ]] || fail "the start with a $kind took $(($(now_ms) - start)) ms" || return 1
    grep -q "keine gewöhnliche Datei" "$CASE_DIR/app.log" || fail "no line on standard error about the $kind" || return 1
    responsive "$APP_PID" || return 1
    quit "$APP_PID" || return 1
    grep -q '^Width=' "$conf/VARNX.ini" || fail "the file of the configuration folder was not used ($kind)" || return 1
  done
  [[ -L $CWD/VARNX.ini && $(readlink "$CWD/VARNX.ini") == /dev/zero ]] || fail "the link was changed"
}

# A link "www.example.com/evil" while a program of that name lies in the working folder and
# no browser is known: OK in the question hands the URL to the desktop opener, and the
# program never runs.
case_link_never_runs_a_program() {
  write_ini "$CWD" "[Save]" "AutoSaveSettings=0" "AutoSaveOpenFiles=0"
  mkdir -p "$CWD/www.example.com" "$CASE_DIR/bin" "$CASE_DIR/xdg/data" "$CASE_DIR/xdg/config"
  printf '#!/bin/sh\ntouch "%s"\n' "$CASE_DIR/ran" >"$CWD/www.example.com/evil"
  chmod +x "$CWD/www.example.com/evil"
  printf '#!/bin/sh\nprintf "%%s" "$1" >"%s"\n' "$CASE_DIR/opened.txt" >"$CASE_DIR/bin/xdg-open"
  chmod +x "$CASE_DIR/bin/xdg-open"
  local i
  for ((i = 0; i < 40; i++)); do printf 'www.example.com/evil %.0s' $(seq 1 30); printf '\r\n'; done >"$CWD/links.txt"
  EXTRA_ENV=(PATH="$CASE_DIR/bin:/usr/bin:/bin" XDG_DATA_DIRS="$CASE_DIR/xdg/data" XDG_CONFIG_DIRS="$CASE_DIR/xdg/config"
    XDG_DATA_HOME="$CASE_DIR/xdg/data" XDG_CURRENT_DESKTOP=)
  launch "$CWD" links.txt
  wait_frame "$APP_PID" || return 1
  responsive "$APP_PID" || return 1
  click_link "$APP_PID" || return 1
  answer "$APP_PID" "Fehler: Browser nicht gefunden..." Return || return 1
  local deadline=$(($(now_ms) + T_WIN * 1000))
  until [[ -s $CASE_DIR/opened.txt ]]; do
    [[ $(now_ms) -lt $deadline ]] || { fail "the desktop opener was not started"; return 1; }
    sleep 0.1
  done
  [[ $(cat "$CASE_DIR/opened.txt") == "http://www.example.com/evil" ]] || fail "the opener got: $(cat "$CASE_DIR/opened.txt")" || return 1
  [[ ! -e $CASE_DIR/ran ]] || fail "the program of the link's name ran" || return 1
  only_frame "$APP_PID" || return 1
  quit "$APP_PID"
}

# "a\xff.txt" on the command line beside its look-alike "a\xef\xbf\xbd.txt": the program
# says the name is no valid UTF-8 and opens nothing; the look-alike is never touched.
case_name_not_utf8_never_opens_the_twin() {
  write_ini "$CWD" "[Save]" "AutoSaveSettings=0" "AutoSaveOpenFiles=0"
  printf 'raw\r\n' >"$CWD/a"$'\xff'".txt"
  printf 'twin\r\n' >"$CWD/a"$'\xef\xbf\xbd'".txt"
  cp "$CWD/a"$'\xef\xbf\xbd'".txt" "$CASE_DIR/twin.txt"
  launch "$CWD" "a"$'\xff'".txt"
  wait_window "$APP_PID" "Fehler:" || return 1
  answer "$APP_PID" "Fehler:" Return || return 1
  wait_frame "$APP_PID" || return 1
  only_frame "$APP_PID" || return 1
  quit "$APP_PID" || return 1
  same_file "$CWD/a"$'\xef\xbf\xbd'".txt" "$CASE_DIR/twin.txt" "the look-alike was changed"
}

# An in-place save (the file has a second hard link) killed at 20 points: the next start puts
# the old text back and says so, or the save had ended and the file is the new text; either
# way the file is one of the two exactly, under both names, and nothing is left behind.
# VARNOTEX_E2E_INPLACE_MB sets the size (200 MB by default).
case_kill_during_in_place_save() {
  write_ini "$CWD" "[Save]" "AutoSaveSettings=0" "AutoSaveOpenFiles=0"
  local mb=${VARNOTEX_E2E_INPLACE_MB:-200}
  make_text "$CASE_DIR/old.txt" $((mb * 1000))
  { printf 'Z'; cat "$CASE_DIR/old.txt"; } >"$CASE_DIR/new.txt"
  local old_sum new_sum point outcomes="" recovery="$CASE_DIR/home/.local/state/varnotex/recovery"
  old_sum=$(md5sum <"$CASE_DIR/old.txt")
  new_sum=$(md5sum <"$CASE_DIR/new.txt")
  PROGRAM=$FAULT_BIN
  EXTRA_ENV=(VARNOTEX_SLOW_WRITES=big.txt@20)
  for point in $(seq 1 20); do
    cp "$CASE_DIR/old.txt" "$CWD/big.txt"
    rm -f "$CWD/second.txt"
    ln "$CWD/big.txt" "$CWD/second.txt"
    launch "$CWD" big.txt
    wait_frame "$APP_PID" 120 || return 1
    responsive "$APP_PID" || return 1
    type_text "$APP_PID" "Z" || return 1
    menu_save "$APP_PID" || return 1
    # The old bytes are kept before the first one is overwritten; the kill comes a little
    # later at each point.
    local deadline=$(($(now_ms) + 120000))
    until compgen -G "$recovery/save-backup-*" >/dev/null; do
      is_running "$APP_PID" || { fail "the program ended before its save began"; return 1; }
      [[ $(now_ms) -lt $deadline ]] || { fail "the in-place save did not begin"; return 1; }
      sleep 0.01
    done
    sleep "$(awk -v p="$point" -v mb="$mb" 'BEGIN { printf "%.3f", p * mb * 0.022 / 20 }')"
    { kill -9 "$APP_PID" && wait_exit "$APP_PID" 10; } 2>/dev/null
    # The next start: it tells when it put the old text back (a kill while the old bytes
    # were still being kept, or after the save, leaves nothing to put back).
    launch "$CWD"
    wait_frame "$APP_PID" 60 || return 1
    local told=0 re
    re=$(title_re "Speichern unterbrochen...")
    deadline=$(($(now_ms) + 3000))
    while [[ $(now_ms) -lt $deadline ]]; do
      [[ -n $(windows "$APP_PID" "$re") ]] && { told=1; break; }
      sleep 0.1
    done
    [[ $told == 1 ]] && { answer "$APP_PID" "Speichern unterbrochen..." Return || return 1; }
    quit "$APP_PID" || return 1
    local sum
    sum=$(md5sum <"$CWD/big.txt")
    if [[ $sum == "$old_sum" ]]; then
      outcomes+=" $point:old$([[ $told == 1 ]] && echo '(restored)')"
    elif [[ $sum == "$new_sum" && $told == 0 ]]; then
      outcomes+=" $point:new"
    else
      fail "after the kill at point $point the file is neither text (told: $told)"
      return 1
    fi
    cmp -s "$CWD/big.txt" "$CWD/second.txt" || { fail "the two names differ after point $point"; return 1; }
    no_temp_files "$CWD" || return 1
    [[ -z $(ls -A "$recovery" 2>/dev/null) ]] || { fail "the recovery folder still holds: $(ls "$recovery")"; return 1; }
  done
  note "points:$outcomes"
}
