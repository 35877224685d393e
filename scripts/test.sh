#!/usr/bin/env bash
# Installs what is missing, builds Varnotex with its tests and runs the whole test suite.
# At its end it checks that no process it started is still running: each one left behind
# is named and fails the run.
set -euo pipefail
cd "$(dirname "$0")/.."
# Every process of this run carries this mark in its environment, so that the ones left
# behind can be found at the end, whatever became of their parents.
export VARNOTEX_TEST_RUN="$$-$(date +%s%N)"
# No program of the run may reach the desktop's session bus or have libdbus start one
# (dbus-launch --autolaunch): nothing listens at this address, and an address that is set
# is never autolaunched. The end-to-end cases give every program start a bus of its own.
export DBUS_SESSION_BUS_ADDRESS="unix:path=/nonexistent/varnotex-test-no-bus"
source scripts/leftovers.sh
# Also after a failed stage: a leftover is named, and fails a run that passed.
trap 'check_leftovers "$VARNOTEX_TEST_RUN" || exit 1' EXIT
bash scripts/install-deps.sh
jobs=$(nproc)
source scripts/batchbuild.sh
batched_build test.sh build "" -DCMAKE_BUILD_TYPE=RelWithDebInfo
(cd build && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j"$jobs")
bash scripts/memcheck.sh build/varnotex
bash scripts/sanitize.sh
bash scripts/fuzz.sh
