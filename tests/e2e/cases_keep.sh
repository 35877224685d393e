# Saves that keep what a file is: a write-protected settings file stays as it was, a
# hard-linked document stays one file under both names, and a document written in place
# on a full disk keeps its old bytes.

# A VARNX.ini of mode 0444 (write-protected, which holds for root too): Alt+X reports
# "nach ... kann nicht geschrieben werden", and the file keeps every byte and its mode.
case_settings_write_protected() {
  write_ini "$CWD" "; schreibgeschützt" "[View]" "ShowMarkbar=1" "[Save]" "AutoSaveSettings=1" "AutoSaveOpenFiles=1"
  chmod 0444 "$CWD/VARNX.ini"
  cp "$CWD/VARNX.ini" "$CASE_DIR/before.ini"
  printf 'eins\r\n' >"$CWD/a.txt"
  launch "$CWD" a.txt
  wait_frame "$APP_PID" || return 1
  responsive "$APP_PID" || return 1
  keys "$APP_PID" alt+x || return 1
  answer "$APP_PID" "VARNX" Return || return 1
  same_file "$CWD/VARNX.ini" "$CASE_DIR/before.ini" "the write-protected settings file changed" || return 1
  [[ $(stat -c %a "$CWD/VARNX.ini") == 444 ]] || fail "mode $(stat -c %a "$CWD/VARNX.ini"), expected 444" || return 1
  no_temp_files "$CWD" || return 1
  if is_running "$APP_PID"; then
    # The frame stays open after the refused write; the process is ended here by its id.
    kill -TERM "$APP_PID"
    wait_exit "$APP_PID" 10 || fail "the program did not end on SIGTERM" || return 1
  fi
  same_file "$CWD/VARNX.ini" "$CASE_DIR/before.ini" "the write-protected settings file changed at the end"
}

# A document with a second hard link: after saving, both names show the new text, they are
# still one file, and its link count is 2. The shipped program takes no write fault from
# the environment, so the variable set here changes nothing.
case_hard_link_saved_under_both_names() {
  write_ini "$CWD" "[Save]" "AutoSaveSettings=0" "AutoSaveOpenFiles=0"
  make_text "$CWD/a.txt" 4
  ln "$CWD/a.txt" "$CWD/b.txt"
  { printf 'Z'; cat "$CWD/a.txt"; } >"$CASE_DIR/new.txt"
  local inode
  inode=$(stat -c %i "$CWD/a.txt")
  EXTRA_ENV=(VARNOTEX_FAIL_WRITES=a.txt)
  launch "$CWD" a.txt
  wait_frame "$APP_PID" || return 1
  responsive "$APP_PID" || return 1
  type_text "$APP_PID" "Z" || return 1
  menu_save "$APP_PID" || return 1
  wait_content "$CWD/a.txt" "$CASE_DIR/new.txt" "the text was not saved" || return 1
  same_file "$CWD/b.txt" "$CASE_DIR/new.txt" "the other name does not show the new text" || return 1
  [[ $(stat -c %h "$CWD/a.txt") == 2 ]] || fail "link count $(stat -c %h "$CWD/a.txt"), expected 2" || return 1
  [[ $(stat -c %i "$CWD/a.txt") == "$inode" && $(stat -c %i "$CWD/b.txt") == "$inode" ]] ||
    fail "the names are no longer the same file" || return 1
  no_temp_files "$CWD" || return 1
  only_frame "$APP_PID" || return 1
  quit "$APP_PID"
}

# A folder that takes no new file (immutable) on a full disk (a small tmpfs): the save writes
# in place, finds no room for the longer text, reports it and keeps every old byte; once
# there is room again the same save writes the text.
case_in_place_on_full_disk() {
  if [[ $CAN_MOUNT != 1 ]]; then
    skip "needs root: mounts a small full tmpfs"
    return
  fi
  write_ini "$CWD" "[Save]" "AutoSaveSettings=0" "AutoSaveOpenFiles=0"
  local disk="$CASE_DIR/disk" dir
  mount_tmpfs "$disk" 512 || return 1
  dir="$disk/fest"
  mkdir -p "$dir"
  # Exactly two pages: one more byte needs a page the full disk does not have.
  make_text "$CASE_DIR/text.txt" 16
  head -c 8192 "$CASE_DIR/text.txt" >"$dir/a.txt"
  cp "$dir/a.txt" "$CASE_DIR/old.txt"
  { printf 'Z'; cat "$CASE_DIR/old.txt"; } >"$CASE_DIR/new.txt"
  if ! chattr +i "$dir" 2>/dev/null; then
    skip "needs root and a file system with immutable folders (chattr +i)"
    return
  fi
  IMMUTABLE+=("$dir")
  fill_up "$disk"
  launch "$CWD" "$dir/a.txt"
  wait_frame "$APP_PID" || return 1
  responsive "$APP_PID" || return 1
  type_text "$APP_PID" "Z" || return 1
  menu_save "$APP_PID" || return 1
  answer "$APP_PID" "VARNX" Return || return 1
  same_file "$dir/a.txt" "$CASE_DIR/old.txt" "the old bytes were lost" || return 1
  still_modified "$APP_PID" || return 1
  rm -f "$disk/filler"
  menu_save "$APP_PID" || return 1
  wait_content "$dir/a.txt" "$CASE_DIR/new.txt" "the save with room on the disk did not write the text" || return 1
  only_frame "$APP_PID" || return 1
  quit "$APP_PID"
}
