#!/usr/bin/env bash
# End-to-end tests of the real program: it runs on an X server of our own (Xvfb) and is
# driven with real key and mouse events (xdotool), as a user drives it. The cases check only
# what a user can observe from outside: files on disk, VARNX.ini, exit codes, window titles.
#
#   bash tests/e2e/run.sh path/to/varnotex [NAME-PATTERN]
#
# Needs Xvfb and xdotool (scripts/install-deps.sh installs them). Ends with "N passed,
# M failed" and a non-zero exit code when a case failed.
#
# VARNOTEX_E2E_SHARD=K/N runs only the K-th of N shares of the cases (K from 1 to N), so
# that N runs side by side, each with its X server and folders, do all cases between them.
# Each case goes to the share with the fewest expected seconds so far (a case's line may
# give its seconds; 3 otherwise), the same in every run.
set -u

if [[ $# -lt 1 ]]; then
  echo "usage: $0 path/to/varnotex [name-pattern]" >&2
  exit 2
fi
BIN=$(readlink -f "$1")
PATTERN=${2:-}
SHARD_K=1
SHARD_N=1
if [[ -n ${VARNOTEX_E2E_SHARD:-} ]]; then
  if [[ ! $VARNOTEX_E2E_SHARD =~ ^([1-9][0-9]*)/([1-9][0-9]*)$ ]] ||
     ((BASH_REMATCH[1] > BASH_REMATCH[2])); then
    echo "e2e: VARNOTEX_E2E_SHARD must be K/N with 1 <= K <= N, not \"$VARNOTEX_E2E_SHARD\"" >&2
    exit 2
  fi
  SHARD_K=${BASH_REMATCH[1]}
  SHARD_N=${BASH_REMATCH[2]}
fi
HERE=$(cd "$(dirname "$0")" && pwd)
BUILD_DIR=$(dirname "$BIN")
# The test build of the program beside it: the same program with the switch that injects
# write faults (VARNOTEX_FAIL_WRITES); the shipped one has none.
FAULT_BIN="$BUILD_DIR/varnotex_faults"

for tool in Xvfb xdotool xwininfo cmp md5sum mkfifo truncate awk od; do
  if ! command -v "$tool" >/dev/null; then
    echo "e2e: $tool is missing (bash scripts/install-deps.sh installs it)"
    echo "0 passed, 1 failed"
    exit 1
  fi
done
if [[ ! -x $FAULT_BIN ]]; then
  echo "e2e: no test build of the program at $FAULT_BIN"
  echo "0 passed, 1 failed"
  exit 1
fi
if [[ ! -x $BIN ]]; then
  echo "e2e: no program at $1"
  echo "0 passed, 1 failed"
  exit 1
fi

source "$HERE/lib.sh"
source "$HERE/cases_basic.sh"
source "$HERE/cases_faults.sh"
source "$HERE/cases_input.sh"
source "$HERE/cases_windows.sh"
source "$HERE/cases_desktop.sh"
source "$HERE/cases_keep.sh"
source "$HERE/cases_outside.sh"
source "$HERE/cases_trust.sh"
source "$HERE/cases_session.sh"
source "$HERE/cases_usual.sh"
source "$HERE/cases_recovery.sh"

# VARNOTEX_E2E_MEMCHECK=FOLDER runs the program under valgrind's memcheck, one log a process
# in FOLDER (scripts/memcheck.sh reads them).
if [[ -n ${VARNOTEX_E2E_MEMCHECK:-} ]]; then
  mkdir -p "$VARNOTEX_E2E_MEMCHECK"
  WRAPPER=(valgrind --tool=memcheck --leak-check=no --num-callers=40 --track-origins=no
           --suppressions="$HERE/../valgrind/qt.supp" --log-file="$VARNOTEX_E2E_MEMCHECK/memcheck.%p.log")
  T_EXIT=120
fi

WORK=$(mktemp -d /tmp/varnotex-e2e.XXXXXX)
KEEP_WORK=0

cleanup() {
  local pid
  for pid in ${PIDS[@]+"${PIDS[@]}"}; do
    is_running "$pid" && kill -9 "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
  done
  unmount_all
  stop_bus
  stop_extra_x
  stop_x
  if [[ $KEEP_WORK == 0 ]]; then
    rm -rf "$WORK"
  else
    echo "e2e: the files of the failed cases are in $WORK"
  fi
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# Mounting needs root and a system that allows it; otherwise the faults are injected.
# VARNOTEX_E2E_NO_MOUNT=1 takes the injected faults even where mounting works.
CAN_MOUNT=0
if [[ ${VARNOTEX_E2E_NO_MOUNT:-0} != 1 && $(id -u) == 0 ]] && mount_tmpfs "$WORK/.mountprobe" 64; then
  CAN_MOUNT=1
  unmount_all
fi

start_x || {
  echo "0 passed, 1 failed"
  exit 1
}
echo "e2e: display $DISPLAY, program $BIN, mounting $([[ $CAN_MOUNT == 1 ]] && echo possible || echo not possible)$( ((SHARD_N > 1)) && echo ", share $SHARD_K of $SHARD_N")"

PASSED=0
FAILED=0
SKIPPED=0
FAILED_NAMES=()
SKIPPED_NAMES=()
RUN_START=$(now_ms)

# run_case NAME: runs case_NAME in a folder of its own (CASE_DIR, with the working folder
# CWD) and counts the result; a case returns 77 when it cannot run here (skipped).
SHARE_SECONDS=()
for ((share = 0; share < SHARD_N; share++)); do SHARE_SECONDS[share]=0; done
run_case() {
  local name=$1 expected=${2:-3}
  if [[ -n $PATTERN && ! $name =~ $PATTERN ]]; then
    return
  fi
  local share least=0
  for ((share = 1; share < SHARD_N; share++)); do
    ((SHARE_SECONDS[share] < SHARE_SECONDS[least])) && least=$share
  done
  SHARE_SECONDS[least]=$((SHARE_SECONDS[least] + expected))
  if ((least != SHARD_K - 1)); then
    return
  fi
  CASE_DIR="$WORK/$name"
  CWD="$CASE_DIR/cwd"
  mkdir -p "$CWD"
  EXTRA_ENV=()
  PROGRAM=""
  SKIP_REASON=""
  local start result=0
  start=$(now_ms)
  "case_$name" || result=$?
  if ! end_leftovers; then
    [[ $result != 0 && $result != 77 ]] || echo "    FAIL: a program process was still running at the end of the case"
    result=1
  fi
  stop_bus
  stop_extra_x
  unmount_all
  local took=$((($(now_ms) - start) / 100))
  local secs="$((took / 10)).$((took % 10))s"
  if [[ $result == 0 ]]; then
    PASSED=$((PASSED + 1))
    printf 'ok     %-34s %6s\n' "$name" "$secs"
    rm -rf "$CASE_DIR"
  elif [[ $result == 77 ]]; then
    SKIPPED=$((SKIPPED + 1))
    SKIPPED_NAMES+=("$name: ${SKIP_REASON:-no reason given}")
    printf 'skip   %-34s %6s\n' "$name" "$secs"
    rm -rf "$CASE_DIR"
  else
    FAILED=$((FAILED + 1))
    FAILED_NAMES+=("$name")
    KEEP_WORK=1
    printf 'FAILED %-34s %6s\n' "$name" "$secs"
    if [[ -s $CASE_DIR/app.log ]]; then
      echo "    program output:"
      tail -n 20 "$CASE_DIR/app.log" | sed 's/^/      /'
    fi
  fi
}

# Start, quit, settings file and documents.
run_case ini_unchanged_without_autosave
run_case settings_stable_across_runs
run_case toolbar_visibility_remembered
run_case no_ini_cancel
run_case no_ini_ok
run_case open_files_remembered
run_case open_with_dialog
run_case type_and_save_with_menu
run_case close_prompt_cancel_and_no
run_case quit_prompt_cancel_keeps_everything
run_case untitled_yes_then_dialog_cancelled
run_case search_with_keyboard
run_case utf8_file_typed_and_saved
run_case single_instance
run_case settings_dialog_single_instance
run_case help_opens_guide

# Faults while saving.
run_case disk_full_document
run_case disk_full_document_injected
run_case disk_full_settings
run_case disk_full_settings_injected
run_case readonly_folder
run_case readonly_folder_injected
run_case readonly_attribute
run_case file_replaced_by_directory
run_case settings_replaced_by_directory
run_case settings_readonly_beside_program
run_case settings_readonly_beside_program_injected
run_case save_keeps_mode_and_links
run_case save_in_folder_without_new_files
run_case kill_during_slowed_big_save 14
run_case kill_during_slowed_settings_write

# Saves that keep what a file is.
run_case settings_write_protected
run_case hard_link_saved_under_both_names
run_case in_place_on_full_disk

# Nobody else's files, links or names steer the program; a killed save costs nothing.
run_case ini_fifo_and_dev_zero_passed_over
run_case link_never_runs_a_program
run_case name_not_utf8_never_opens_the_twin
run_case kill_during_in_place_save $((${VARNOTEX_E2E_INPLACE_MB:-200} * 19 / 20))

# Bad input.
run_case binary_file
run_case long_line_20mb
run_case file_over_size_limit
run_case nul_bytes
run_case print_without_printer
run_case directory_and_missing_name
run_case fifo_on_command_line
run_case ini_random_bytes
run_case ini_10000_sections
run_case ini_1mb_line
run_case tool_missing_program
run_case tool_gets_document_path
run_case link_100000_chars 32
run_case link_snap_style_browser 16

# Closing windows through the real menus.
run_case close_all_three_times 9
run_case close_all_cancel_keeps_that_window
run_case maximised_window_then_new_and_open 6
run_case menu_keys_in_a_new_window
run_case find_dialog_enter_twice

# Installed on a desktop.
run_case installed_prefix
run_case quit_remembers_active_document
run_case qt_option_names_are_files
run_case date_under_c_locale
run_case wayland_session_uses_xwayland
run_case screen_reader_reads_editor
run_case outside_append_then_save
run_case outside_replace_by_rename_reloads
run_case outside_delete_then_close_writes_back
run_case outside_file_open_twice
run_case outside_thousand_files_one_question 6

# One instance per desktop session; the first activation without focus.
run_case single_instance_per_display
run_case single_instance_opens_forwarded_files
run_case single_instance_hung_first
run_case first_activation_without_focus
run_case replace_all_and_usual_keys

# Recovery of unsaved text.
run_case recovery_after_kill
run_case recovery_untitled
run_case recovery_sigterm
run_case recovery_two_instances
run_case recovery_no_in_close_prompt
run_case recovery_file_replaced_after_crash

total=$((($(now_ms) - RUN_START) / 1000))
echo "e2e: ${total}s in all"
if [[ $FAILED -gt 0 ]]; then
  echo "failed: ${FAILED_NAMES[*]}"
fi
if [[ $SKIPPED -gt 0 ]]; then
  echo "skipped:"
  printf '  %s\n' "${SKIPPED_NAMES[@]}"
  echo "$PASSED passed, $FAILED failed, $SKIPPED skipped"
else
  echo "$PASSED passed, $FAILED failed"
fi
[[ $FAILED == 0 ]]
