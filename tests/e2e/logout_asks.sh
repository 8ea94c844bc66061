#!/usr/bin/env bash
# The end of the session asks as closing the window does. A session manager
# of the tests' own (session_manager.cpp, on libSM and libICE) asks the
# program to save itself before the session ends:
#  - modified, answered Cancel: the program tells the manager to cancel the
#    end of the session, and goes on;
#  - asked again, answered No: the session may end, and the program ends
#    when the manager tells it to, without asking again;
#  - a named document answered Yes: it is saved, and the program ends;
#  - a manager that allows no interaction: nothing is asked, the work goes
#    into the recovery file, and the program ends;
#  - the same, with a state folder that cannot be made: the program told
#    the user when the work could not be kept, and tells the manager that
#    nothing was saved; SIGTERM then ends it with status 1 and one line;
#  - the session ending while the question about work left behind is up:
#    the program ends at once and leaves the file for the next start.
#
#   logout_asks.sh PROGRAM SESSION_MANAGER
#
# Exit status as solve_save_quit.sh: 0 passed, 77 skipped, 1 failed.
set -u

# shellcheck source-path=SCRIPTDIR source=x_session.sh
source "$(dirname "${BASH_SOURCE[0]}")/x_session.sh"

x_session_start "${1:?usage: logout_asks.sh PROGRAM SESSION_MANAGER}"
manager=${2:?usage: logout_asks.sh PROGRAM SESSION_MANAGER}

start_with_manager() {
  start_manager "$1"
  shift
  start_program "$@"
}

no_prompt() { ! has_prompt "$1" || fail "the program asked again after the session's end"; }

# --- Cancel, then No.
start_with_manager any
main_window 'Numino - \(Senza nome\)'
expect_logged registered
keys 5
end_session
answer_prompt 'Numino - \(Senza nome\)' Escape
expect_logged "interact-done cancel=1"
expect_logged "save-yourself-done success=0"
expect_logged shutdown-cancelled
sleep 1
check_alive

end_session
answer_prompt 'Numino - \(Senza nome\)' n
expect_logged "interact-done cancel=0"
expect_logged "save-yourself-done success=1"
expect_logged die
expect_exit 20 no_prompt 'Numino - \(Senza nome\)'
[ -z "$(ls -A "$state" 2>/dev/null)" ] || fail "No at the end of the session left a recovery file"
kill "$manager_pid" 2>/dev/null
wait "$manager_pid" 2>/dev/null

# --- Yes on a named document saves it.
document="$tmp/docs/partita.nmo"
printf '%s\r\n' 000000000 000000000 000000000 000000000 000000000 \
  000000000 000000000 000000000 000000000 >"$document"
start_with_manager any "$document"
main_window 'Numino - partita'
expect_logged registered
keys 7
end_session
answer_prompt 'Numino - partita' Return
expect_logged "save-yourself-done success=1"
expect_logged die
expect_exit 20
[ "$(head -c 9 "$document")" = 700000000 ] || fail "Yes at the end of the session did not save"
kill "$manager_pid" 2>/dev/null
wait "$manager_pid" 2>/dev/null

# --- No interaction allowed: the work is kept for the next start.
start_with_manager none
main_window 'Numino - \(Senza nome\)'
expect_logged registered
keys 3
end_session
expect_logged "save-yourself-done success=1"
expect_logged die
expect_exit 20 no_prompt 'Numino - \(Senza nome\)'
logged interact-request && fail "the program asked to interact where the manager allows none"
has_recovery ||
  fail "without interaction the work was not kept: $(ls -A "$state" 2>&1)"
grep -qx 300000000 "$state"/*.recovery || fail "the recovery file does not hold the 3 typed"
kill "$manager_pid" 2>/dev/null
wait "$manager_pid" 2>/dev/null

# --- The session ends while the question about that work is up.
cp "$state"/*.recovery "$tmp/kept.recovery"
start_with_manager any
wait_for 60 "the question about the work left behind" has_window '^Numino$'
expect_logged registered
end_session
expect_logged "save-yourself-done success=1"
expect_logged die
expect_exit 20
cmp -s "$state"/*.recovery "$tmp/kept.recovery" ||
  fail "the end of the session during the question did not leave the file as it was"
kill "$manager_pid" 2>/dev/null
wait "$manager_pid" 2>/dev/null

# --- Without interaction, and no place for the work: told once, and the
# manager hears that nothing was saved.
rm -rf "$state_home"
printf 'no folder' >"$state_home"
start_with_manager none
main_window 'Numino - \(Senza nome\)'
expect_logged registered
keys 3
wait_for 30 "the box telling that the work cannot be kept" has_window '^Numino$'
focus "$(visible_windows '^Numino$' | head -n 1)"
keys Return
focus "$main"
end_session
expect_logged "save-yourself-done success=0"
expect_logged shutdown-cancelled
sleep 1
check_alive
! has_window '^Numino$' || fail "the program told the same fault twice"
kill -TERM "$numino_pid"
wait "$numino_pid"
status=$?
numino_pid=
[ "$status" -eq 1 ] || fail "SIGTERM with the work not kept ended with status $status"
grep -q "^Numino: il lavoro non salvato non è stato conservato (cartella $state: " \
  "$tmp/numino.log" || fail "SIGTERM with the work not kept said nothing on the error stream"

echo "PASS: the end of the session asked, cancelled on Cancel, ended on No and Yes, kept the work," \
  "ended during the question, and told when the work could not be kept"
