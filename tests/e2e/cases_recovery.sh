# Recovery of unsaved text: journals in the user's private state folder, offered at the
# next start after a kill, a signal or a crash.

journal_dir() { printf '%s' "$CASE_DIR/home/.local/state/varnotex/recovery"; }
journals() { ls "$(journal_dir)"/journal-*.vnj 2>/dev/null; }
journal_count() { journals | grep -c . ; }

# wait_journals N: waits until N journals lie in the folder.
wait_journals() {
  local want=$1 deadline=$(($(now_ms) + 10000))
  until [[ $(journal_count) == "$want" ]]; do
    [[ $(now_ms) -lt $deadline ]] || { fail "$(journal_count) journal(s), expected $want"; return 1; }
    sleep 0.1
  done
}

# Typed, 2 s, kill -9: the next start offers it; Ja brings the text back, modified, and
# saving writes it into the file, which was named on the command line too and opens once.
case_recovery_after_kill() {
  write_ini "$CWD" "[Save]" "AutoSaveSettings=0" "AutoSaveOpenFiles=0"
  printf 'eins\r\nzwei\n' >"$CWD/a.txt"
  launch "$CWD" a.txt
  wait_frame "$APP_PID" || return 1
  responsive "$APP_PID" || return 1
  type_text "$APP_PID" "Hallo " || return 1
  sleep 2
  { kill -9 "$APP_PID" && wait_exit "$APP_PID" 10; } 2>/dev/null
  [[ $(journal_count) == 1 ]] || fail "$(journal_count) journals after the kill, expected 1" || return 1
  [[ $(stat -c %a "$(journal_dir)") == 700 ]] || fail "folder mode $(stat -c %a "$(journal_dir)")" || return 1
  [[ $(stat -c %a "$(journals)") == 600 ]] || fail "journal mode $(stat -c %a "$(journals)")" || return 1
  [[ -z $(ls -A "$CWD" | grep -v -e '^a.txt$' -e '^VARNX.ini$') ]] || fail "a file beside the document: $(ls -A "$CWD")" || return 1
  launch "$CWD" a.txt
  answer "$APP_PID" "Wiederherstellung" j || return 1
  wait_frame "$APP_PID" || return 1
  menu_save "$APP_PID" || return 1
  printf 'Hallo eins\r\nzwei\n' >"$CASE_DIR/expected.txt"
  wait_content "$CWD/a.txt" "$CASE_DIR/expected.txt" "the recovered text was not saved" || return 1
  wait_journals 0 || return 1
  # Saved, and no second window of the same file with the old text: Alt+X asks nothing.
  quit "$APP_PID" || return 1
  [[ $(journal_count) == 0 ]] || fail "a normal end left a journal"
}

# A document that was never saved comes back too.
case_recovery_untitled() {
  write_ini "$CWD" "[Save]" "AutoSaveSettings=0" "AutoSaveOpenFiles=0"
  launch "$CWD"
  wait_frame "$APP_PID" || return 1
  keys "$APP_PID" F2 || return 1
  type_text "$APP_PID" "nie gesichert" || return 1
  sleep 2
  { kill -9 "$APP_PID" && wait_exit "$APP_PID" 10; } 2>/dev/null
  launch "$CWD"
  answer "$APP_PID" "Wiederherstellung" j || return 1
  wait_frame "$APP_PID" || return 1
  menu_save "$APP_PID" || return 1
  save_dialog "$APP_PID" "$CWD/neu.txt" || return 1
  printf 'nie gesichert' >"$CASE_DIR/expected.txt"
  wait_content "$CWD/neu.txt" "$CASE_DIR/expected.txt" "the recovered untitled text was not saved" || return 1
  quit "$APP_PID"
}

# SIGTERM 0.3 s after the last key: the program ends within 5 s without a question, and the
# text comes back at the next start.
case_recovery_sigterm() {
  write_ini "$CWD" "[Save]" "AutoSaveSettings=0" "AutoSaveOpenFiles=0"
  printf 'eins\r\n' >"$CWD/a.txt"
  launch "$CWD" a.txt
  wait_frame "$APP_PID" || return 1
  responsive "$APP_PID" || return 1
  type_text "$APP_PID" "Zack" || return 1
  sleep 0.3
  kill -TERM "$APP_PID"
  wait_exit "$APP_PID" 5 || fail "the program did not end within 5 s of SIGTERM" || return 1
  [[ $EXIT_CODE == 0 ]] || fail "exit code $EXIT_CODE after SIGTERM" || return 1
  launch "$CWD" a.txt
  answer "$APP_PID" "Wiederherstellung" j || return 1
  wait_frame "$APP_PID" || return 1
  menu_save "$APP_PID" || return 1
  printf 'Zackeins\r\n' >"$CASE_DIR/expected.txt"
  wait_content "$CWD/a.txt" "$CASE_DIR/expected.txt" "the text typed before SIGTERM did not come back" || return 1
  quit "$APP_PID"
}

# Two instances: the journals of a running one are never offered; once it is gone they are.
# Abbrechen keeps them for the next start, Nein deletes them.
case_recovery_two_instances() {
  write_ini "$CWD" "[Save]" "AutoSaveSettings=0" "AutoSaveOpenFiles=0"
  printf 'eins\r\n' >"$CWD/a.txt"
  launch "$CWD" a.txt
  local first=$APP_PID
  wait_frame "$first" || return 1
  responsive "$first" || return 1
  type_text "$first" "erste " || return 1
  wait_journals 1 || return 1
  launch "$CWD"
  local second=$APP_PID
  wait_frame "$second" || return 1
  responsive "$second" || return 1
  only_frame "$second" || return 1
  quit "$second" || return 1
  [[ $(journal_count) == 1 ]] || fail "the second instance touched the first one's journal" || return 1
  { kill -9 "$first" && wait_exit "$first" 10; } 2>/dev/null
  launch "$CWD"
  answer "$APP_PID" "Wiederherstellung" Escape || return 1
  quit "$APP_PID" || return 1
  [[ $(journal_count) == 1 ]] || fail "Abbrechen did not keep the journal" || return 1
  launch "$CWD"
  answer "$APP_PID" "Wiederherstellung" n || return 1
  quit "$APP_PID" || return 1
  [[ $(journal_count) == 0 ]] || fail "Nein did not delete the journal"
}

# "Nein" in the close prompt deletes the journal; the end leaves none.
case_recovery_no_in_close_prompt() {
  write_ini "$CWD" "[Save]" "AutoSaveSettings=0" "AutoSaveOpenFiles=0"
  printf 'eins\r\n' >"$CWD/a.txt"
  launch "$CWD" a.txt
  wait_frame "$APP_PID" || return 1
  responsive "$APP_PID" || return 1
  type_text "$APP_PID" "weg" || return 1
  wait_journals 1 || return 1
  keys "$APP_PID" alt+x || return 1
  answer "$APP_PID" "Änderungen speichern ?" n || return 1
  expect_exit "$APP_PID" 0 || return 1
  [[ $(journal_count) == 0 ]] || fail "the journal stayed after Nein"
}

# The file replaced by another program after the crash: the recovered text is still exactly
# the one typed (saved under another name here, so that the replaced file is left alone).
case_recovery_file_replaced_after_crash() {
  write_ini "$CWD" "[Save]" "AutoSaveSettings=0" "AutoSaveOpenFiles=0"
  printf 'eins\r\nzwei\n' >"$CWD/a.txt"
  launch "$CWD" a.txt
  wait_frame "$APP_PID" || return 1
  responsive "$APP_PID" || return 1
  type_text "$APP_PID" "getippt " || return 1
  sleep 2
  { kill -9 "$APP_PID" && wait_exit "$APP_PID" 10; } 2>/dev/null
  printf 'von anderem Programm\n' >"$CWD/a.txt.new"
  mv "$CWD/a.txt.new" "$CWD/a.txt"
  cp "$CWD/a.txt" "$CASE_DIR/other.txt"
  launch "$CWD"
  answer "$APP_PID" "Wiederherstellung" j || return 1
  wait_frame "$APP_PID" || return 1
  # Saving asks before it writes over the other program's file; Nein writes nothing.
  menu_save "$APP_PID" || return 1
  answer "$APP_PID" "Datei geändert" n || return 1
  same_file "$CWD/a.txt" "$CASE_DIR/other.txt" "the save wrote over the other program's file" || return 1
  keys "$APP_PID" F4 || return 1
  save_dialog "$APP_PID" "$CWD/b.txt" || return 1
  printf 'getippt eins\r\nzwei\n' >"$CASE_DIR/expected.txt"
  wait_content "$CWD/b.txt" "$CASE_DIR/expected.txt" "the recovered text is not the typed one" || return 1
  same_file "$CWD/a.txt" "$CASE_DIR/other.txt" "the other program's file was touched" || return 1
  quit "$APP_PID"
}
