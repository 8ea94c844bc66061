#!/usr/bin/env bash
# The session's answer stands only when the session ends, and the last
# change outlives the display. Through the tests' session manager
# (session_manager.cpp), which cancels the shutdown itself on SIGUSR2:
#  - answered No, then cancelled: the work is still modified, its recovery
#    file is still there, and "Esci" asks;
#  - without interaction, then cancelled: "Esci" asks too;
#  - the X server killed 0.2 s after a key: the program writes the recovery
#    file, key and all, says so on the error stream, and ends.
#
#   cancelled_logout_and_lost_display.sh PROGRAM SESSION_MANAGER
#
# Exit status as solve_save_quit.sh: 0 passed, 77 skipped, 1 failed.
set -u

# shellcheck source-path=SCRIPTDIR source=x_session.sh
source "$(dirname "${BASH_SOURCE[0]}")/x_session.sh"

usage="usage: cancelled_logout_and_lost_display.sh PROGRAM SESSION_MANAGER"
x_session_start "${1:?$usage}"
manager=${2:?$usage}
title='Numino - \(Senza nome\)'

# start_with_manager any|none: a manager, and the program in its session.
start_with_manager() {
  start_manager "$1"
  start_program
  main_window "$title"
  expect_logged registered
}
# Esci asks, and Cancel keeps the program.
esci_asks() {
  focus "$main"
  keys alt+f e
  answer_prompt "$title" Escape
  sleep 1
  check_alive
}

# --- Answered No, then cancelled by the manager.
start_with_manager any
keys 5
settle
has_recovery || fail "no recovery file for the 5 typed"
cancel_session
answer_prompt "$title" n
expect_logged "save-yourself-done success=1"
expect_logged shutdown-cancelled
sleep 1
check_alive
has_recovery || fail "No to a logout that was then cancelled took the recovery file away"
esci_asks

# --- No interaction, then cancelled: the next close asks all the same.
kill "$numino_pid" "$manager_pid"
wait "$numino_pid" "$manager_pid" 2>/dev/null
numino_pid=
rm -rf "$state"
start_with_manager none
keys 3
cancel_session
expect_logged "save-yourself-done success=1"
expect_logged shutdown-cancelled
sleep 1
check_alive
esci_asks

# --- The X server dies 0.2 s after a key, before the timer writes it.
focus "$main"
keys Right 7
sleep 0.2
kill -KILL "$xvfb_pid"
wait "$xvfb_pid" 2>/dev/null
xvfb_pid=
deadline=$(($(now_ms) + 20000))
while kill -0 "$numino_pid" 2>/dev/null; do
  [ "$(now_ms)" -lt "$deadline" ] || fail "the program outlived its display by 20 s"
  sleep 0.05
done
numino_pid=
grep -qx 370000000 "$(recovery_files)" || fail "the recovery file lacks the last key: $(recovery_files)"
grep -q "^Numino: il collegamento con lo schermo si è interrotto; il lavoro non salvato è conservato nella cartella $state" \
  "$tmp/numino.log" || fail "the program did not say that it kept the work"

echo "PASS: a cancelled logout left the work and its file, and the close asked; the last key" \
  "outlived the display"
