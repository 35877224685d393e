# Bad input: each ends in a clear message or a silent skip, never in a crash or a hang. After
# each the program must still take input (the open dialog comes and goes) and end normally.

# load_roundtrip FILE: the file opened from the command line is changed and changed back,
# saved with the menu, and must come out byte for byte as it went in. That the save really
# happened is proven first: the file's inode or time (set far back before the start) changes.
load_roundtrip() {
  local file=$1
  touch -d '2001-02-03 04:05:06' "$file"
  cp -p "$file" "$CASE_DIR/original"
  local before
  before=$(stat -c '%i %y' "$file")
  write_ini "$CWD" "[Save]" "AutoSaveSettings=0" "AutoSaveOpenFiles=0"
  launch "$CWD" "$file"
  wait_frame "$APP_PID" || return 1
  responsive "$APP_PID" || return 1
  only_frame "$APP_PID" || return 1
  type_text "$APP_PID" "Z" || return 1
  keys "$APP_PID" BackSpace || return 1
  [[ $(stat -c '%i %y' "$file") == "$before" ]] || fail "the file changed before the save" || return 1
  menu_save "$APP_PID" || return 1
  local deadline=$(($(now_ms) + T_WIN * 1000))
  until [[ $(stat -c '%i %y' "$file") != "$before" ]]; do
    [[ $(now_ms) -lt $deadline ]] || { fail "the save did not happen (inode and time unchanged)"; return 1; }
    sleep 0.05
  done
  responsive "$APP_PID" || return 1
  only_frame "$APP_PID" || return 1
  same_file "$file" "$CASE_DIR/original" "loading and saving changed the bytes" || return 1
  quit "$APP_PID"
}

# A binary file (the start of the program itself: NUL bytes, lone CR and LF, all 256 values).
case_binary_file() {
  head -c 300000 "$BIN" >"$CWD/programm.bin"
  load_roundtrip "$CWD/programm.bin"
}

# A file of NUL bytes.
case_nul_bytes() {
  head -c 1000000 /dev/zero >"$CWD/nullen.dat"
  load_roundtrip "$CWD/nullen.dat"
}

# 20 MB on one line: the caret goes to its end and a character is added there.
case_long_line_20mb() {
  write_ini "$CWD" "[Save]" "AutoSaveSettings=0" "AutoSaveOpenFiles=0"
  head -c 20000000 /dev/zero | tr '\0' 'x' >"$CWD/lang.txt"
  { printf 'A'; cat "$CWD/lang.txt"; printf 'E'; } >"$CASE_DIR/expected"
  launch "$CWD" lang.txt
  wait_frame "$APP_PID" 60 || return 1
  responsive "$APP_PID" || return 1
  # The statistics count the whole line.
  keys "$APP_PID" F11 || return 1
  answer "$APP_PID" "Statistik" Escape || return 1
  type_text "$APP_PID" "A" || return 1
  keys "$APP_PID" End || return 1
  type_text "$APP_PID" "E" || return 1
  responsive "$APP_PID" || return 1
  menu_save "$APP_PID" || return 1
  local deadline=$(($(now_ms) + 60000))
  until cmp -s "$CWD/lang.txt" "$CASE_DIR/expected"; do
    [[ $(now_ms) -lt $deadline ]] || { same_file "$CWD/lang.txt" "$CASE_DIR/expected" "the long line was not saved with both changes"; return 1; }
    sleep 0.2
  done
  only_frame "$APP_PID" || return 1
  quit "$APP_PID"
}

# A file beyond the size a document can hold (a sparse file of 1.5 GB): the general error
# report, no document, and the memory given back.
case_file_over_size_limit() {
  write_ini "$CWD" "[Save]" "AutoSaveSettings=0" "AutoSaveOpenFiles=1"
  truncate -s 1500M "$CWD/riesig.dat"
  launch "$CWD" riesig.dat
  wait_window "$APP_PID" "VARNX" 60 || return 1
  answer "$APP_PID" "VARNX" Return || return 1
  responsive "$APP_PID" || return 1
  only_frame "$APP_PID" || return 1
  local rss
  rss=$(awk '/^VmRSS/ {print $2}' /proc/"$APP_PID"/status)
  [[ $rss -lt 500000 ]] || fail "the program still holds ${rss} kB after the failed load" || return 1
  keys "$APP_PID" F2 || return 1
  quit "$APP_PID" || return 1
  [[ -z $(ini_section "$CWD/VARNX.ini" OpenFiles) ]] || fail "a document was left open"
}

# Printing with no printer set up offers a PDF file instead, which is then written; where a
# printer exists its dialog comes and is cancelled. Either way the program goes on.
case_print_without_printer() {
  write_ini "$CWD" "[Save]" "AutoSaveSettings=0" "AutoSaveOpenFiles=0"
  printf 'Druck\r\n' >"$CWD/a.txt"
  launch "$CWD" a.txt
  wait_frame "$APP_PID" || return 1
  responsive "$APP_PID" || return 1
  keys "$APP_PID" F12 || return 1
  local deadline=$(($(now_ms) + T_WIN * 1000)) shown=""
  while [[ -z $shown ]]; do
    shown=$(titles "$APP_PID" | grep -v -x -F "$FRAME_TITLE" | head -n 1)
    [[ -n $shown ]] && break
    [[ $(now_ms) -lt $deadline ]] || { fail "F12 showed nothing"; return 1; }
    sleep 0.1
  done
  case $shown in
    # No printer: the offer of a PDF file, taken, and the file written.
    "Kein Drucker...")
      answer "$APP_PID" "Kein Drucker..." Return || return 1
      wait_window "$APP_PID" "In PDF-Datei drucken..." || return 1
      focus "$WIN"
      xdotool key ctrl+a
      xdotool type --delay 10 "$CWD/druck.pdf"
      xdotool key Return
      wait_gone "$APP_PID" "In PDF-Datei drucken..." || return 1
      deadline=$(($(now_ms) + T_WIN * 1000))
      until [[ -s $CWD/druck.pdf ]] && tail -c 1024 "$CWD/druck.pdf" | grep -q '%%EOF'; do
        [[ $(now_ms) -lt $deadline ]] || { fail "no PDF file written"; return 1; }
        sleep 0.1
      done
      ;;
    "Drucken") answer "$APP_PID" "Drucken" Escape || return 1 ;;
    *) fail "F12 showed \"$shown\""; return 1 ;;
  esac
  responsive "$APP_PID" || return 1
  only_frame "$APP_PID" || return 1
  quit "$APP_PID"
}

# A folder and a name that does not exist on the command line are skipped without a word;
# the file after them opens.
case_directory_and_missing_name() {
  write_ini "$CWD" "[Save]" "AutoSaveSettings=0" "AutoSaveOpenFiles=1"
  mkdir "$CWD/ordner"
  printf 'da\r\n' >"$CWD/da.txt"
  launch "$CWD" ordner fehlt.txt "$CASE_DIR" da.txt
  wait_frame "$APP_PID" || return 1
  responsive "$APP_PID" || return 1
  only_frame "$APP_PID" || return 1
  quit "$APP_PID" || return 1
  [[ $(ini_section "$CWD/VARNX.ini" OpenFiles) == "1=$CWD/da.txt" ]] ||
    fail "open documents: $(ini_section "$CWD/VARNX.ini" OpenFiles | paste -sd '|')"
}

# A FIFO named on the command line does not block the start: its opening fails with the
# general error report, which ends the opening of the command line's files.
case_fifo_on_command_line() {
  write_ini "$CWD" "[Save]" "AutoSaveSettings=0" "AutoSaveOpenFiles=1"
  mkfifo "$CWD/rohr"
  printf 'danach\r\n' >"$CWD/danach.txt"
  launch "$CWD" rohr danach.txt
  answer "$APP_PID" "VARNX" Return || return 1
  wait_frame "$APP_PID" || return 1
  responsive "$APP_PID" || return 1
  only_frame "$APP_PID" || return 1
  keys "$APP_PID" F2 || return 1
  quit "$APP_PID" || return 1
  [[ -p $CWD/rohr ]] || fail "the FIFO was replaced" || return 1
  [[ -z $(ini_section "$CWD/VARNX.ini" OpenFiles) ]] || fail "files after the failed one were opened"
}

# A settings file of random bytes: the program starts, runs and ends; what it writes at the
# end is added, and the old bytes stay.
case_ini_random_bytes() {
  head -c 65536 /dev/urandom >"$CWD/VARNX.ini"
  cp "$CWD/VARNX.ini" "$CASE_DIR/before.ini"
  launch "$CWD"
  wait_frame "$APP_PID" || return 1
  responsive "$APP_PID" || return 1
  only_frame "$APP_PID" || return 1
  quit "$APP_PID" || return 1
  starts_with "$CWD/VARNX.ini" "$CASE_DIR/before.ini"
}

# 10,000 sections.
case_ini_10000_sections() {
  awk 'BEGIN { for (i = 1; i <= 10000; i++) printf "[Abschnitt%d]\r\nSchluessel=Wert %d\r\n\r\n", i, i
               printf "[Tools]\r\nWahr=/bin/true\r\n[Save]\r\nAutoSaveSettings=1\r\nAutoSaveOpenFiles=1\r\n" }' >"$CWD/VARNX.ini"
  cp "$CWD/VARNX.ini" "$CASE_DIR/before.ini"
  launch "$CWD"
  wait_frame "$APP_PID" || return 1
  responsive "$APP_PID" || return 1
  only_frame "$APP_PID" || return 1
  quit "$APP_PID" || return 1
  starts_with "$CWD/VARNX.ini" "$CASE_DIR/before.ini" || return 1
  [[ $(grep -c '^\[Abschnitt' "$CWD/VARNX.ini") == 10000 ]] || fail "sections were lost" || return 1
  grep -q '^Width=' "$CWD/VARNX.ini" || fail "the settings of the run were not written"
}

# Lines of 1 MB: a line without "=", a tool command and a key name of 1 MB each.
case_ini_1mb_line() {
  {
    printf '[View]\r\n'
    head -c 1048576 /dev/zero | tr '\0' 'x'
    printf '\r\n[Tools]\r\nLang='
    head -c 1048576 /dev/zero | tr '\0' 'y'
    printf '\r\n'
    head -c 1048576 /dev/zero | tr '\0' 'k'
    printf '=/bin/true\r\nKurz=/bin/true\r\n[Save]\r\nAutoSaveSettings=1\r\nAutoSaveOpenFiles=0\r\n'
  } >"$CWD/VARNX.ini"
  cp "$CWD/VARNX.ini" "$CASE_DIR/before.ini"
  launch "$CWD"
  wait_frame "$APP_PID" || return 1
  responsive "$APP_PID" || return 1
  # The Tools menu opens with "Lang" first (the key listing ends within the 1 MB key, so
  # "Kurz" is not read); its command, cut to 1023 "y", names no program.
  keys "$APP_PID" alt+t || return 1
  wait_menu "$APP_PID" || return 1
  focus "$FRAME"
  xdotool key Return
  answer "$APP_PID" "Fehler: Ausführung fehlgeschlagen..." Return || return 1
  menu_gone "$APP_PID" || return 1
  responsive "$APP_PID" || return 1
  only_frame "$APP_PID" || return 1
  quit "$APP_PID" || return 1
  starts_with "$CWD/VARNX.ini" "$CASE_DIR/before.ini"
}

# A tool whose command names a missing program: "Fehler: Ausführung fehlgeschlagen...".
case_tool_missing_program() {
  write_ini "$CWD" "[Tools]" "Fehlt=/nonexistent/prog" "[Save]" "AutoSaveSettings=0" "AutoSaveOpenFiles=0"
  launch "$CWD"
  wait_frame "$APP_PID" || return 1
  responsive "$APP_PID" || return 1
  # Alt+T opens "Tools" with its first item selected; Enter chooses it.
  keys "$APP_PID" alt+t || return 1
  wait_menu "$APP_PID" || return 1
  keys "$APP_PID" Return || return 1
  answer "$APP_PID" "Fehler: Ausführung fehlgeschlagen..." Return || return 1
  responsive "$APP_PID" || return 1
  only_frame "$APP_PID" || return 1
  quit "$APP_PID"
}

# A tool that exists gets its own arguments, split by the Desktop Entry quoting rules, and
# the active document's full path as one more argument, blanks and all; it runs in its own
# folder.
case_tool_gets_document_path() {
  mkdir -p "$CASE_DIR/werkzeug"
  printf '#!/bin/sh\n{ pwd; for a in "$@"; do echo "$a"; done; } >"%s/received.txt"\n' "$CASE_DIR" \
    >"$CASE_DIR/werkzeug/zeigen.sh"
  chmod +x "$CASE_DIR/werkzeug/zeigen.sh"
  write_ini "$CWD" "[Tools]" "Zeigen=$CASE_DIR/werkzeug/zeigen.sh -x \"zwei Worte\"" "[Save]" "AutoSaveSettings=0" "AutoSaveOpenFiles=0"
  printf 'Text\r\n' >"$CWD/mit blank.txt"
  launch "$CWD" "mit blank.txt"
  wait_frame "$APP_PID" || return 1
  responsive "$APP_PID" || return 1
  keys "$APP_PID" alt+t || return 1
  wait_menu "$APP_PID" || return 1
  keys "$APP_PID" Return || return 1
  local deadline=$(($(now_ms) + T_WIN * 1000))
  local expected
  expected=$(printf '%s\n%s\n%s\n%s' "$CASE_DIR/werkzeug" "-x" "zwei Worte" "$CWD/mit blank.txt")
  # The tool writes its four lines at once; wait until they are all there.
  until [[ $(wc -l <"$CASE_DIR/received.txt" 2>/dev/null || echo 0) -ge 4 ]]; do
    [[ $(now_ms) -lt $deadline ]] || { fail "the tool was not started (windows: $(titles "$APP_PID" | paste -sd '|'))"; return 1; }
    sleep 0.1
  done
  [[ $(cat "$CASE_DIR/received.txt") == "$expected" ]] || fail "the tool received: $(paste -sd '|' "$CASE_DIR/received.txt")" || return 1
  only_frame "$APP_PID" || return 1
  quit "$APP_PID"
}

# A document whose lines are links of 100,000 characters. The pointer rests on one and
# clicks it: with no browser known the question "Fehler: Browser nicht gefunden..." comes and
# Abbrechen ends it; with a browser known, the browser receives the whole link.
case_link_100000_chars() {
  write_ini "$CWD" "[Save]" "AutoSaveSettings=0" "AutoSaveOpenFiles=0"
  local link
  link="http://www.beispiel.de/$(head -c 99977 /dev/zero | tr '\0' 'a')"
  [[ ${#link} == 100000 ]] || fail "the link has ${#link} characters" || return 1
  local i
  for ((i = 0; i < 40; i++)); do printf '%s\r\n' "$link"; done >"$CWD/links.txt"
  # Nothing known about browsers: empty XDG folders of our own.
  mkdir -p "$CASE_DIR/xdg/data" "$CASE_DIR/xdg/config"
  EXTRA_ENV=(XDG_DATA_DIRS="$CASE_DIR/xdg/data" XDG_CONFIG_DIRS="$CASE_DIR/xdg/config"
    XDG_DATA_HOME="$CASE_DIR/xdg/data" XDG_CURRENT_DESKTOP=)
  launch "$CWD" links.txt
  wait_frame "$APP_PID" || return 1
  responsive "$APP_PID" || return 1
  click_link "$APP_PID" || return 1
  answer "$APP_PID" "Fehler: Browser nicht gefunden..." Escape || return 1
  responsive "$APP_PID" || return 1
  only_frame "$APP_PID" || return 1
  quit "$APP_PID" || return 1

  # A browser of our own that writes down what it was given.
  mkdir -p "$CASE_DIR/xdg/data/applications"
  cat >"$CASE_DIR/browser.sh" <<EOF
#!/bin/sh
printf '%s' "\$1" >"$CASE_DIR/received.txt"
EOF
  chmod +x "$CASE_DIR/browser.sh"
  printf '[Desktop Entry]\nType=Application\nName=Testbrowser\nExec=%s %%u\nMimeType=text/html;\n' "$CASE_DIR/browser.sh" \
    >"$CASE_DIR/xdg/data/applications/testbrowser.desktop"
  printf '[Default Applications]\ntext/html=testbrowser.desktop\n' >"$CASE_DIR/xdg/config/mimeapps.list"
  EXTRA_ENV=(XDG_DATA_DIRS="$CASE_DIR/xdg/data" XDG_CONFIG_DIRS="$CASE_DIR/xdg/config"
    XDG_DATA_HOME="$CASE_DIR/xdg/data" XDG_CONFIG_HOME="$CASE_DIR/xdg/config" XDG_CURRENT_DESKTOP=)
  launch "$CWD" links.txt
  wait_frame "$APP_PID" || return 1
  responsive "$APP_PID" || return 1
  click_link "$APP_PID" || return 1
  local deadline=$(($(now_ms) + T_WIN * 1000))
  until [[ $(stat -c %s "$CASE_DIR/received.txt" 2>/dev/null || echo 0) -ge ${#link} ]]; do
    [[ $(now_ms) -lt $deadline ]] || { fail "the browser was not started (windows: $(titles "$APP_PID" | paste -sd '|'))"; return 1; }
    sleep 0.1
  done
  [[ $(cat "$CASE_DIR/received.txt") == "$link" ]] || fail "the browser received $(stat -c %s "$CASE_DIR/received.txt") characters, not the link" || return 1
  responsive "$APP_PID" || return 1
  only_frame "$APP_PID" || return 1
  quit "$APP_PID"
}

# A browser installed as a snap: its desktop entry starts it through "env NAME=VALUE program
# %u". The whole Exec= line is started, and the browser receives the link as one argument.
case_link_snap_style_browser() {
  write_ini "$CWD" "[Save]" "AutoSaveSettings=0" "AutoSaveOpenFiles=0"
  local link="http://www.beispiel.de/$(head -c 120 /dev/zero | tr '\0' 'a')/suche?q=a&x=1"
  local i
  for ((i = 0; i < 40; i++)); do printf '%s\r\n' "$link"; done >"$CWD/links.txt"
  mkdir -p "$CASE_DIR/snap bin" "$CASE_DIR/xdg/data/applications" "$CASE_DIR/xdg/config"
  cat >"$CASE_DIR/snap bin/browser" <<'EOF2'
#!/bin/sh
{ printf '%s\n' "$#"; printf '%s\n' "$VARNOTEX_SNAP_HINT"; printf '%s' "$1"; } >"${0%/*}/received.tmp"
mv "${0%/*}/received.tmp" "${0%/*}/received.txt"
EOF2
  chmod +x "$CASE_DIR/snap bin/browser"
  # The Exec= value escapes its blank as "\s" and quotes the program as the rules allow.
  local program=${CASE_DIR// /\\s}
  printf '[Desktop Entry]\nType=Application\nName=Snapbrowser\nExec=env VARNOTEX_SNAP_HINT=/var/lib/snapd/x.desktop "%s/snap\\sbin/browser" %%u\nMimeType=text/html;\n' \
    "$program" >"$CASE_DIR/xdg/data/applications/snapbrowser.desktop"
  printf '[Default Applications]\ntext/html=snapbrowser.desktop\n' >"$CASE_DIR/xdg/config/mimeapps.list"
  EXTRA_ENV=(XDG_DATA_DIRS="$CASE_DIR/xdg/data" XDG_CONFIG_DIRS="$CASE_DIR/xdg/config"
    XDG_DATA_HOME="$CASE_DIR/xdg/data" XDG_CONFIG_HOME="$CASE_DIR/xdg/config" XDG_CURRENT_DESKTOP=)
  launch "$CWD" links.txt
  wait_frame "$APP_PID" || return 1
  responsive "$APP_PID" || return 1
  click_link "$APP_PID" || return 1
  local received="$CASE_DIR/snap bin/received.txt"
  local deadline=$(($(now_ms) + T_WIN * 1000))
  until [[ -s $received ]]; do
    [[ $(now_ms) -lt $deadline ]] || { fail "the browser was not started (windows: $(titles "$APP_PID" | paste -sd '|'))"; return 1; }
    sleep 0.1
  done
  local expected
  expected=$(printf '1\n/var/lib/snapd/x.desktop\n%s' "$link")
  [[ $(cat "$received") == "$expected" ]] || fail "the browser received: $(paste -sd '|' "$received")" || return 1
  responsive "$APP_PID" || return 1
  only_frame "$APP_PID" || return 1
  quit "$APP_PID"
}

# The pointer moves into the document window's text (every line there is a link), rests, and
# clicks.
click_link() {
  wait_frame "$1" || return 1
  local x y width height
  eval "$(xdotool getwindowgeometry --shell "$FRAME" | grep -E '^(X|Y|WIDTH|HEIGHT)=' | tr 'A-Z' 'a-z')"
  # The first document window sits at the top left of the client area, below menu, toolbars
  # and tab strip; a third of the way across and half way down the frame is inside its text.
  # The program sees the move before the click: X delivers them in order.
  xdotool mousemove --sync $((x + width / 3)) $((y + height / 2))
  xdotool click 1
}
