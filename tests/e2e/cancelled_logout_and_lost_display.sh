#!/usr/bin/env bash
# The session's answer stands only when the session ends, and the last key
# outlives the display. The tests' session manager cancels the shutdown
# itself once the program has answered (cancel_session):
#  - answered No: the recovery file stays, and "Esci" asks;
#  - without interaction: "Esci" asks too;
#  - the X server killed 0.2 s after a key: the recovery file holds the key,
#    and the program says so on the error stream as it ends.
#
#   cancelled_logout_and_lost_display.sh PROGRAM SESSION_MANAGER
#
# Exit status as solve_save_quit.sh: 0 passed, 77 skipped, 1 failed.
set -u

# shellcheck source-path=SCRIPTDIR source=x_session.sh
source "$(dirname "${BASH_SOURCE[0]}")/x_session.sh"

x_session_start "${1:?usage: cancelled_logout_and_lost_display.sh PROGRAM SESSION_MANAGER}"
manager=${2:?usage: cancelled_logout_and_lost_display.sh PROGRAM SESSION_MANAGER}
title='Numino - \(Senza nome\)'

# cancelled_logout any|none KEY [ANSWER]: a new session, KEY typed, the
# logout answered and then cancelled; the program goes on.
cancelled_logout() {
  start_manager "$1"
  start_program
  main_window "$title"
  expect_logged registered
  keys "$2"
  settle
  cancel_session
  [ $# -lt 3 ] || answer_prompt "$title" "$3"
  expect_logged "save-yourself-done success=1"
  expect_logged shutdown-cancelled
  sleep 1
  check_alive
}
# Esci asks, and Cancel keeps the program.
esci_asks() {
  focus "$main"
  keys alt+f e
  answer_prompt "$title" Escape
}

cancelled_logout any 5 n
has_recovery || fail "No to a logout that was then cancelled took the recovery file away"
esci_asks
kill "$numino_pid" "$manager_pid"
wait "$numino_pid" "$manager_pid" 2>/dev/null
numino_pid=
rm -rf "$state"

cancelled_logout none 3
esci_asks

# --- The X server dies 0.2 s after a key, before the file would be written.
focus "$main"
keys Right 7
sleep 0.2
kill -KILL "$xvfb_pid"
xvfb_pid=
for _ in $(seq 400); do kill -0 "$numino_pid" 2>/dev/null && sleep 0.05; done
kill -0 "$numino_pid" 2>/dev/null && fail "the program outlived its display by 20 s"
numino_pid=
grep -qx 370000000 "$(recovery_files)" || fail "the recovery file lacks the last key"
grep -q "^Numino: il collegamento con lo schermo si è interrotto; .* nella cartella $state " \
  "$tmp/numino.log" || fail "the program did not say that it kept the work"

echo "PASS: a cancelled logout left the work and its file, and the close asked; the last key" \
  "outlived the display"
