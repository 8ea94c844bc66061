#!/usr/bin/env bash
# Works the built program on a private X server the way a user would: types
# digits, moves with the arrow keys, clicks and right-clicks cells, saves
# through the real file dialog, looks at the screen, makes one more change
# and quits through the menu, saving again at the prompt.
#
#   solve_save_quit.sh PROGRAM
#
# Exit status 0 when every check passed; 77 (shown by ctest as skipped) when
# the X tools are missing outside CI; 1 on any failure. On CI (CI set and not
# "false") missing tools are a failure too.
set -u

# shellcheck source-path=SCRIPTDIR source=x_session.sh
source "$(dirname "${BASH_SOURCE[0]}")/x_session.sh"

x_session_start "${1:?usage: solve_save_quit.sh PROGRAM}"
# shellcheck disable=SC2119  # no arguments: the program starts empty
start_program

main_window 'Numino - \(Senza nome\)'

# (1,1) = 5, then two to the right, (1,3) = 3. A click on (5,5) makes it
# current, and it gets a 9. A click in the margin selects nothing, so the
# right click on (9,9) rules out the 9 of (5,5) there.
keys 5 Right Right 3
click_cell 1 5 5
keys 9
click 1 5 100
click_cell 3 9 9

# --- What the screen shows (the probes are described in x_session.sh).
# shellcheck disable=SC2054  # the commas are inside the positions
probes=(
  "the board's top-left corner" "$kBoardOrigin,$kBoardOrigin" "=$kBlack"
  "a box line, its first pixel" 84,50 "=$kBlack"
  "a box line, its second pixel" 85,50 "=$kBlack"
  "cell (9,1), where the 9 can still go: green" 17,209 "=$kGreen"
  "cell (1,2): the 5 of (1,1) ruled out, red" 47,23 "=$kRed"
  "cell (1,2): the 3 of (1,3) ruled out, red" 53,17 "=$kRed"
  "cell (9,9): the 9 ruled out by hand, black" 221,221 "=$kBlack"
  "cell (9,9): not green, the 9 is ruled out there" 209,209 "!$kGreen"
  "the margin: not white" 5,5 "!$kWhite"
  "the margin: not black" 5,5 "!$kBlack"
)

expect_screen "the board as played"

# --- Save through the menu ("&File", "&Salva") and the real file dialog. The
# document has no name, so the dialog comes up.
keys alt+f s
wait_for 30 "the save dialog" has_window '^Salvataggio dati$'
focus "$(visible_windows '^Salvataggio dati$' | head -n 1)"
saved=$tmp/docs/partita.nmo
# Typed without extension: the dialog adds ".nmo".
xdotool type --delay 20 "${saved%.nmo}" || fail "xdotool could not type the file name"
keys Return

# Nine lines of nine digits, each ended by CR LF; row r is line r.
expected_file() {
  local row line
  for row in 1 2 3 4 5 6 7 8 9; do
    line=000000000
    case $row in
      1) line=503000000 ;;
      5) line=000090000 ;;
      6) [ "${1:-}" = second ] && line=000040000 ;;
    esac
    printf '%s\r\n' "$line"
  done
}
file_is() { [ -f "$saved" ] && cmp -s "$saved" <(expected_file "$@"); }
show_file() { od -c "$saved" 2>&1 | head -n 20; }

wait_for 30 "the file $saved" test -f "$saved"
file_is first || fail "the saved file is not the board as played:"$'\n'"$(show_file)"
[ "$(wc -c <"$saved")" -eq 99 ] || fail "the saved file is not 99 bytes long"

wait_for 10 "the title 'Numino - partita'" title_is "$main" "Numino - partita"
wait_for 10 "the save dialog to close" eval '! has_window "^Salvataggio dati$"'

# --- One more change: (6,5) = 4; then "&File", "&Esci".
focus "$main"
keys Down 4 alt+f e

wait_for 30 "the prompt 'Salvo i dati?'" has_prompt 'Numino - partita'
file_is first || fail "the file changed before the prompt was answered"
focus "$(prompt_window 'Numino - partita')"
keys Return  # Yes is the default button

# Yes saves under the document's name, without a dialog, and the program
# ends normally.
no_save_dialog() {
  ! has_window '^Salvataggio dati$' || fail "the save dialog came up for a document with a name"
}
expect_exit 20 no_save_dialog
file_is second || fail "the file saved at the prompt is not the board as played:"$'\n'"$(show_file)"
[ "$(find "$tmp/docs" -type f | wc -l)" -eq 1 ] ||
  fail "the folder holds other files besides the document: $(ls -A "$tmp/docs")"

echo "PASS: typed, clicked, saved through the dialog, checked the screen, quit with a save"
