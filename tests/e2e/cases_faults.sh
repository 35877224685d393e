# Faults while saving documents and the settings file (message boxes are told apart by their
# caption, the window title): a full disk, a read-only folder, a read-only file, a file or
# the settings file replaced by a folder, and the program killed in the middle of saving a
# big file. Where the system lets us mount file systems the faults are
# real; otherwise the test build of the program (FAULT_BIN) runs and VARNOTEX_FAIL_WRITES
# injects the write failure.

# Some lines of text, about KB kilobytes.
make_text() {
  awk -v n="$2" 'BEGIN { for (i = 0; i < n * 13; i++) printf "Zeile %06d: Der Inhalt, der nicht verloren gehen darf.......................\r\n", i }' >"$1"
}

# The document window is still open and modified: closing it asks, and Abbrechen keeps it.
still_modified() {
  keys "$1" F10 || return 1
  answer "$1" "Änderungen speichern ?" Escape
}

# A full disk under a document: the save fails with the general error report, the file keeps
# its old content, no temporary file is left, the document stays modified and "Ja" in the
# close prompt fails the same way and keeps the window open. Once there is room again the
# same prompt saves it.
fault_disk_full_document() {
  write_ini "$CWD" "[Save]" "AutoSaveSettings=0" "AutoSaveOpenFiles=0"
  local disk="$CASE_DIR/disk"
  make_text "$CASE_DIR/old.txt" 200
  if [[ $FAULT_MODE == real ]]; then
    mount_tmpfs "$disk" 1024 || return 1
  else
    mkdir -p "$disk"
    EXTRA_ENV=(VARNOTEX_FAIL_WRITES=brief.txt)
    PROGRAM=$FAULT_BIN
  fi
  cp "$CASE_DIR/old.txt" "$disk/brief.txt"
  [[ $FAULT_MODE == real ]] && fill_up "$disk"
  { printf 'Z'; cat "$CASE_DIR/old.txt"; } >"$CASE_DIR/new.txt"

  launch "$CWD" "$disk/brief.txt"
  wait_frame "$APP_PID" || return 1
  responsive "$APP_PID" || return 1
  type_text "$APP_PID" "Z" || return 1
  menu_save "$APP_PID" || return 1
  answer "$APP_PID" "VARNX" Return || return 1
  same_file "$disk/brief.txt" "$CASE_DIR/old.txt" "the old content was lost" || return 1
  no_temp_files "$disk" || return 1
  if [[ $FAULT_MODE == real ]]; then
    # Under a new name: the same report, and no empty file is left behind.
    keys "$APP_PID" F4 || return 1
    save_dialog "$APP_PID" "$disk/neu.txt" || return 1
    answer "$APP_PID" "VARNX" Return || return 1
    [[ ! -e $disk/neu.txt ]] || fail "the failed save left neu.txt behind" || return 1
    no_temp_files "$disk" || return 1
  fi
  # Ja in the close prompt fails the same way; the window stays open and modified.
  keys "$APP_PID" F10 || return 1
  answer "$APP_PID" "Änderungen speichern ?" j || return 1
  answer "$APP_PID" "VARNX" Return || return 1
  still_modified "$APP_PID" || return 1
  same_file "$disk/brief.txt" "$CASE_DIR/old.txt" "the old content was lost" || return 1
  if [[ $FAULT_MODE == real ]]; then
    rm -f "$disk/filler"
    keys "$APP_PID" F10 || return 1
    answer "$APP_PID" "Änderungen speichern ?" j || return 1
    wait_content "$disk/brief.txt" "$CASE_DIR/new.txt" "the save with room on the disk did not write the text" || return 1
    no_temp_files "$disk" || return 1
  else
    keys "$APP_PID" F10 || return 1
    answer "$APP_PID" "Änderungen speichern ?" n || return 1
  fi
  responsive "$APP_PID" || return 1
  only_frame "$APP_PID" || return 1
  quit "$APP_PID"
}

# The real fault needs a mount, which needs root; outside root the case is skipped and only
# the variant with the injected fault runs.
case_disk_full_document() {
  [[ $CAN_MOUNT == 1 ]] || { skip "needs root: mounts the file system that has the fault"; return; }
  FAULT_MODE=real fault_disk_full_document
}
# The same with the fault injected by the test build (VARNOTEX_FAIL_WRITES).
case_disk_full_document_injected() { FAULT_MODE=injected fault_disk_full_document; }

# A full disk under the settings file: quitting shows "nach ... kann nicht geschrieben werden",
# the program keeps running with the file as it was; with room again Alt+X ends it and the
# settings are written, the old lines kept.
fault_disk_full_settings() {
  local dir="$CWD"
  if [[ $FAULT_MODE == real ]]; then
    dir="$CASE_DIR/disk"
    mount_tmpfs "$dir" 256 || return 1
  else
    EXTRA_ENV=(VARNOTEX_FAIL_WRITES=VARNX.ini)
    PROGRAM=$FAULT_BIN
  fi
  write_ini "$dir" "; meine Einstellungen" "[View]" "ShowMarkbar=1" "[Save]" "AutoSaveSettings=1" "AutoSaveOpenFiles=1"
  cp "$dir/VARNX.ini" "$CASE_DIR/before.ini"
  [[ $FAULT_MODE == real ]] && fill_up "$dir"
  launch "$dir"
  wait_frame "$APP_PID" || return 1
  responsive "$APP_PID" || return 1
  keys "$APP_PID" alt+x || return 1
  answer "$APP_PID" "VARNX" Return || return 1
  is_running "$APP_PID" || fail "the program ended although its settings could not be written" || return 1
  same_file "$dir/VARNX.ini" "$CASE_DIR/before.ini" "the settings file was damaged" || return 1
  no_temp_files "$dir" || return 1
  responsive "$APP_PID" || return 1
  if [[ $FAULT_MODE == real ]]; then
    rm -f "$dir/filler"
    quit "$APP_PID" || return 1
    cmp -s -n "$(stat -c %s "$CASE_DIR/before.ini")" "$dir/VARNX.ini" "$CASE_DIR/before.ini" ||
      fail "the old settings lines were not kept" || return 1
    grep -q '^Width=' "$dir/VARNX.ini" || fail "the settings were not written once there was room"
  else
    # The injected fault stays for the whole run: the second Alt+X reports it once more and
    # ends the program all the same.
    keys "$APP_PID" alt+x || return 1
    answer "$APP_PID" "VARNX" Return || return 1
    expect_exit "$APP_PID" 0 || return 1
    same_file "$dir/VARNX.ini" "$CASE_DIR/before.ini" "the settings file was damaged at the second attempt"
  fi
}

# The real fault needs a mount, which needs root; outside root the case is skipped and only
# the variant with the injected fault runs.
case_disk_full_settings() {
  [[ $CAN_MOUNT == 1 ]] || { skip "needs root: mounts the file system that has the fault"; return; }
  FAULT_MODE=real fault_disk_full_settings
}
# The same with the fault injected by the test build (VARNOTEX_FAIL_WRITES).
case_disk_full_settings_injected() { FAULT_MODE=injected fault_disk_full_settings; }

# A read-only folder (a read-only mount, so that even root is refused): saving the file
# there says "In Datei ... konnte nicht geschrieben werden.", saving under a new name there
# "Die Datei ... konnte nicht erstellt werden."; the file stays as it was, the document
# modified; a write-protected file there cannot lose its protection ("Fehler:").
fault_readonly_folder() {
  write_ini "$CWD" "[Save]" "AutoSaveSettings=0" "AutoSaveOpenFiles=0"
  local source="$CASE_DIR/source" dir title
  mkdir -p "$source"
  make_text "$source/a.txt" 4
  cp "$source/a.txt" "$CASE_DIR/old.txt"
  cp "$source/a.txt" "$source/geschuetzt.txt"
  chmod 0444 "$source/geschuetzt.txt"
  if [[ $FAULT_MODE == real ]]; then
    dir="$CASE_DIR/ro"
    mount_readonly "$source" "$dir" || return 1
    title="Fehler: Speichern fehlgeschlagen..."
  else
    dir=$source
    EXTRA_ENV=(VARNOTEX_FAIL_WRITES=a.txt)
    PROGRAM=$FAULT_BIN
    title="VARNX"
  fi
  launch "$CWD" "$dir/a.txt"
  wait_frame "$APP_PID" || return 1
  responsive "$APP_PID" || return 1
  type_text "$APP_PID" "Z" || return 1
  menu_save "$APP_PID" || return 1
  answer "$APP_PID" "$title" Return || return 1
  if [[ $FAULT_MODE == real ]]; then
    keys "$APP_PID" F4 || return 1
    save_dialog "$APP_PID" "$dir/neu.txt" || return 1
    answer "$APP_PID" "$title" Return || return 1
    [[ ! -e $dir/neu.txt ]] || fail "neu.txt was created in the read-only folder" || return 1
    # A write-protected file there: its protection cannot be removed either.
    keys "$APP_PID" F4 || return 1
    save_dialog_overwrite "$APP_PID" "$dir/geschuetzt.txt" || return 1
    answer "$APP_PID" "Datei ist schreibgeschützt..." j || return 1
    answer "$APP_PID" "Fehler:" Return || return 1
    same_file "$source/geschuetzt.txt" "$CASE_DIR/old.txt" "the write-protected file changed" || return 1
  fi
  same_file "$source/a.txt" "$CASE_DIR/old.txt" "the file changed" || return 1
  still_modified "$APP_PID" || return 1
  keys "$APP_PID" F10 || return 1
  answer "$APP_PID" "Änderungen speichern ?" n || return 1
  only_frame "$APP_PID" || return 1
  quit "$APP_PID"
}

# The real fault needs a mount, which needs root; outside root the case is skipped and only
# the variant with the injected fault runs.
case_readonly_folder() {
  [[ $CAN_MOUNT == 1 ]] || { skip "needs root: mounts the file system that has the fault"; return; }
  FAULT_MODE=real fault_readonly_folder
}
# The same with the fault injected by the test build (VARNOTEX_FAIL_WRITES).
case_readonly_folder_injected() { FAULT_MODE=injected fault_readonly_folder; }

# A file with the read-only attribute: the question "Datei ist schreibgeschützt..."; Abbrechen
# leaves file and attribute, Ja clears only the write protection and saves.
case_readonly_attribute() {
  write_ini "$CWD" "[Save]" "AutoSaveSettings=0" "AutoSaveOpenFiles=0"
  make_text "$CWD/a.txt" 4
  cp "$CWD/a.txt" "$CASE_DIR/old.txt"
  { printf 'Z'; cat "$CASE_DIR/old.txt"; } >"$CASE_DIR/new.txt"
  chmod 0444 "$CWD/a.txt"
  launch "$CWD" a.txt
  wait_frame "$APP_PID" || return 1
  responsive "$APP_PID" || return 1
  type_text "$APP_PID" "Z" || return 1
  menu_save "$APP_PID" || return 1
  answer "$APP_PID" "Datei ist schreibgeschützt..." Escape || return 1
  same_file "$CWD/a.txt" "$CASE_DIR/old.txt" "the file changed after Abbrechen" || return 1
  [[ $(stat -c %a "$CWD/a.txt") == 444 ]] || fail "the attribute changed after Abbrechen" || return 1
  menu_save "$APP_PID" || return 1
  answer "$APP_PID" "Datei ist schreibgeschützt..." j || return 1
  wait_content "$CWD/a.txt" "$CASE_DIR/new.txt" "Ja did not save the text" || return 1
  [[ $(stat -c %a "$CWD/a.txt") == 644 ]] || fail "mode $(stat -c %a "$CWD/a.txt") after Ja, expected 644" || return 1
  only_frame "$APP_PID" || return 1
  quit "$APP_PID"
}

# The document's file replaced by a folder of the same name: saving goes through the save
# dialog; cancelling it keeps the document modified and the folder untouched; a new name
# saves the text.
case_file_replaced_by_directory() {
  write_ini "$CWD" "[Save]" "AutoSaveSettings=0" "AutoSaveOpenFiles=0"
  make_text "$CWD/a.txt" 4
  { printf 'Z'; cat "$CWD/a.txt"; } >"$CASE_DIR/new.txt"
  launch "$CWD" a.txt
  wait_frame "$APP_PID" || return 1
  responsive "$APP_PID" || return 1
  type_text "$APP_PID" "Z" || return 1
  rm "$CWD/a.txt"
  mkdir "$CWD/a.txt"
  printf 'bleibt\n' >"$CWD/a.txt/inhalt.txt"
  # Back in the program, the user is told that the file is gone.
  focus "$FRAME"
  answer "$APP_PID" "Datei nicht mehr vorhanden" Return || return 1
  menu_save "$APP_PID" || return 1
  answer "$APP_PID" "Speichern unter..." Escape || return 1
  keys "$APP_PID" F10 || return 1
  answer "$APP_PID" "Änderungen speichern ?" j || return 1
  answer "$APP_PID" "Speichern unter..." Escape || return 1
  [[ -d $CWD/a.txt && $(cat "$CWD/a.txt/inhalt.txt") == bleibt ]] || fail "the folder was touched" || return 1
  no_temp_files "$CWD" || return 1
  keys "$APP_PID" F10 || return 1
  answer "$APP_PID" "Änderungen speichern ?" j || return 1
  save_dialog "$APP_PID" "$CWD/b.txt" || return 1
  wait_content "$CWD/b.txt" "$CASE_DIR/new.txt" "the text was not saved under the new name" || return 1
  only_frame "$APP_PID" || return 1
  quit "$APP_PID"
}

# The settings file replaced by a folder while the program runs: quitting reports that it
# cannot be written and keeps running; with the file back Alt+X ends the program.
case_settings_replaced_by_directory() {
  write_ini "$CWD" "[Save]" "AutoSaveSettings=1" "AutoSaveOpenFiles=0"
  cp "$CWD/VARNX.ini" "$CASE_DIR/before.ini"
  launch "$CWD"
  wait_frame "$APP_PID" || return 1
  responsive "$APP_PID" || return 1
  rm "$CWD/VARNX.ini"
  mkdir "$CWD/VARNX.ini"
  keys "$APP_PID" alt+x || return 1
  answer "$APP_PID" "VARNX" Return || return 1
  is_running "$APP_PID" || fail "the program ended although its settings could not be written" || return 1
  [[ -d $CWD/VARNX.ini && -z $(ls -A "$CWD/VARNX.ini") ]] || fail "the folder was touched" || return 1
  responsive "$APP_PID" || return 1
  rmdir "$CWD/VARNX.ini"
  cp "$CASE_DIR/before.ini" "$CWD/VARNX.ini"
  quit "$APP_PID" || return 1
  grep -q '^Width=' "$CWD/VARNX.ini" || fail "the settings were not written once the file was back"
}

# The program and its VARNX.ini in a folder the user cannot write (as after an installation
# by root): quitting reports "nach ... kann nicht geschrieben werden" in the general error
# report and the frame stays open; the settings file stays as it was. The second Alt+X
# reports it once more and ends the program with exit code 0.
fault_settings_readonly_beside_program() {
  local source="$CASE_DIR/install" dir
  mkdir -p "$source"
  if [[ $FAULT_MODE == real ]]; then cp "$BIN" "$source/varnotex"; else cp "$FAULT_BIN" "$source/varnotex"; fi
  write_ini "$source" "; installiert" "[View]" "ShowMarkbar=1"
  cp "$source/VARNX.ini" "$CASE_DIR/before.ini"
  if [[ $FAULT_MODE == real ]]; then
    dir="$CASE_DIR/bin"
    mount_readonly "$source" "$dir" || return 1
  else
    dir=$source
    EXTRA_ENV=(VARNOTEX_FAIL_WRITES=VARNX.ini)
  fi
  PROGRAM="$dir/varnotex"
  launch "$CWD"
  wait_frame "$APP_PID" || return 1
  responsive "$APP_PID" || return 1
  keys "$APP_PID" alt+x || return 1
  answer "$APP_PID" "VARNX" Return || return 1
  responsive "$APP_PID" || return 1
  only_frame "$APP_PID" || return 1
  same_file "$source/VARNX.ini" "$CASE_DIR/before.ini" "the settings file changed" || return 1
  no_temp_files "$source" || return 1
  keys "$APP_PID" alt+x || return 1
  answer "$APP_PID" "VARNX" Return || return 1
  expect_exit "$APP_PID" 0 || return 1
  same_file "$source/VARNX.ini" "$CASE_DIR/before.ini" "the settings file changed at the second attempt" || return 1
  no_temp_files "$source"
}

# The real fault needs a mount, which needs root; outside root the case is skipped and only
# the variant with the injected fault runs.
case_settings_readonly_beside_program() {
  [[ $CAN_MOUNT == 1 ]] || { skip "needs root: mounts the file system that has the fault"; return; }
  FAULT_MODE=real fault_settings_readonly_beside_program
}
# The same with the fault injected by the test build (VARNOTEX_FAIL_WRITES).
case_settings_readonly_beside_program_injected() { FAULT_MODE=injected fault_settings_readonly_beside_program; }

# A save replaces the text but nothing else: the file's permissions stay, and a document
# opened through a chain of symbolic links is written into the file at its end, the links
# staying links.
case_save_keeps_mode_and_links() {
  write_ini "$CWD" "[Save]" "AutoSaveSettings=0" "AutoSaveOpenFiles=0"
  mkdir -p "$CWD/daten"
  printf 'Skript\r\n' >"$CWD/skript.sh"
  chmod 0751 "$CWD/skript.sh"
  printf 'Ziel\r\n' >"$CWD/daten/ziel.txt"
  ln -s daten/ziel.txt "$CWD/zwischen.txt"
  ln -s zwischen.txt "$CWD/verweis.txt"
  launch "$CWD" skript.sh verweis.txt
  wait_frame "$APP_PID" || return 1
  responsive "$APP_PID" || return 1
  # verweis.txt is active.
  type_text "$APP_PID" "1" || return 1
  menu_save "$APP_PID" || return 1
  printf '1Ziel\r\n' >"$CASE_DIR/expected.link"
  wait_content "$CWD/daten/ziel.txt" "$CASE_DIR/expected.link" "the text did not reach the file behind the links" || return 1
  [[ -L $CWD/verweis.txt && $(readlink "$CWD/verweis.txt") == zwischen.txt ]] || fail "verweis.txt is no longer the same link" || return 1
  [[ -L $CWD/zwischen.txt && $(readlink "$CWD/zwischen.txt") == daten/ziel.txt ]] || fail "zwischen.txt is no longer the same link" || return 1
  # Shift+F7: the previous window, skript.sh.
  keys "$APP_PID" shift+F7 || return 1
  type_text "$APP_PID" "2" || return 1
  menu_save "$APP_PID" || return 1
  printf '2Skript\r\n' >"$CASE_DIR/expected.script"
  wait_content "$CWD/skript.sh" "$CASE_DIR/expected.script" "the script was not saved" || return 1
  [[ $(stat -c %a "$CWD/skript.sh") == 751 ]] || fail "mode $(stat -c %a "$CWD/skript.sh") after saving, expected 751" || return 1
  no_temp_files "$CWD" || return 1
  no_temp_files "$CWD/daten" || return 1
  only_frame "$APP_PID" || return 1
  quit "$APP_PID"
}

# A folder that allows no new file (immutable, so that even root cannot add one) while its
# file may still be written: the save writes the file in place.
case_save_in_folder_without_new_files() {
  write_ini "$CWD" "[Save]" "AutoSaveSettings=0" "AutoSaveOpenFiles=0"
  local dir="$CASE_DIR/fest"
  mkdir -p "$dir"
  make_text "$dir/a.txt" 4
  { printf 'Z'; cat "$dir/a.txt"; } >"$CASE_DIR/new.txt"
  if ! command -v chattr >/dev/null || ! chattr +i "$dir" 2>/dev/null; then
    skip "needs root and a file system with immutable folders (chattr +i)"
    return
  fi
  IMMUTABLE+=("$dir")
  if touch "$dir/probe" 2>/dev/null; then
    rm -f "$dir/probe"
    skip "the immutable folder still takes new files on this system"
    return
  fi
  launch "$CWD" "$dir/a.txt"
  wait_frame "$APP_PID" || return 1
  responsive "$APP_PID" || return 1
  type_text "$APP_PID" "Z" || return 1
  menu_save "$APP_PID" || return 1
  wait_content "$dir/a.txt" "$CASE_DIR/new.txt" "the file was not written in place" || return 1
  only_frame "$APP_PID" || return 1
  quit "$APP_PID"
}

# The program killed with SIGKILL while it saves a 50 MB file. The test build slows every
# write of the file (VARNOTEX_SLOW_WRITES: 40 ms a megabyte, about two seconds a save) so
# that each kill lands while the save runs: when the temporary file has reached a given
# share of the new text. The program is still running then and the file is still the old
# one (the same inode: a cheap look, so that the kill at 90% comes before the save's last
# tenth); after the kill the file is the complete old text, and nothing is left behind: the
# temporary file had no name.
case_kill_during_slowed_big_save() {
  write_ini "$CWD" "[Save]" "AutoSaveSettings=0" "AutoSaveOpenFiles=0"
  make_text "$CASE_DIR/old.txt" 50000
  local old_sum new_size old_inode
  old_sum=$(md5sum <"$CASE_DIR/old.txt")
  new_size=$(($(stat -c %s "$CASE_DIR/old.txt") + 1))
  PROGRAM=$FAULT_BIN
  EXTRA_ENV=(VARNOTEX_SLOW_WRITES=big.txt@40)
  local share at deadline temp outcomes=""
  for share in 0 10 30 50 70 90; do
    cp "$CASE_DIR/old.txt" "$CWD/big.txt"
    old_inode=$(stat -c %i "$CWD/big.txt")
    launch "$CWD" big.txt
    wait_frame "$APP_PID" 60 || return 1
    responsive "$APP_PID" || return 1
    type_text "$APP_PID" "Z" || return 1
    menu_save "$APP_PID" || return 1
    # Wait for the temporary file to hold the share of the new text, then kill at once.
    at=$((new_size * share / 100))
    deadline=$(($(now_ms) + 60000))
    while :; do
      temp=$(open_temp "$APP_PID" "$CWD")
      [[ -n $temp && $(stat -L -c %s "$temp" 2>/dev/null || echo -1) -ge $at ]] && break
      is_running "$APP_PID" || { fail "the program ended before the save reached ${share}%"; return 1; }
      [[ $(now_ms) -lt $deadline ]] || { fail "the save did not reach ${share}%"; return 1; }
      sleep 0.002
    done
    is_running "$APP_PID" || { fail "the program was gone before the kill at ${share}%"; return 1; }
    [[ $(stat -c %i "$CWD/big.txt") == "$old_inode" ]] || { fail "the file was replaced before the save ended (${share}%)"; return 1; }
    { kill -9 "$APP_PID" && wait_exit "$APP_PID" 10; } 2>/dev/null
    [[ $(md5sum <"$CWD/big.txt") == "$old_sum" ]] ||
      { fail "after a kill at ${share}% of the save the file is not the complete old text ($(stat -c %s "$CWD/big.txt") bytes)"; return 1; }
    no_temp_files "$CWD" || return 1
    outcomes+=" ${share}%:old"
    # The typed Z may have reached a recovery journal: this case is about the save alone.
    rm -rf "$CASE_DIR/home/.local/state"
  done
  note "kills:$outcomes"
  # Without a kill the same slowed save ends with the complete new text and no leftover.
  cp "$CASE_DIR/old.txt" "$CWD/big.txt"
  { printf 'Z'; cat "$CASE_DIR/old.txt"; } >"$CASE_DIR/new.txt"
  launch "$CWD" big.txt
  wait_frame "$APP_PID" 60 || return 1
  responsive "$APP_PID" || return 1
  type_text "$APP_PID" "Z" || return 1
  menu_save "$APP_PID" || return 1
  wait_content "$CWD/big.txt" "$CASE_DIR/new.txt" "the slowed save did not write the new text" || return 1
  no_temp_files "$CWD" || return 1
  quit "$APP_PID"
}

# The program killed with SIGKILL while it writes its settings at the end (a settings file
# of 10,000 sections). The test build holds the write for half a second once its temporary
# file is there (VARNOTEX_SLOW_WRITES), so the kill lands while the write runs: the program
# is still running and the file still the old one. Afterwards the file holds every old byte
# and nothing else, and no temporary file is left behind. Without the kill the
# write ends with the old bytes kept and only whole lines added.
case_kill_during_slowed_settings_write() {
  awk 'BEGIN { for (i = 1; i <= 10000; i++) printf "[Abschnitt%d]\r\nSchluessel=Wert %d\r\n", i, i
               printf "[Save]\r\nAutoSaveSettings=1\r\nAutoSaveOpenFiles=1\r\n" }' >"$CASE_DIR/before.ini"
  printf 'eins\r\n' >"$CWD/a.txt"
  printf 'zwei\r\n' >"$CWD/b.txt"
  PROGRAM=$FAULT_BIN
  EXTRA_ENV=(VARNOTEX_SLOW_WRITES=VARNX.ini@500)
  cp "$CASE_DIR/before.ini" "$CWD/VARNX.ini"
  launch "$CWD" a.txt b.txt
  wait_frame "$APP_PID" || return 1
  responsive "$APP_PID" || return 1
  keys "$APP_PID" F2 alt+x || return 1
  local deadline temp
  deadline=$(($(now_ms) + 30000))
  until temp=$(open_temp "$APP_PID" "$CWD"); [[ -n $temp ]]; do
    is_running "$APP_PID" || { fail "the program ended before its settings write began"; return 1; }
    [[ $(now_ms) -lt $deadline ]] || { fail "the settings write did not begin"; return 1; }
    sleep 0.002
  done
  is_running "$APP_PID" || { fail "the program was gone before the kill"; return 1; }
  same_file "$CWD/VARNX.ini" "$CASE_DIR/before.ini" "the settings file changed before its write ended" || return 1
  { kill -9 "$APP_PID" && wait_exit "$APP_PID" 10; } 2>/dev/null
  same_file "$CWD/VARNX.ini" "$CASE_DIR/before.ini" "the kill during the write damaged the settings file" || return 1
  no_temp_files "$CWD" || return 1
  note "killed during the write; nothing left behind"
  # Once more without the kill.
  launch "$CWD" a.txt b.txt
  wait_frame "$APP_PID" || return 1
  responsive "$APP_PID" || return 1
  quit "$APP_PID" || return 1
  starts_with "$CWD/VARNX.ini" "$CASE_DIR/before.ini" || return 1
  [[ $(tail -c 2 "$CWD/VARNX.ini" | od -An -c | tr -d ' ') == '\r\n' ]] || fail "the settings file ends in the middle of a line" || return 1
  grep -q "a.txt" "$CWD/VARNX.ini" || fail "the open files were not written" || return 1
  no_temp_files "$CWD"
}
