# Cases of the commands every editor has: the usual keys, replace, go to line.

# Strg+H opens "Ersetzen"; Alt+A replaces every match; Strg+S saves; Strg+Z takes the
# whole replacement back in one step, and Strg+S saves that too.
case_replace_all_and_usual_keys() {
  write_ini "$CWD" "[Save]" "AutoSaveSettings=0" "AutoSaveOpenFiles=0"
  printf 'eins zwei eins\r\ndrei eins\r\n' >"$CWD/zahlen.txt"
  launch "$CWD" zahlen.txt
  wait_frame "$APP_PID" || return 1
  responsive "$APP_PID" || return 1
  keys "$APP_PID" ctrl+h || return 1
  wait_window "$APP_PID" "Ersetzen" || return 1
  local box=$WIN
  focus "$box"
  xdotool type --delay 25 "eins"
  xdotool key --delay 60 Tab
  xdotool type --delay 25 "vier"
  xdotool key --delay 60 alt+a
  sleep 0.3
  xdotool key --delay 60 Escape
  wait_closed "$APP_PID" "$box" "Ersetzen" || return 1
  keys "$APP_PID" ctrl+s || return 1
  printf 'vier zwei vier\r\ndrei vier\r\n' >"$CASE_DIR/expected"
  wait_content "$CWD/zahlen.txt" "$CASE_DIR/expected" "Alt+A and Strg+S did not replace and save" || return 1
  keys "$APP_PID" ctrl+z ctrl+s || return 1
  printf 'eins zwei eins\r\ndrei eins\r\n' >"$CASE_DIR/expected-undone"
  wait_content "$CWD/zahlen.txt" "$CASE_DIR/expected-undone" "one Strg+Z did not take the replacement back" || return 1
  # Strg+G 3 Return, then typing lands at the start of line 3.
  keys "$APP_PID" ctrl+g || return 1
  answer "$APP_PID" "Gehe zu Zeile" 3 Return || return 1
  type_text "$APP_PID" "X" || return 1
  keys "$APP_PID" ctrl+s || return 1
  printf 'eins zwei eins\r\ndrei eins\r\nX' >"$CASE_DIR/expected-line"
  wait_content "$CWD/zahlen.txt" "$CASE_DIR/expected-line" "Strg+G 3 did not put the caret on line 3" || return 1
  keys "$APP_PID" ctrl+q || return 1
  expect_exit "$APP_PID" 0
}
