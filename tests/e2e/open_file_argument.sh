#!/usr/bin/env bash
# Starts the built program on a private X server with a document on its
# command line, as the file manager starts it for a .nmo file: the window
# must come up titled after the file and showing its puzzle, and quit
# without asking anything, leaving the file as it was.
#
#   open_file_argument.sh PROGRAM
#
# Exit status as solve_save_quit.sh: 0 passed, 77 skipped, 1 failed.
set -u

# shellcheck source-path=SCRIPTDIR source=x_session.sh
source "$(dirname "${BASH_SOURCE[0]}")/x_session.sh"

x_session_start "${1:?usage: open_file_argument.sh PROGRAM}"

# 5 in (1,1) and 3 in (9,1). A space in the name, as file managers pass them.
document="$tmp/docs/schema del giorno.nmo"
printf '%s\r\n' 500000000 000000000 000000000 000000000 000000000 \
  000000000 000000000 000000000 300000000 >"$document"
cp "$document" "$tmp/original.nmo"

start_program "$document"
wait_for 60 "the window titled after the file" has_window '^Numino - schema del giorno$'
main=$(visible_windows '^Numino - schema del giorno$' | head -n 1)
locate_board "$main"

# The 5 of (1,1) is the current cell's digit: it is ruled out in red in its
# row, and every cell where a 5 can still go is green.
# shellcheck disable=SC2054  # the commas are inside the positions
probes=(
  "cell (1,2): the 5 of (1,1) ruled out, red" 47,23 "=$kRed"
  "cell (9,9): a 5 can still go there, green" 209,209 "=$kGreen"
  "cell (9,9): the 3 of (9,1) ruled out, red" 221,209 "=$kRed"
  "cell (5,5): green too" 119,119 "=$kGreen"
)
expect_screen "the puzzle in the file"

# "&File", "&Esci": nothing changed, so no prompt, and the file stays.
focus "$main"
keys alt+f e
expect_exit 20
cmp -s "$document" "$tmp/original.nmo" || fail "the document changed on disk"

echo "PASS: started with a document, showed its name and its puzzle, quit without a question"
