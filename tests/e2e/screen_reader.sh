#!/usr/bin/env bash
# Reads the board of the built program as a screen reader does, through
# AT-SPI: on a private X server with a private session bus and the
# accessibility bus of at-spi2-core, tests/e2e/read_board.py finds the
# program's table, reads cells, types a digit and moves with an arrow key.
#
#   screen_reader.sh PROGRAM
#
# Exit status 0 when every check passed; 77 (skipped) when the tools are
# missing outside CI; 1 on any failure.
set -u

# shellcheck source-path=SCRIPTDIR source=x_session.sh
source "$(dirname "${BASH_SOURCE[0]}")/x_session.sh"

x_session_start "${1:?usage: screen_reader.sh PROGRAM}"

start_accessibility_bus
# Debian's own Python, which python3-gi serves, whatever python3 comes first
# in PATH.
if ! /usr/bin/python3 -c "import gi; gi.require_version('Atspi', '2.0')" 2>/dev/null; then
  in_ci && fail "needed to read the program through AT-SPI, not installed: python3-gi gir1.2-atspi-2.0"
  echo "SKIPPED: not installed: python3-gi gir1.2-atspi-2.0"
  exit $kSkip
fi

QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 start_program
wait_for 60 "the main window" has_window '^Numino - \(Senza nome\)$'
main=$(visible_windows '^Numino - \(Senza nome\)$' | head -n 1)
focus "$main"

timeout 90 /usr/bin/python3 "$(dirname "${BASH_SOURCE[0]}")/read_board.py" ||
  fail "the board did not read as expected"
check_alive
exit 0
