# Start, quit, the settings file, documents, the close prompt, the single-instance guard and
# help, each driven from the keyboard as a user would.

# save_dialog PID PATH: the open "Speichern unter..." dialog takes PATH and Enter.
save_dialog() {
  local pid=$1 path=$2
  wait_window "$pid" "Speichern unter..." || return 1
  focus "$WIN"
  xdotool key ctrl+a
  xdotool type --delay 10 "$path"
  xdotool key Return
  wait_gone "$pid" "Speichern unter..."
}

# save_dialog_overwrite PID PATH: as save_dialog, for a file that exists: the dialog's own
# question (a box with the dialog's title) is answered with Ja.
save_dialog_overwrite() {
  local pid=$1 path=$2 dialog ids box="" re
  re=$(title_re "Speichern unter...")
  wait_window "$pid" "Speichern unter..." || return 1
  dialog=$WIN
  focus "$dialog"
  xdotool key ctrl+a
  xdotool type --delay 10 "$path"
  xdotool key Return
  local deadline=$(($(now_ms) + T_WIN * 1000))
  while [[ -z $box ]]; do
    ids=$(windows "$pid" "$re")
    box=$(grep -v -x -F "$dialog" <<<"$ids" | head -n 1)
    [[ -n $box ]] && break
    [[ $(now_ms) -lt $deadline ]] || { fail "no question whether to overwrite $path"; return 1; }
    sleep 0.1
  done
  focus "$box"
  xdotool key j
  wait_closed "$pid" "$dialog" "Speichern unter..."
}

# Menu "Datei" of the document window, item "Speichern" (its S is shared with "Statistik",
# so the letter only selects it and Enter chooses it).
menu_save() {
  keys "$1" alt+d s Return
}

# ---------------------------------------------------------------------------

case_ini_unchanged_without_autosave() {
  # A settings file as a user's editor leaves it: a comment with an 8-bit umlaut, blank
  # lines, one LF-only line break, a toolbar section and no final line break.
  printf '; Einstellungen von H\xe4nsel\r\n\r\n[MainWindow]\r\nWidth=700\r\nHeight=500\nState=1\r\n\r\n[Save]\r\nAutoSaveSettings=0\r\nAutoSaveOpenFiles=0\r\n[Toolbar_Datei]\r\nRev=2\r\nVisible=0' \
    >"$CWD/VARNX.ini"
  cp "$CWD/VARNX.ini" "$CASE_DIR/before.ini"
  launch "$CWD"
  wait_frame "$APP_PID" || return 1
  # The stored size was applied (without a window manager this is the outer size).
  local geometry
  geometry=$(xdotool getwindowgeometry "$FRAME" | awk '/Geometry/ {print $2}')
  [[ $geometry == 700x500 ]] || fail "frame size $geometry, expected 700x500 from the settings" || return 1
  # A document comes and goes: F2 makes it, F10 closes it without a question.
  keys "$APP_PID" F2 F10 || return 1
  responsive "$APP_PID" || return 1
  only_frame "$APP_PID" || return 1
  quit "$APP_PID" || return 1
  same_file "$CWD/VARNX.ini" "$CASE_DIR/before.ini" "VARNX.ini changed although both auto-save switches are off" || return 1
  no_temp_files "$CWD"
}

# With auto-save on, the first run writes window size, state and toolbar layout; a second run
# that changes nothing must find them as it left them: the file does not drift from run to
# run (a window that grew by its frame at every start, say).
case_settings_stable_across_runs() {
  write_ini "$CWD" "[Save]" "AutoSaveSettings=1" "AutoSaveOpenFiles=1"
  local run
  for run in 1 2 3; do
    launch "$CWD"
    wait_frame "$APP_PID" || return 1
    responsive "$APP_PID" || return 1
    quit "$APP_PID" || return 1
    cp "$CWD/VARNX.ini" "$CASE_DIR/after$run.ini"
  done
  grep -q '^Width=' "$CASE_DIR/after1.ini" && grep -q '^\[Toolbar_Datei\]' "$CASE_DIR/after1.ini" ||
    fail "the first run did not write size and toolbar layout" || return 1
  same_file "$CASE_DIR/after2.ini" "$CASE_DIR/after1.ini" "the second run changed the settings: $(diff <(tr -d '\r' <"$CASE_DIR/after1.ini") <(tr -d '\r' <"$CASE_DIR/after2.ini") | grep '^[<>]' | paste -sd ' ')" || return 1
  same_file "$CASE_DIR/after3.ini" "$CASE_DIR/after2.ini" "the third run changed the settings" || return 1

  # The user makes the window 800 x 600: that size is written and comes back at the next
  # start, which then writes nothing.
  launch "$CWD"
  wait_frame "$APP_PID" || return 1
  responsive "$APP_PID" || return 1
  xdotool windowsize --sync "$FRAME" 800 600
  responsive "$APP_PID" || return 1
  quit "$APP_PID" || return 1
  [[ $(ini_section "$CWD/VARNX.ini" MainWindow | grep -E '^(Width|Height)=' | paste -sd ' ') == "Width=800 Height=600" ]] ||
    fail "size after resizing: $(ini_section "$CWD/VARNX.ini" MainWindow | paste -sd ' ')" || return 1
  cp "$CWD/VARNX.ini" "$CASE_DIR/after4.ini"
  launch "$CWD"
  wait_frame "$APP_PID" || return 1
  responsive "$APP_PID" || return 1
  local geometry
  geometry=$(xdotool getwindowgeometry "$FRAME" | awk '/Geometry/ {print $2}')
  [[ $geometry == 800x600 ]] || fail "the frame starts at $geometry, expected 800x600" || return 1
  quit "$APP_PID" || return 1
  same_file "$CWD/VARNX.ini" "$CASE_DIR/after4.ini" "the run after resizing changed the settings"
}

# Shift+F1 hides the toolbar "Datei"; it stays hidden at the next start, and Shift+F1 there
# shows it again.
case_toolbar_visibility_remembered() {
  write_ini "$CWD" "[Save]" "AutoSaveSettings=1" "AutoSaveOpenFiles=0"
  local expect run
  for run in hide keep show; do
    launch "$CWD"
    wait_frame "$APP_PID" || return 1
    responsive "$APP_PID" || return 1
    [[ $run == keep ]] || keys "$APP_PID" shift+F1 || return 1
    only_frame "$APP_PID" || return 1
    quit "$APP_PID" || return 1
    expect=0
    [[ $run == show ]] && expect=1
    [[ $(ini_section "$CWD/VARNX.ini" Toolbar_Datei | grep '^Visible=') == "Visible=$expect" ]] ||
      fail "after \"$run\": [Toolbar_Datei] $(ini_section "$CWD/VARNX.ini" Toolbar_Datei | paste -sd ' ')" || return 1
  done
}

# No VARNX.ini in the working folder nor beside the program: the question, and Abbrechen ends
# the program before its frame shows, with exit code 0 and no file created.
case_no_ini_cancel() {
  mkdir -p "$CASE_DIR/bin"
  cp "$BIN" "$CASE_DIR/bin/varnotex"
  PROGRAM="$CASE_DIR/bin/varnotex"
  launch "$CWD"
  wait_window "$APP_PID" "Fehler:" || return 1
  [[ -z $(windows "$APP_PID" "$(title_re "$FRAME_TITLE")") ]] || fail "the frame shows before the question is answered" || return 1
  focus "$WIN"
  xdotool key Escape
  expect_exit "$APP_PID" 0 || return 1
  local found
  found=$(find "$CASE_DIR" -name 'VARNX.ini*')
  [[ -z $found ]] || fail "a settings file was created: $found" || return 1
  # Nothing was kept, so the next start asks again.
  launch "$CWD"
  wait_window "$APP_PID" "Fehler:" || { fail "the next start did not ask again"; return 1; }
  focus "$WIN"
  xdotool key Escape
  expect_exit "$APP_PID" 0
}

# The same question answered with OK: the program runs with its defaults; what it writes at
# the end lands in the user's configuration folder, not beside the program, and the next
# start finds it there and asks nothing.
case_no_ini_ok() {
  mkdir -p "$CASE_DIR/bin"
  cp "$BIN" "$CASE_DIR/bin/varnotex"
  PROGRAM="$CASE_DIR/bin/varnotex"
  launch "$CWD"
  answer "$APP_PID" "Fehler:" Return || return 1
  wait_frame "$APP_PID" || return 1
  responsive "$APP_PID" || return 1
  quit "$APP_PID" || return 1
  [[ ! -e $CWD/VARNX.ini && ! -e $CASE_DIR/bin/VARNX.ini ]] || fail "VARNX.ini was written to the working or program folder" || return 1
  [[ -f $CASE_DIR/home/.config/VARNX.ini ]] || fail "the settings of the run were not written to the configuration folder" || return 1
  grep -q '^\[MainWindow\]' "$CASE_DIR/home/.config/VARNX.ini" || fail "no [MainWindow] in the written settings" || return 1
  launch "$CWD"
  wait_frame "$APP_PID" || return 1
  responsive "$APP_PID" || return 1
  only_frame "$APP_PID" || return 1
  quit "$APP_PID" || return 1
  [[ ! -e $CWD/VARNX.ini && ! -e $CASE_DIR/bin/VARNX.ini ]] || fail "VARNX.ini was written to the working or program folder"
}

# The open-files list is written at the end and the files are opened again at the next start;
# a remembered file that has gone meanwhile is skipped without a word. Alt+X in the active
# document window quits the frame, which remembers every window, the active one included;
# an untitled document is skipped with its number.
case_open_files_remembered() {
  write_ini "$CWD" "[Save]" "AutoSaveSettings=0" "AutoSaveOpenFiles=1"
  printf 'eins\r\n' >"$CWD/a.txt"
  printf 'zwei\r\n' >"$CWD/b c.txt"
  printf 'drei\r\n' >"$CWD/d.txt"
  # A relative name, a name with a blank, a full path; then an untitled document.
  launch "$CWD" a.txt "b c.txt" "$CWD/d.txt"
  wait_frame "$APP_PID" || return 1
  responsive "$APP_PID" || return 1
  keys "$APP_PID" F2 || return 1
  quit "$APP_PID" || return 1
  # Most recently focused first; the untitled document's number 1 is left out.
  local expected got
  expected=$(printf '2=%s\n3=%s\n4=%s' "$CWD/d.txt" "$CWD/b c.txt" "$CWD/a.txt")
  got=$(ini_section "$CWD/VARNX.ini" OpenFiles)
  [[ $got == "$expected" ]] || fail "[OpenFiles] after the first run: $(paste -sd '|' <<<"$got")" || return 1

  rm "$CWD/d.txt"
  launch "$CWD"
  wait_frame "$APP_PID" || return 1
  responsive "$APP_PID" || return 1
  only_frame "$APP_PID" || return 1
  quit "$APP_PID" || return 1
  # Reopened in the order of the list, so the last opened is now the first.
  expected=$(printf '1=%s\n2=%s' "$CWD/a.txt" "$CWD/b c.txt")
  got=$(ini_section "$CWD/VARNX.ini" OpenFiles)
  [[ $got == "$expected" ]] || fail "[OpenFiles] after the second run: $(paste -sd '|' <<<"$got")" || return 1

  # And once more: both come back and both are remembered again.
  launch "$CWD"
  wait_frame "$APP_PID" || return 1
  responsive "$APP_PID" || return 1
  quit "$APP_PID" || return 1
  expected=$(printf '1=%s\n2=%s' "$CWD/b c.txt" "$CWD/a.txt")
  got=$(ini_section "$CWD/VARNX.ini" OpenFiles)
  [[ $got == "$expected" ]] || fail "[OpenFiles] after the third run: $(paste -sd '|' <<<"$got")"
}

# Typing, "Speichern unter..." and "Speichern" through the menu with the keyboard.
case_type_and_save_with_menu() {
  write_ini "$CWD" "[Save]" "AutoSaveSettings=0" "AutoSaveOpenFiles=1"
  launch "$CWD"
  wait_frame "$APP_PID" || return 1
  keys "$APP_PID" F2 || return 1
  type_text "$APP_PID" "Hallo Grüße" || return 1
  keys "$APP_PID" Return || return 1
  type_text "$APP_PID" "zweite Zeile" || return 1
  # Datei > Speichern unter...
  keys "$APP_PID" alt+d u || return 1
  save_dialog "$APP_PID" "$CWD/brief.txt" || return 1
  printf 'Hallo Gr\xc3\xbc\xc3\x9fe\r\nzweite Zeile' >"$CASE_DIR/expected1"
  wait_content "$CWD/brief.txt" "$CASE_DIR/expected1" "the saved text is not what was typed (UTF-8 text, CR LF)" || return 1
  # Datei > Speichern writes to the same file without asking.
  type_text "$APP_PID" "!" || return 1
  menu_save "$APP_PID" || return 1
  printf 'Hallo Gr\xc3\xbc\xc3\x9fe\r\nzweite Zeile!' >"$CASE_DIR/expected2"
  wait_content "$CWD/brief.txt" "$CASE_DIR/expected2" "Speichern did not write the change" || return 1
  only_frame "$APP_PID" || return 1
  # Saved: quitting asks nothing, and the document is remembered under its new name.
  quit "$APP_PID" || return 1
  [[ $(ini_section "$CWD/VARNX.ini" OpenFiles) == "1=$CWD/brief.txt" ]] || fail "the window is not known under its new name" || return 1
  no_temp_files "$CWD"
}

# The close prompt: Abbrechen keeps the window with its changes, Nein closes it unsaved.
case_close_prompt_cancel_and_no() {
  write_ini "$CWD" "[Save]" "AutoSaveSettings=0" "AutoSaveOpenFiles=0"
  cp "$CWD/VARNX.ini" "$CASE_DIR/before.ini"
  launch "$CWD"
  wait_frame "$APP_PID" || return 1
  keys "$APP_PID" F2 || return 1
  type_text "$APP_PID" "nicht speichern" || return 1
  keys "$APP_PID" F10 || return 1
  answer "$APP_PID" "Änderungen speichern ?" Escape || return 1
  # Still open and still modified: the same question again.
  keys "$APP_PID" F10 || return 1
  answer "$APP_PID" "Änderungen speichern ?" n || return 1
  responsive "$APP_PID" || return 1
  # Nothing is left to ask about.
  quit "$APP_PID" || return 1
  [[ $(ls -A "$CWD") == VARNX.ini ]] || fail "files were written: $(ls -A "$CWD" | paste -sd ' ')" || return 1
  same_file "$CWD/VARNX.ini" "$CASE_DIR/before.ini" "VARNX.ini changed"
}

# Quitting with a modified document and answering Abbrechen: Alt+X in the document window
# quits the frame, which asks once for that window; with Abbrechen the program keeps running
# and writes nothing. The next Alt+X with Nein ends it and only then writes the settings,
# with both windows remembered.
case_quit_prompt_cancel_keeps_everything() {
  write_ini "$CWD" "[Save]" "AutoSaveSettings=1" "AutoSaveOpenFiles=1"
  cp "$CWD/VARNX.ini" "$CASE_DIR/before.ini"
  printf 'alt\r\n' >"$CWD/a.txt"
  cp "$CWD/a.txt" "$CASE_DIR/a.before"
  printf 'zwei\r\n' >"$CWD/b.txt"
  launch "$CWD" b.txt a.txt
  wait_frame "$APP_PID" || return 1
  responsive "$APP_PID" || return 1
  type_text "$APP_PID" "neu " || return 1
  keys "$APP_PID" alt+x || return 1
  answer "$APP_PID" "Änderungen speichern ?" Escape || return 1
  # The open dialog coming and going shows the program has handled the answer and runs on.
  responsive "$APP_PID" || { fail "the program ended although the question was cancelled"; return 1; }
  only_frame "$APP_PID" || return 1
  same_file "$CWD/VARNX.ini" "$CASE_DIR/before.ini" "VARNX.ini was written although quitting was cancelled" || return 1
  keys "$APP_PID" alt+x || return 1
  answer "$APP_PID" "Änderungen speichern ?" n || return 1
  expect_exit "$APP_PID" 0 || return 1
  same_file "$CWD/a.txt" "$CASE_DIR/a.before" "the file changed although Nein was answered" || return 1
  [[ $(ini_section "$CWD/VARNX.ini" OpenFiles) == "$(printf '1=%s\n2=%s' "$CWD/a.txt" "$CWD/b.txt")" ]] ||
    fail "[OpenFiles] at the end: $(ini_section "$CWD/VARNX.ini" OpenFiles | paste -sd '|')" || return 1
  grep -q '^Width=' "$CWD/VARNX.ini" || fail "the window size was not written at the end"
}

# Ja for an untitled document opens the save dialog; cancelling it keeps the window open.
case_untitled_yes_then_dialog_cancelled() {
  write_ini "$CWD" "[Save]" "AutoSaveSettings=0" "AutoSaveOpenFiles=0"
  launch "$CWD"
  wait_frame "$APP_PID" || return 1
  keys "$APP_PID" F2 || return 1
  type_text "$APP_PID" "Entwurf" || return 1
  keys "$APP_PID" F10 || return 1
  answer "$APP_PID" "Änderungen speichern ?" j || return 1
  answer "$APP_PID" "Speichern unter..." Escape || return 1
  keys "$APP_PID" F10 || return 1
  answer "$APP_PID" "Änderungen speichern ?" j || return 1
  save_dialog "$APP_PID" "$CWD/entwurf.txt" || return 1
  printf 'Entwurf' >"$CASE_DIR/expected"
  wait_content "$CWD/entwurf.txt" "$CASE_DIR/expected" "the text was not saved from the close prompt" || return 1
  responsive "$APP_PID" || return 1
  quit "$APP_PID"
}

# Search with the keyboard: Ctrl+F2 opens "Suchen", Enter finds the first match (without
# regard to case), Ctrl+F3 the next; past the last one the question "Suche abgeschloßen..."
# with OK starts again at the top. Typing replaces the found text, which the saved file shows.
case_search_with_keyboard() {
  write_ini "$CWD" "[Save]" "AutoSaveSettings=0" "AutoSaveOpenFiles=0"
  printf 'Ziel am Anfang\r\nmitte\r\nnoch ein ZIEL am Ende\r\n' >"$CWD/suche.txt"
  launch "$CWD" suche.txt
  wait_frame "$APP_PID" || return 1
  responsive "$APP_PID" || return 1
  keys "$APP_PID" ctrl+F2 || return 1
  wait_window "$APP_PID" "Suchen" || return 1
  focus "$WIN"
  xdotool type --delay 20 "ziel"
  xdotool key Return
  keys "$APP_PID" ctrl+F3 ctrl+F3 || return 1
  answer "$APP_PID" "Suche abgeschloßen..." Return || return 1
  # Found again from the top: the first match is selected, and the X replaces it.
  type_text "$APP_PID" "X" || return 1
  menu_save "$APP_PID" || return 1
  printf 'X am Anfang\r\nmitte\r\nnoch ein ZIEL am Ende\r\n' >"$CASE_DIR/expected"
  wait_content "$CWD/suche.txt" "$CASE_DIR/expected" "the third search did not find the first match again" || return 1
  # The find dialog stays open until closed.
  answer "$APP_PID" "Suchen" Escape || return 1
  only_frame "$APP_PID" || return 1
  quit "$APP_PID"
}

# A UTF-8 file is recognised and stays UTF-8: "ü" typed at the end of "Grüße" is saved as
# its two bytes, and the file on disk is valid UTF-8. With [Edit] NewFileEncoding=UTF-8 a
# new document is saved as UTF-8 too.
case_utf8_file_typed_and_saved() {
  write_ini "$CWD" "[Save]" "AutoSaveSettings=0" "AutoSaveOpenFiles=0" "[Edit]" "NewFileEncoding=UTF-8"
  printf 'Gr\xc3\xbc\xc3\x9fe' >"$CWD/gruss.txt"
  launch "$CWD" gruss.txt
  wait_frame "$APP_PID" || return 1
  responsive "$APP_PID" || return 1
  keys "$APP_PID" ctrl+End || return 1
  type_text "$APP_PID" "ü" || return 1
  menu_save "$APP_PID" || return 1
  printf 'Gr\xc3\xbc\xc3\x9fe\xc3\xbc' >"$CASE_DIR/expected"
  wait_content "$CWD/gruss.txt" "$CASE_DIR/expected" "the typed ü was not saved as UTF-8" || return 1
  iconv -f UTF-8 -t UTF-8 "$CWD/gruss.txt" >/dev/null 2>&1 || fail "the saved file is no valid UTF-8" || return 1
  grep -q "Grüßeü" "$CWD/gruss.txt" || fail "Grüßeü is not in the saved file" || return 1
  # A new document, typed and saved.
  keys "$APP_PID" F2 || return 1
  type_text "$APP_PID" "Maß €" || return 1
  keys "$APP_PID" alt+d u || return 1
  save_dialog "$APP_PID" "$CWD/neu.txt" || return 1
  printf 'Ma\xc3\x9f \xe2\x82\xac' >"$CASE_DIR/expected-new"
  wait_content "$CWD/neu.txt" "$CASE_DIR/expected-new" "the new document was not saved as UTF-8" || return 1
  quit "$APP_PID"
}

# on_top A B: window A is stacked above window B (xwininfo lists the root's children from
# the top down).
on_top() {
  local order
  order=$(xwininfo -root -children | grep -o -E '^ +0x[0-9a-f]+' | tr -d ' ')
  local a b
  a=$(grep -n -x "$(printf '0x%x' "$1")" <<<"$order" | cut -d: -f1)
  b=$(grep -n -x "$(printf '0x%x' "$2")" <<<"$order" | cut -d: -f1)
  [[ -n $a && -n $b && $a -lt $b ]]
}

# Two real processes with SingleInstance on: the second ends at once with exit code 0 and the
# first opens its file; after the first has ended the next start runs; of two starts
# at the same moment exactly one runs; a killed instance leaves no guard behind.
case_single_instance() {
  write_ini "$CWD" "[MainWindow]" "SingleInstance=1" "[Save]" "AutoSaveSettings=0" "AutoSaveOpenFiles=1"
  printf 'zweiter Start\r\n' >"$CWD/b.txt"
  launch "$CWD"
  local first=$APP_PID
  wait_frame "$first" || return 1
  responsive "$first" || return 1
  # Another program's window covers the first instance (here another instance with a guard
  # of its own); the second start must bring the first instance to the front.
  local firstframe=$FRAME
  mkdir -p "$CASE_DIR/rt2"
  chmod 700 "$CASE_DIR/rt2"
  EXTRA_ENV=(XDG_RUNTIME_DIR="$CASE_DIR/rt2")
  launch "$CWD"
  local cover=$APP_PID
  wait_frame "$cover" || return 1
  local coverframe=$FRAME
  EXTRA_ENV=()
  on_top "$coverframe" "$firstframe" || fail "the covering window is not in front" || return 1
  launch "$CWD" b.txt
  local second=$APP_PID
  expect_exit "$second" 0 || return 1
  local deadline=$(($(now_ms) + T_WIN * 1000))
  until on_top "$firstframe" "$coverframe"; do
    [[ $(now_ms) -lt $deadline ]] || { fail "the first instance was not brought to the front"; return 1; }
    sleep 0.1
  done
  quit "$cover" || return 1
  is_running "$first" || fail "the first instance ended" || return 1
  local frames
  frames=$(xdotool search --onlyvisible --name "$(title_re "$FRAME_TITLE")" | wc -l)
  [[ $frames == 1 ]] || fail "$frames frames on the screen, expected 1" || return 1
  responsive "$first" || return 1
  quit "$first" || return 1
  [[ $(ini_section "$CWD/VARNX.ini" OpenFiles) == "1=$CWD/b.txt" ]] ||
    fail "the first instance did not open the second start's file: $(ini_section "$CWD/VARNX.ini" OpenFiles | paste -sd '|')" || return 1

  launch "$CWD"
  wait_frame "$APP_PID" || return 1
  responsive "$APP_PID" || return 1
  quit "$APP_PID" || return 1

  launch "$CWD"
  local a=$APP_PID
  launch "$CWD"
  local b=$APP_PID
  local deadline=$(($(now_ms) + T_WIN * 1000)) ended="" running=""
  while [[ -z $ended ]]; do
    is_running "$a" || { ended=$a running=$b; }
    is_running "$b" || { ended=$b running=$a; }
    [[ $(now_ms) -lt $deadline ]] || { fail "neither of two simultaneous starts ended"; return 1; }
    sleep 0.05
  done
  expect_exit "$ended" 0 || return 1
  wait_frame "$running" || return 1
  responsive "$running" || return 1
  frames=$(xdotool search --onlyvisible --name "$(title_re "$FRAME_TITLE")" | wc -l)
  [[ $frames == 1 ]] || fail "$frames frames after two simultaneous starts" || return 1

  # The running instance is killed: its guard goes with it, so the next start runs, and the
  # one after that ends again.
  { kill -9 "$running" && wait_exit "$running" 10; } 2>/dev/null
  launch "$CWD"
  local after=$APP_PID
  wait_frame "$after" || return 1
  responsive "$after" || return 1
  launch "$CWD"
  expect_exit "$APP_PID" 0 || return 1
  responsive "$after" || return 1
  quit "$after"
}

# SingleInstance switched on in the settings dialog (F9, Tab to its first check box, Space,
# Enter for "Übernehmen") is written at once and counts for later starts only: the running
# instance holds no guard, so the next start still runs, and the one after it ends.
case_settings_dialog_single_instance() {
  write_ini "$CWD" "[Save]" "AutoSaveSettings=0" "AutoSaveOpenFiles=0"
  launch "$CWD"
  local first=$APP_PID
  wait_frame "$first" || return 1
  responsive "$first" || return 1
  keys "$first" F9 || return 1
  answer "$first" "Einstellungen konfigurieren" Tab space Return || return 1
  [[ $(ini_section "$CWD/VARNX.ini" MainWindow) == "SingleInstance=1" ]] ||
    fail "SingleInstance not written by the dialog: $(ini_section "$CWD/VARNX.ini" MainWindow | paste -sd '|')" || return 1
  launch "$CWD"
  local second=$APP_PID
  wait_frame "$second" || return 1
  responsive "$second" || return 1
  launch "$CWD"
  expect_exit "$APP_PID" 0 || return 1
  is_running "$first" && is_running "$second" || fail "an instance ended" || return 1
  quit "$second" || return 1
  quit "$first"
}

# F1 opens the guide as a document, each time a further window; a Readme.txt in the working
# folder comes first.
case_help_opens_guide() {
  write_ini "$CWD" "[Save]" "AutoSaveSettings=0" "AutoSaveOpenFiles=1"
  local guide="$BUILD_DIR/Doc/Readme.txt"
  [[ -f $BUILD_DIR/Readme.txt ]] && guide="$BUILD_DIR/Readme.txt"
  [[ -f $guide ]] || fail "the build has no guide at $guide" || return 1
  launch "$CWD"
  wait_frame "$APP_PID" || return 1
  keys "$APP_PID" F1 || return 1
  responsive "$APP_PID" || return 1
  keys "$APP_PID" F1 || return 1
  responsive "$APP_PID" || return 1
  only_frame "$APP_PID" || return 1
  quit "$APP_PID" || return 1
  local expected got
  expected=$(printf '1=%s\n2=%s' "$guide" "$guide")
  got=$(ini_section "$CWD/VARNX.ini" OpenFiles)
  [[ $got == "$expected" ]] || fail "open documents after F1 twice: $(paste -sd '|' <<<"$got")" || return 1

  printf 'eigene Hilfe\r\n' >"$CWD/Readme.txt"
  launch "$CWD"
  wait_frame "$APP_PID" || return 1
  responsive "$APP_PID" || return 1
  # The remembered guides come back; F1 adds the one of the working folder.
  keys "$APP_PID" F1 || return 1
  responsive "$APP_PID" || return 1
  quit "$APP_PID" || return 1
  got=$(ini_section "$CWD/VARNX.ini" OpenFiles | head -n 1)
  [[ $got == "1=$CWD/Readme.txt" ]] || fail "F1 did not open the working folder's Readme.txt: $got" || return 1

  # No guide anywhere (a program folder without Doc/): "Fehler:", and no window opens.
  rm "$CWD/Readme.txt"
  mkdir -p "$CASE_DIR/bin"
  cp "$BIN" "$CASE_DIR/bin/varnotex"
  PROGRAM="$CASE_DIR/bin/varnotex"
  write_ini "$CWD" "[Save]" "AutoSaveSettings=0" "AutoSaveOpenFiles=1"
  launch "$CWD"
  wait_frame "$APP_PID" || return 1
  responsive "$APP_PID" || return 1
  keys "$APP_PID" F1 || return 1
  answer "$APP_PID" "Fehler:" Return || return 1
  responsive "$APP_PID" || return 1
  quit "$APP_PID" || return 1
  [[ -z $(ini_section "$CWD/VARNX.ini" OpenFiles) ]] || fail "a window opened without a guide"
}

# F3 and the open dialog: the typed name opens in a document window.
case_open_with_dialog() {
  write_ini "$CWD" "[Save]" "AutoSaveSettings=0" "AutoSaveOpenFiles=1"
  mkdir -p "$CASE_DIR/texte"
  printf 'Inhalt\r\n' >"$CASE_DIR/texte/brief.txt"
  launch "$CWD"
  wait_frame "$APP_PID" || return 1
  responsive "$APP_PID" || return 1
  keys "$APP_PID" F3 || return 1
  wait_window "$APP_PID" "Datei öffnen..." || return 1
  focus "$WIN"
  xdotool key ctrl+a
  xdotool type --delay 10 "$CASE_DIR/texte/brief.txt"
  xdotool key Return
  wait_gone "$APP_PID" "Datei öffnen..." || return 1
  responsive "$APP_PID" || return 1
  only_frame "$APP_PID" || return 1
  quit "$APP_PID" || return 1
  [[ $(ini_section "$CWD/VARNX.ini" OpenFiles) == "1=$CASE_DIR/texte/brief.txt" ]] ||
    fail "open documents: $(ini_section "$CWD/VARNX.ini" OpenFiles | paste -sd '|')"
}
