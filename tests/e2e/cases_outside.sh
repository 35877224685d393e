# Changes made by other programs, and by a second window on the same file: each is told
# once, in the program's own question, and no save ever writes over one unasked.

# leave_program: another program's window takes the keyboard (the frame becomes inactive);
# OTHER_PID is that program.
leave_program() {
  xmessage -geometry 200x60+1000+900 "anderes Programm" >/dev/null 2>&1 &
  OTHER_PID=$!
  PIDS+=("$OTHER_PID")
  local deadline=$(($(now_ms) + T_WIN * 1000)) id=""
  until id=$(xdotool search --onlyvisible --class '^Xmessage$' 2>/dev/null | head -n 1) && [[ -n $id ]]; do
    [[ $(now_ms) -lt $deadline ]] || { fail "the other program's window did not come"; return 1; }
    sleep 0.05
  done
  focus "$id"
}

end_other_program() {
  kill "$OTHER_PID" 2>/dev/null
  wait "$OTHER_PID" 2>/dev/null
}

# Another program appends while the text is being edited: the question comes at once
# (the modified text is kept with Nein), Speichern asks before it writes over the change,
# Nein writes nothing, and quitting still asks to save the text.
case_outside_append_then_save() {
  write_ini "$CWD" "[Save]" "AutoSaveSettings=0" "AutoSaveOpenFiles=0"
  printf 'eins\r\n' >"$CWD/d.txt"
  launch "$CWD" d.txt
  wait_frame "$APP_PID" || return 1
  type_text "$APP_PID" "X" || return 1
  printf 'von außen\r\n' >>"$CWD/d.txt"
  cp "$CWD/d.txt" "$CASE_DIR/outside.txt"
  answer "$APP_PID" "Datei geändert" n || return 1
  menu_save "$APP_PID" || return 1
  answer "$APP_PID" "Datei geändert" n || return 1
  same_file "$CWD/d.txt" "$CASE_DIR/outside.txt" "Nein wrote over the other program's change" || return 1
  keys "$APP_PID" alt+x || return 1
  answer "$APP_PID" "Änderungen speichern ?" n || return 1
  expect_exit "$APP_PID" 0 || return 1
  same_file "$CWD/d.txt" "$CASE_DIR/outside.txt" "quitting wrote over the other program's change"
}

# Replaced by rename while the user is in another program and the text is unmodified: the
# question comes on the way back, Ja reloads, typing and saving shows the new text, and two
# "Rückgängig" bring back the old text.
case_outside_replace_by_rename_reloads() {
  write_ini "$CWD" "[Save]" "AutoSaveSettings=0" "AutoSaveOpenFiles=0"
  printf 'alt\r\nzwei\r\n' >"$CWD/d.txt"
  cp "$CWD/d.txt" "$CASE_DIR/old.txt"
  launch "$CWD" d.txt
  wait_frame "$APP_PID" || return 1
  responsive "$APP_PID" || return 1
  leave_program || return 1
  printf 'neu\nvon drau\xc3\x9fen\n' >"$CWD/d.tmp"
  mv "$CWD/d.tmp" "$CWD/d.txt"
  sleep 0.5
  only_frame "$APP_PID" || return 1
  focus "$FRAME"
  answer "$APP_PID" "Datei geändert" j || return 1
  end_other_program
  type_text "$APP_PID" "Z" || return 1
  menu_save "$APP_PID" || return 1
  printf 'Zneu\nvon drau\xc3\x9fen\n' >"$CASE_DIR/new.txt"
  wait_content "$CWD/d.txt" "$CASE_DIR/new.txt" "the reloaded text was not saved as it was shown" || return 1
  # Bearbeiten > Rückgängig twice: the typing, then the reload.
  keys "$APP_PID" alt+b r || return 1
  keys "$APP_PID" alt+b r || return 1
  menu_save "$APP_PID" || return 1
  wait_content "$CWD/d.txt" "$CASE_DIR/old.txt" "two undo steps did not bring back the old text" || return 1
  only_frame "$APP_PID" || return 1
  quit "$APP_PID"
}

# Deleted while open: the message comes, the text stays, and the close prompt's Ja writes
# it back under its name.
case_outside_delete_then_close_writes_back() {
  write_ini "$CWD" "[Save]" "AutoSaveSettings=0" "AutoSaveOpenFiles=0"
  printf 'bleibt\r\n' >"$CWD/d.txt"
  cp "$CWD/d.txt" "$CASE_DIR/old.txt"
  launch "$CWD" d.txt
  wait_frame "$APP_PID" || return 1
  responsive "$APP_PID" || return 1
  rm "$CWD/d.txt"
  # The user comes back to the program's window.
  focus "$FRAME"
  answer "$APP_PID" "Datei nicht mehr vorhanden" Return || return 1
  keys "$APP_PID" alt+x || return 1
  answer "$APP_PID" "Änderungen speichern ?" j || return 1
  expect_exit "$APP_PID" 0 || return 1
  same_file "$CWD/d.txt" "$CASE_DIR/old.txt" "the text was not written back"
}

# One file in two windows: a save in one is a change for the other (told at once), and the
# other's save asks before it writes over it.
case_outside_file_open_twice() {
  write_ini "$CWD" "[Save]" "AutoSaveSettings=0" "AutoSaveOpenFiles=0"
  printf 'text\r\n' >"$CWD/d.txt"
  launch "$CWD" d.txt d.txt
  wait_frame "$APP_PID" || return 1
  responsive "$APP_PID" || return 1
  type_text "$APP_PID" "2" || return 1
  keys "$APP_PID" shift+F8 || return 1
  sleep 0.3
  type_text "$APP_PID" "1" || return 1
  menu_save "$APP_PID" || return 1
  printf '1text\r\n' >"$CASE_DIR/first.txt"
  wait_content "$CWD/d.txt" "$CASE_DIR/first.txt" "the first save did not write" || return 1
  # The other window's text is modified: Nein keeps it.
  answer "$APP_PID" "Datei geändert" n || return 1
  keys "$APP_PID" shift+F8 || return 1
  sleep 0.3
  menu_save "$APP_PID" || return 1
  answer "$APP_PID" "Datei geändert" n || return 1
  same_file "$CWD/d.txt" "$CASE_DIR/first.txt" "the second window wrote over the first one's save" || return 1
  keys "$APP_PID" alt+x || return 1
  answer "$APP_PID" "Änderungen speichern ?" n || return 1
  expect_exit "$APP_PID" 0
}

# A thousand open files: one changed file is one question, and nothing else asks.
case_outside_thousand_files_one_question() {
  write_ini "$CWD" "[Save]" "AutoSaveSettings=0" "AutoSaveOpenFiles=0"
  local i
  for i in $(seq -w 1 1000); do printf 'Notiz %s\r\n' "$i" >"$CWD/note$i.txt"; done
  (cd "$CWD" && ls note*.txt) >"$CASE_DIR/names"
  # shellcheck disable=SC2046
  launch "$CWD" $(cat "$CASE_DIR/names")
  wait_frame "$APP_PID" 60 || return 1
  T_WIN=60 responsive "$APP_PID" || return 1
  printf 'von außen\r\n' >>"$CWD/note0500.txt"
  focus "$FRAME"
  answer "$APP_PID" "Datei geändert" n || return 1
  sleep 1.5
  only_frame "$APP_PID" || return 1
  quit "$APP_PID"
}
