#!/usr/bin/env bash
# Work that was never saved survives the end of the program without a
# normal close: a document named on the command line is played (digits
# typed, one ruled out by hand), the program is killed with kill -9, and the
# next start, answered Yes, shows the same board and title; Backspace then
# undoes the last edit, on the screen and in the work kept. The same again
# after SIGTERM, which ends the program without asking. A second program
# running beside the first is not offered the first one's file. A document
# named on the command line opens after the question, through the save
# prompt, unless it is the recovered work's own file: that work is newer
# than the file, and its hand exclusions are not lost to a second reading.
#
#   recover_after_kill.sh PROGRAM
#
# Exit status as solve_save_quit.sh: 0 passed, 77 skipped, 1 failed.
set -u

# shellcheck source-path=SCRIPTDIR source=x_session.sh
source "$(dirname "${BASH_SOURCE[0]}")/x_session.sh"

x_session_start "${1:?usage: recover_after_kill.sh PROGRAM}"
no_recovery() { [ -z "$(recovery_files)" ]; }
# recovery_line N TEXT: line N of the recovery file is TEXT. Line 5 holds
# row 3 of the grid, line 12 + R row R of the hand exclusions.
recovery_line() { [ "$(sed -n "$1p" "$(recovery_files)" 2>/dev/null)" = "$2" ]; }
# The hand marks of digits 2 and 6 in cell (9,8), in board pixels.
# shellcheck disable=SC2054  # the commas are inside the positions
mark_ruled_out=("the 2 ruled out by hand in (9,8)" 191,209 "=$kBlack")
# shellcheck disable=SC2054
mark_back=("the 2 back in (9,8)" 191,209 "!$kBlack")
# shellcheck disable=SC2054
six_ruled_out=("the 6 ruled out by hand in (9,8)" 197,215 "=$kBlack")
# shellcheck disable=SC2054
six_back=("the 6 back in (9,8)" 197,215 "!$kBlack")

# answer_recovery KEY: the question at start, titled "Numino" alone.
answer_recovery() {
  wait_for 60 "the question about the work left behind" has_window '^Numino$'
  focus "$(visible_windows '^Numino$' | head -n 1)"
  keys "$1"
}

document="$tmp/docs/partita.nmo"
printf '%s\r\n' 500000000 000000000 000000000 000000000 000000000 \
  000000000 000000000 000000000 000000009 >"$document"

# --- kill -9.
start_program "$document"
main_window "Numino - partita"
keys Down 4 Right 7
click_cell 1 5 5
keys 2
click_cell 3 9 8  # the 2 of (5,5) ruled out by hand in (9,8)
probes=("${mark_ruled_out[@]}")
expect_screen "the 2 ruled out by hand"
settle
has_recovery || fail "no recovery file while there is unsaved work: $(ls -A "$state" 2>&1)"
board_shot "$tmp/before-kill.png"
[ "$(stat -c %a "$state")" = 700 ] || fail "the recovery folder is not private"
[ "$(stat -c %a "$(recovery_files)")" = 600 ] || fail "the recovery file is not private"

kill -KILL "$numino_pid"
wait "$numino_pid" 2>/dev/null
numino_pid=

start_program
answer_recovery Return  # Yes is the default button
main_window "Numino - partita"
wait_for 15 "the board as it was before the kill" board_is "$tmp/before-kill.png"
has_recovery || fail "the work came back, but its recovery file has gone"

# --- A second program beside the first finds the file held, and asks nothing.
first_pid=$numino_pid
start_program
other_pids+=("$numino_pid")
second_pid=$numino_pid
numino_pid=$first_pid
wait_for 60 "the second window" has_window '^Numino - \(Senza nome\)$'
sleep 1
! has_window '^Numino$' || fail "the second program was offered the first one's work"
kill -TERM "$second_pid"
wait "$second_pid" || fail "the second program did not end normally on SIGTERM"
other_pids=()
has_recovery || fail "the second program's end took the first one's recovery file"

# --- Backspace goes on where the work stopped: the exclusion goes.
focus "$main"
keys BackSpace
probes=("${mark_back[@]}")
expect_screen "the exclusion undone"
wait_for 15 "the exclusion undone in the work kept" recovery_line 21 "0 0 0 0 0 0 0 0 0"

# --- SIGTERM: the work goes into the file, and the program ends by itself.
# (4,5) = 8, then a 6 in (3,5), ruled out by hand in (9,8).
keys Up 8 Up 6
click_cell 3 9 8
probes=("${six_ruled_out[@]}")
expect_screen "the 6 ruled out by hand"
settle
recovery_line 5 000060000 || fail "the 6 typed is not in the work kept"
board_shot "$tmp/before-term.png"
kill -TERM "$numino_pid"
expect_exit 20
has_recovery || fail "SIGTERM left no recovery file"

start_program
answer_recovery Return
main_window "Numino - partita"
wait_for 15 "the board as it was before SIGTERM" board_is "$tmp/before-term.png"
keys BackSpace BackSpace
wait_for 15 "the 6 undone in the work kept" recovery_line 5 000000000
probes=("${six_back[@]}")
expect_screen "the exclusion undone after SIGTERM"

# --- The recovered document named again, as a file manager names it: not
# read again. The 8 of (4,5) ruled out by hand in (9,8) stays.
keys Down
click_cell 3 9 8
# shellcheck disable=SC2054
probes=("the 8 ruled out by hand in (9,8)" 191,221 "=$kBlack")
expect_screen "the 8 ruled out by hand"
settle
board_shot "$tmp/before-named.png"
kill -KILL "$numino_pid"
wait "$numino_pid" 2>/dev/null
numino_pid=
start_program "$document"
answer_recovery Return
main_window "Numino - partita"
wait_for 15 "the recovered board, hand exclusions and all" board_is "$tmp/before-named.png"
sleep 1
! has_prompt 'Numino - partita' || fail "asked to save the work brought back before reading it again"
board_is "$tmp/before-named.png" || fail "the document was read again over the work brought back"

# --- A start with another document on the command line asks about the work
# first, then opens the document as a dropped one, after the save prompt.
kill -TERM "$numino_pid"
expect_exit 20
other="$tmp/docs/altra.nmo"
printf '%s\r\n' 000000000 000000000 000000000 000000000 000000000 \
  000000000 000000000 000000000 000000001 >"$other"
start_program "$other"
wait_for 60 "the main window" has_window '^Numino - \(Senza nome\)$'
main=$(visible_windows '^Numino - \(Senza nome\)$' | head -n 1)
answer_recovery Return
wait_for 30 "the prompt 'Salvo i dati?' for the work brought back" has_prompt 'Numino - partita'
focus "$(prompt_window 'Numino - partita')"
keys n
wait_for 30 "the document named on the command line" title_is "$main" "Numino - altra"
wait_for 10 "the recovery file to go with the work it held" no_recovery

# --- A normal close, answered No, leaves nothing behind.
focus "$main"
keys 4
settle
has_recovery || fail "no recovery file for the change to altra.nmo"
keys alt+f e
wait_for 30 "the prompt 'Salvo i dati?'" has_prompt 'Numino - altra'
focus "$(prompt_window 'Numino - altra')"
keys n
expect_exit 20
no_recovery || fail "a normal close left a recovery file"

echo "PASS: work came back after kill -9 and SIGTERM, held from a second program, kept over its" \
  "own document named again, asked before another, gone at a close"
