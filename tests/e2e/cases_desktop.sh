# Cases of the program as it is installed and used on a Linux desktop: the installed layout,
# the settings file in the configuration folder, the command line and the date under C.

# An installation by "cmake --install" into a prefix of its own, started through its link in
# bin/: the first start asks for the settings file, OK, and Alt+X writes it to ~/.config;
# the second start asks nothing, and F1 opens the guide installed beside the program.
case_installed_prefix() {
  [[ -f $BUILD_DIR/cmake_install.cmake ]] || { skip "no build tree at $BUILD_DIR"; return; }
  local prefix="$CASE_DIR/prefix" config="$CASE_DIR/home/.config/VARNX.ini"
  cmake --install "$BUILD_DIR" --prefix "$prefix" >"$CASE_DIR/install.log" 2>&1 ||
    fail "cmake --install failed: $(tail -n 3 "$CASE_DIR/install.log")" || return 1
  [[ -L $prefix/bin/varnotex ]] || fail "bin/varnotex is no symbolic link" || return 1
  [[ -z $(find "$prefix" -name VARNX.ini) ]] || fail "a settings file was installed: $(find "$prefix" -name VARNX.ini)" || return 1
  PROGRAM="$prefix/bin/varnotex"
  launch "$CWD"
  answer "$APP_PID" "Fehler:" Return || return 1
  wait_frame "$APP_PID" || return 1
  responsive "$APP_PID" || return 1
  quit "$APP_PID" || return 1
  [[ -f $config ]] || fail "Alt+X wrote no $config" || return 1
  [[ -z $(find "$prefix" "$CWD" -name VARNX.ini) ]] || fail "VARNX.ini was written into the program or working folder" || return 1

  printf '[Save]\r\nAutoSaveOpenFiles=1\r\n' >>"$config"
  launch "$CWD"
  wait_frame "$APP_PID" || return 1
  only_frame "$APP_PID" || return 1
  keys "$APP_PID" F1 || return 1
  responsive "$APP_PID" || return 1
  only_frame "$APP_PID" || return 1
  quit "$APP_PID" || return 1
  local got
  got=$(ini_section "$config" OpenFiles)
  [[ $got == "1=$prefix/lib/varnotex/Doc/Readme.txt" ]] || fail "F1 did not open the installed guide: $(paste -sd '|' <<<"$got")"
}

# Two files, the second active: Alt+X (the document window's "Beenden") quits the frame, both
# are remembered, and both come back at the next start.
case_quit_remembers_active_document() {
  write_ini "$CWD" "[Save]" "AutoSaveSettings=0" "AutoSaveOpenFiles=1"
  printf 'eins\r\n' >"$CWD/a.txt"
  printf 'zwei\r\n' >"$CWD/b.txt"
  launch "$CWD" a.txt b.txt
  wait_frame "$APP_PID" || return 1
  responsive "$APP_PID" || return 1
  quit "$APP_PID" || return 1
  local expected got
  expected=$(printf '1=%s\n2=%s' "$CWD/b.txt" "$CWD/a.txt")
  got=$(ini_section "$CWD/VARNX.ini" OpenFiles)
  [[ $got == "$expected" ]] || fail "[OpenFiles] after Alt+X: $(paste -sd '|' <<<"$got")" || return 1
  launch "$CWD"
  wait_frame "$APP_PID" || return 1
  responsive "$APP_PID" || return 1
  only_frame "$APP_PID" || return 1
  quit "$APP_PID" || return 1
  # Both were open again (reopened in list order, so a.txt is now the active one).
  expected=$(printf '1=%s\n2=%s' "$CWD/a.txt" "$CWD/b.txt")
  got=$(ini_section "$CWD/VARNX.ini" OpenFiles)
  [[ $got == "$expected" ]] || fail "[OpenFiles] after the next start: $(paste -sd '|' <<<"$got")"
}

# Words that Qt would take as its own options are file names: "-reverse" opens the file of
# that name, and "-style x.txt" are two words, of which x.txt opens.
case_qt_option_names_are_files() {
  write_ini "$CWD" "[Save]" "AutoSaveSettings=0" "AutoSaveOpenFiles=1"
  printf 'umgekehrt\r\n' >"$CWD/-reverse"
  printf 'x\r\n' >"$CWD/x.txt"
  launch "$CWD" -reverse -style x.txt
  wait_frame "$APP_PID" || return 1
  responsive "$APP_PID" || return 1
  only_frame "$APP_PID" || return 1
  quit "$APP_PID" || return 1
  local expected got
  expected=$(printf '1=%s\n2=%s' "$CWD/x.txt" "$CWD/-reverse")
  got=$(ini_section "$CWD/VARNX.ini" OpenFiles)
  [[ $got == "$expected" ]] || fail "open documents: $(paste -sd '|' <<<"$got")"
}

# Ctrl+D under LC_ALL=C (no language set) inserts the date and time in the German form.
case_date_under_c_locale() {
  write_ini "$CWD" "[Save]" "AutoSaveSettings=0" "AutoSaveOpenFiles=0"
  printf 'Text\r\n' >"$CWD/datum.txt"
  EXTRA_ENV=(LC_ALL=C LANG=C LANGUAGE=)
  launch "$CWD" datum.txt
  wait_frame "$APP_PID" || return 1
  keys "$APP_PID" ctrl+d || return 1
  menu_save "$APP_PID" || return 1
  local deadline=$(($(now_ms) + T_WIN * 1000)) first=""
  while :; do
    first=$(head -n 1 "$CWD/datum.txt" | tr -d '\r')
    [[ $first != Text ]] && break
    [[ $(now_ms) -lt $deadline ]] || break
    sleep 0.1
  done
  [[ $first =~ ^[0-3][0-9]\.[01][0-9]\.[0-9]{4}( [0-2][0-9]:[0-5][0-9]:[0-5][0-9])?$ ]] ||
    fail "the inserted line is not a German date: \"$first\"" || return 1
  local today
  today=$(date +%d.%m.%Y)
  [[ ${first%% *} == "$today" || $(date +%H%M) == 0000 ]] || fail "the date $first is not today ($today)" || return 1
  [[ $(sed -n 2p "$CWD/datum.txt" | tr -d '\r') == Text ]] || fail "the old line did not move down" || return 1
  quit "$APP_PID"
}

# Started from a Wayland session (WAYLAND_DISPLAY and XDG_SESSION_TYPE set, no
# QT_QPA_PLATFORM) with XWayland there (DISPLAY set): the program runs as an X11 client,
# shows its frame on the X display and takes keys there.
case_wayland_session_uses_xwayland() {
  write_ini "$CWD" "[Save]" "AutoSaveSettings=0"
  EXTRA_ENV=(QT_QPA_PLATFORM= WAYLAND_DISPLAY=wayland-varnotex-e2e XDG_SESSION_TYPE=wayland)
  launch "$CWD"
  wait_frame "$APP_PID" || return 1
  responsive "$APP_PID" || return 1
  quit "$APP_PID" || return 1
  # Qt was not sent looking for its Wayland plugin first.
  ! grep -q 'platform plugin "wayland"' "$CASE_DIR/app.log" || fail "Qt tried Wayland: $(grep -m1 wayland "$CASE_DIR/app.log")"
}

# A screen reader's view: on a D-Bus session bus of the case's own, with the accessibility
# bus started from at-spi2-core, the editor of the open document is read through AT-SPI
# (python3-pyatspi): its text with breaks as new lines and its caret, before and after
# typing.
case_screen_reader_reads_editor() {
  /usr/bin/python3 -c 'import pyatspi' 2>/dev/null || { skip "python3-pyatspi is not installed"; return; }
  [[ -x /usr/libexec/at-spi-bus-launcher ]] || { skip "at-spi2-core is not installed"; return; }
  command -v dbus-daemon >/dev/null || { skip "dbus-daemon is not installed"; return; }
  local bus="unix:path=$CASE_DIR/bus" busPid got
  busPid=$(dbus-daemon --session --address="$bus" --fork --print-pid=1 --nopidfile) ||
    fail "no D-Bus session bus" || return 1
  local reader=(env DBUS_SESSION_BUS_ADDRESS="$bus" DISPLAY="$DISPLAY" XDG_RUNTIME_DIR="$CASE_DIR/rt"
                HOME="$CASE_DIR/home" /usr/bin/python3 "$HERE/atspi_read.py")
  write_ini "$CWD" "[Save]" "AutoSaveSettings=0"
  printf 'Hallo Welt\r\nzweite Zeile\r\n' >"$CWD/a.txt"
  EXTRA_ENV=(DBUS_SESSION_BUS_ADDRESS="$bus" QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1)
  launch "$CWD" a.txt
  local result=0
  {
    wait_frame "$APP_PID" &&
    keys "$APP_PID" Down End &&
    got=$("${reader[@]}" "$APP_PID" 20 2>>"$CASE_DIR/reader.log") &&
    { [[ $got == 'text="Hallo Welt\nzweite Zeile\n" caret=23 role=text' ]] || fail "read: $got"; } &&
    type_text "$APP_PID" '!' &&
    got=$("${reader[@]}" "$APP_PID" 20 2>>"$CASE_DIR/reader.log") &&
    { [[ $got == 'text="Hallo Welt\nzweite Zeile!\n" caret=24 role=text' ]] || fail "read after typing: $got"; } &&
    keys "$APP_PID" alt+x &&
    answer "$APP_PID" "Änderungen speichern ?" n &&
    expect_exit "$APP_PID" 0
  } || result=1
  [[ $result == 0 ]] || { [[ -s $CASE_DIR/reader.log ]] && note "reader: $(tail -n 3 "$CASE_DIR/reader.log")"; }
  kill "$busPid" 2>/dev/null
  return $result
}
