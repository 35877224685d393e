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
