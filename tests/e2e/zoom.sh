#!/usr/bin/env bash
# Zooms the built program on a private X server with Ctrl++ as a user
# would: the window must grow to twice the board at once, a click and a
# digit must land in the cell under the pointer, the zoom must be written
# to the configuration folder, and the next start must come up at it.
#
#   zoom.sh PROGRAM
#
# Exit status as solve_save_quit.sh: 0 passed, 77 skipped, 1 failed.
set -u

# shellcheck source-path=SCRIPTDIR source=x_session.sh
source "$(dirname "${BASH_SOURCE[0]}")/x_session.sh"

x_session_start "${1:?usage: zoom.sh PROGRAM}"
# shellcheck disable=SC2119  # no arguments: the program starts empty
start_program
title='Numino - \(Senza nome\)'
main_window "$title"
[ "$board_side" -eq $kBoardPixels ] || fail "the board starts $board_side pixels wide, not at zoom 1"
memory=$tmp/config/numino/numino.conf
[ ! -e "$memory" ] || fail "a start without zooming wrote $memory"

# Two steps up: 1.5, then 2.
keys ctrl+plus ctrl+plus
board_is() { locate_board "$main" && [ "$board_side" -eq $((2 * kBoardPixels)) ]; }
wait_for 10 "the board at zoom 2" board_is

# (5,5) by a click at the middle of the cell as drawn now, then a 7 there.
click_cell 1 5 5
keys 7
# shellcheck disable=SC2054  # the commas are inside the positions
probes=(
  "the board's top-left corner" "$kBoardOrigin,$kBoardOrigin" "=$kBlack"
  "a box line, its second pixel" 85,50 "=$kBlack"
  "just right of it" 86,50 "!$kBlack"
  "cell (5,6): the 7 of (5,5) ruled out, red" 135,123 "=$kRed"
  "cell (1,1): a 7 can still go there, green" 17,17 "=$kGreen"
  "cell (9,9): green too" 209,209 "=$kGreen"
)
expect_screen "the board at zoom 2 with a 7 in (5,5)"
wait_for 10 "the zoom in $memory" grep -q '^zoom=2$' "$memory"

# "&File", "&Esci", and No at the question whether to save.
keys alt+f e
answer_prompt "$title" n
expect_exit 20

# The next start maps the window at zoom 2 the first time.
start_program
main_window "$title"
[ "$board_side" -eq $((2 * kBoardPixels)) ] || fail "the second start shows a board $board_side pixels wide"
keys ctrl+0
board_is_one() { locate_board "$main" && [ "$board_side" -eq $kBoardPixels ]; }
wait_for 10 "the board back at zoom 1" board_is_one
keys alt+f e
expect_exit 20
grep -q '^zoom=1$' "$memory" || fail "Ctrl+0 was not remembered: $(cat "$memory")"

echo "PASS: zoomed to 2 with Ctrl++, clicked and typed there, came back at 2, went back to 1"
