# End-to-end cases of the document windows: closing them through the real menus.

# close_all PID: Datei > Alle schließen through the menu bar, with the keyboard.
close_all() {
  # The menu opens with no item chosen: Up goes to the last, "&Beenden"; four more, over
  # the separators, reach "Alle schlie&ßen".
  keys "$1" alt+d Up Up Up Up Up Return
}

# "Alle schließen" three times in a row through the real menu, each time over three
# modified windows (the window whose menu runs the command closes too), then F2 and typing:
# the program lives on and keeps every text it was asked to keep.
case_close_all_three_times() {
  write_ini "$CWD" "[Save]" "AutoSaveSettings=0" "AutoSaveOpenFiles=0"
  launch "$CWD"
  wait_frame "$APP_PID" || return 1
  local round
  for round in 1 2 3; do
    keys "$APP_PID" F2 F2 F2 || return 1
    type_text "$APP_PID" "Runde $round" || return 1
    keys "$APP_PID" shift+F8 || return 1
    type_text "$APP_PID" "x" || return 1
    keys "$APP_PID" shift+F8 || return 1
    type_text "$APP_PID" "y" || return 1
    close_all "$APP_PID" || return 1
    answer "$APP_PID" "Änderungen speichern ?" n || return 1
    answer "$APP_PID" "Änderungen speichern ?" n || return 1
    answer "$APP_PID" "Änderungen speichern ?" n || return 1
    responsive "$APP_PID" || { fail "the program ended after Alle schließen (round $round)"; return 1; }
    only_frame "$APP_PID" || return 1
  done
  # The program still takes commands and text: a new window, typing, F10 closes it after
  # the prompt, F3 opens the open dialog.
  keys "$APP_PID" F2 || return 1
  type_text "$APP_PID" "noch da" || return 1
  keys "$APP_PID" F10 || return 1
  answer "$APP_PID" "Änderungen speichern ?" n || return 1
  responsive "$APP_PID" || return 1
  quit "$APP_PID"
}

# Alle schließen with a Cancel in the middle: exactly that window stays, with its text.
case_close_all_cancel_keeps_that_window() {
  write_ini "$CWD" "[Save]" "AutoSaveSettings=0" "AutoSaveOpenFiles=0"
  printf 'eins' >"$CWD/1.txt"
  printf 'zwei' >"$CWD/2.txt"
  printf 'drei' >"$CWD/3.txt"
  launch "$CWD" 1.txt 2.txt 3.txt
  wait_frame "$APP_PID" || return 1
  responsive "$APP_PID" || return 1
  local n
  for n in 1 2 3; do
    keys "$APP_PID" shift+F8 || return 1
    type_text "$APP_PID" "!" || return 1
  done
  close_all "$APP_PID" || return 1
  answer "$APP_PID" "Änderungen speichern ?" n || return 1
  answer "$APP_PID" "Änderungen speichern ?" Escape || return 1
  answer "$APP_PID" "Änderungen speichern ?" n || return 1
  responsive "$APP_PID" || { fail "the program ended after Alle schließen"; return 1; }
  only_frame "$APP_PID" || return 1
  # One window is left, still modified: Alt+X asks exactly once, and Ja saves it.
  keys "$APP_PID" alt+x || return 1
  answer "$APP_PID" "Änderungen speichern ?" j || return 1
  expect_exit "$APP_PID" 0 || return 1
  local changed=0 name
  for name in 1 2 3; do
    [[ $(cat "$CWD/$name.txt") == *'!'* ]] && changed=$((changed + 1))
  done
  [[ $changed == 1 ]] || fail "$changed files saved, expected exactly the one whose prompt was cancelled"
}

# frame_title_is PID TITLE: waits until the frame's title reads exactly TITLE; FRAME stays
# the frame's window.
frame_title_is() {
  local pid=$1 want=$2 deadline=$(($(now_ms) + T_WIN * 1000))
  until [[ $(xdotool getwindowname "$FRAME" 2>/dev/null) == "$want" ]]; do
    is_running "$pid" || { fail "the program ended while waiting for the title \"$want\""; return 1; }
    [[ $(now_ms) -lt $deadline ]] || { fail "the frame's title is \"$(xdotool getwindowname "$FRAME")\", not \"$want\""; return 1; }
    sleep 0.1
  done
}

# frame_keys KEY...: key presses into the frame whatever its title reads.
frame_keys() {
  focus "$FRAME"
  xdotool key --delay 60 "$@"
}

# maximise_first_window PID: double-clicks the title bar of the first document window (at
# the top left of the client area, below menu, toolbars and tab strip), found by going
# down from the toolbars until the frame's title names a maximised document.
maximise_first_window() {
  local pid=$1 x y width height dy
  eval "$(xdotool getwindowgeometry --shell "$FRAME" | grep -E '^(X|Y|WIDTH|HEIGHT)=' | tr 'A-Z' 'a-z')"
  # Left of every toolbar button and of the window's system-menu icon.
  for ((dy = 52; dy < 150; dy += 3)); do
    xdotool mousemove --sync $((x + 60)) $((y + dy))
    xdotool click --repeat 2 --delay 80 1
    sleep 0.3
    [[ $(xdotool getwindowname "$FRAME") == "$FRAME_TITLE - ["* ]] && return 0
  done
  fail "no title bar of a document window found to double-click"
}

# With a document window maximised, F2 and "Öffnen" open maximised windows: the frame's
# title names the active document each time, typing goes into the new window, and its
# status bar is its own. A screenshot of the frame is kept in the case's folder.
case_maximised_window_then_new_and_open() {
  write_ini "$CWD" "[Save]" "AutoSaveSettings=0" "AutoSaveOpenFiles=0"
  printf 'erste Datei' >"$CWD/erste.txt"
  printf 'zweite Datei' >"$CWD/zweite.txt"
  launch "$CWD" erste.txt
  wait_frame "$APP_PID" || return 1
  responsive "$APP_PID" || return 1
  maximise_first_window "$APP_PID" || return 1
  frame_title_is "$APP_PID" "$FRAME_TITLE - [$CWD/erste.txt]" || return 1
  frame_keys F2 || return 1
  frame_title_is "$APP_PID" "$FRAME_TITLE - [<Unbenannt>]" || return 1
  focus "$FRAME"
  xdotool type --delay 25 "neu getippt"
  frame_keys F4 || return 1
  save_dialog "$APP_PID" "$CWD/neu.txt" || return 1
  printf 'neu getippt' >"$CASE_DIR/expected"
  wait_content "$CWD/neu.txt" "$CASE_DIR/expected" "the typed text did not go into the new window" || return 1
  frame_title_is "$APP_PID" "$FRAME_TITLE - [$CWD/neu.txt]" || return 1
  cmp -s "$CWD/erste.txt" <(printf 'erste Datei') || fail "the first window's file changed" || return 1
  frame_keys F3 || return 1
  wait_window "$APP_PID" "Datei öffnen..." || return 1
  focus "$WIN"
  xdotool key ctrl+a
  xdotool type --delay 10 "$CWD/zweite.txt"
  xdotool key Return
  wait_gone "$APP_PID" "Datei öffnen..." || return 1
  frame_title_is "$APP_PID" "$FRAME_TITLE - [$CWD/zweite.txt]" || return 1
  command -v import >/dev/null && import -window "$FRAME" "$CASE_DIR/maximised.png" 2>/dev/null
  # Shift+F7 goes back through the windows; the title follows.
  frame_keys shift+F7 || return 1
  frame_title_is "$APP_PID" "$FRAME_TITLE - [$CWD/erste.txt]" || return 1
  frame_keys alt+x || return 1
  expect_exit "$APP_PID" 0
}

# Strg+R, F6 and F7 work at once in windows whose context menu never opened: typing is
# undone, the selection copied and pasted, in the first window and in a second one.
case_menu_keys_in_a_new_window() {
  write_ini "$CWD" "[Save]" "AutoSaveSettings=0" "AutoSaveOpenFiles=0"
  launch "$CWD"
  wait_frame "$APP_PID" || return 1
  keys "$APP_PID" F2 || return 1
  type_text "$APP_PID" "weg damit" || return 1
  keys "$APP_PID" ctrl+r || return 1
  type_text "$APP_PID" "ab" || return 1
  keys "$APP_PID" shift+Home F6 End F7 || return 1
  keys "$APP_PID" F2 F7 || return 1
  keys "$APP_PID" F4 || return 1
  save_dialog "$APP_PID" "$CWD/zweites.txt" || return 1
  printf 'ab' >"$CASE_DIR/expected2"
  wait_content "$CWD/zweites.txt" "$CASE_DIR/expected2" "F7 did not paste in the second window" || return 1
  keys "$APP_PID" shift+F7 F4 || return 1
  save_dialog "$APP_PID" "$CWD/erstes.txt" || return 1
  printf 'abab' >"$CASE_DIR/expected1"
  wait_content "$CWD/erstes.txt" "$CASE_DIR/expected1" "Strg+R, F6 or F7 did nothing in a new window" || return 1
  quit "$APP_PID"
}

# Enter in the find dialog finds the next hit and never types into the text; Escape gives
# the editor the keyboard again.
case_find_dialog_enter_twice() {
  write_ini "$CWD" "[Save]" "AutoSaveSettings=0" "AutoSaveOpenFiles=0"
  printf 'Ziel eins\r\nZiel zwei\r\nZiel drei' >"$CWD/suche.txt"
  launch "$CWD" suche.txt
  wait_frame "$APP_PID" || return 1
  responsive "$APP_PID" || return 1
  keys "$APP_PID" ctrl+F2 || return 1
  wait_window "$APP_PID" "Suchen" || return 1
  local dialog=$WIN
  focus "$dialog"
  xdotool type --delay 20 "ziel"
  xdotool key --delay 150 Return Return
  # Escape goes to the dialog that still has the keyboard; then the typed X replaces the
  # second hit.
  xdotool key Escape
  wait_closed "$APP_PID" "$dialog" "Suchen" || return 1
  xdotool type --delay 25 "X"
  menu_save "$APP_PID" || return 1
  printf 'Ziel eins\r\nX zwei\r\nZiel drei' >"$CASE_DIR/expected"
  wait_content "$CWD/suche.txt" "$CASE_DIR/expected" "Enter in the find dialog did not find the second hit, or typed into the text" || return 1
  quit "$APP_PID"
}
