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

launcher=/usr/libexec/at-spi-bus-launcher
missing=()
command -v dbus-daemon >/dev/null 2>&1 || missing+=(dbus-daemon)
[ -x "$launcher" ] || missing+=(at-spi2-core)
# Debian's own Python, which python3-gi serves, whatever python3 comes first
# in PATH.
/usr/bin/python3 -c "import gi; gi.require_version('Atspi', '2.0')" 2>/dev/null ||
  missing+=(python3-gi gir1.2-atspi-2.0)
if [ ${#missing[@]} -gt 0 ]; then
  in_ci && fail "needed to read the program through AT-SPI, not installed: ${missing[*]}"
  echo "SKIPPED: not installed: ${missing[*]}"
  exit $kSkip
fi

# The private session bus, then the accessibility bus that it points to.
# Qt finds the latter through the former; with AT_SPI_BUS_ADDRESS set it
# would not appear there at all.
bus_pid='' launcher_pid=''
stop_buses() {
  local child
  if [ -n "$launcher_pid" ]; then
    # The launcher's own bus; the launcher also ends it when it loses the
    # session bus, where pgrep is missing.
    if command -v pgrep >/dev/null 2>&1; then
      for child in $(pgrep -P "$launcher_pid"); do kill "$child" 2>/dev/null; done
    fi
    kill "$launcher_pid" 2>/dev/null
  fi
  [ -n "$bus_pid" ] && kill "$bus_pid" 2>/dev/null
  cleanup
}
trap stop_buses EXIT
dbus-daemon --session --nofork --nopidfile --address="unix:path=$tmp/runtime/bus" \
  >"$tmp/bus.log" 2>&1 &
bus_pid=$!
session_bus="unix:path=$tmp/runtime/bus"
wait_for 30 "the session bus" test -S "$tmp/runtime/bus"
unset AT_SPI_BUS_ADDRESS
export DBUS_SESSION_BUS_ADDRESS=$session_bus XDG_RUNTIME_DIR=$tmp/runtime
"$launcher" --launch-immediately >"$tmp/launcher.log" 2>&1 &
launcher_pid=$!

QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 start_program
wait_for 60 "the main window" has_window '^Numino - \(Senza nome\)$'
main=$(visible_windows '^Numino - \(Senza nome\)$' | head -n 1)
focus "$main"

timeout 90 /usr/bin/python3 "$(dirname "${BASH_SOURCE[0]}")/read_board.py" ||
  fail "the board did not read as expected"
check_alive
exit 0
