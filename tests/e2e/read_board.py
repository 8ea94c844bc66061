#!/usr/bin/env python3
"""The AT-SPI side of screen_reader.sh: reads Numino's board as a screen
reader would and drives it with xdotool. Exits 1 with a message on the
first check that fails."""

import subprocess
import sys
import time

import gi

gi.require_version("Atspi", "2.0")
from gi.repository import Atspi, GLib  # noqa: E402

EMPTY = "vuota, possibili 1 2 3 4 5 6 7 8 9"


def fail(message):
    print("FAIL: " + message, file=sys.stderr)
    sys.exit(1)


def until(seconds, what, probe):
    """Runs probe until it returns something true; fails naming what."""
    deadline = time.monotonic() + seconds
    while True:
        GLib.MainContext.default().iteration(False)
        value = probe()
        if value:
            return value
        if time.monotonic() > deadline:
            fail("waited %d s for %s" % (seconds, what))
        time.sleep(0.1)


def application():
    desktop = Atspi.get_desktop(0)
    for i in range(desktop.get_child_count()):
        app = desktop.get_child_at_index(i)
        if app is not None and app.get_name() == "Numino":
            return app
    return None


def find_table(node, depth=0):
    if node is None or depth > 8:
        return None
    if node.get_role() == Atspi.Role.TABLE:
        return node
    for i in range(node.get_child_count()):
        found = find_table(node.get_child_at_index(i), depth + 1)
        if found is not None:
            return found
    return None


def cell(table, row, col):
    c = Atspi.Table.get_accessible_at(table, row, col)
    c.clear_cache()  # names and states are read afresh, never remembered
    return c


def name(table, row, col):
    return cell(table, row, col).get_name()


def focused(table, row, col):
    states = cell(table, row, col).get_state_set()
    return states.contains(Atspi.StateType.FOCUSED)


def keys(*names):
    subprocess.run(["xdotool", "key", "--delay", "20", *names], check=True)


# Told when a cell takes the focus: the screen reader's cue to read it.
focus_events = []
listener = Atspi.EventListener.new(
    lambda event: focus_events.append(event.source.get_name()) if event.detail1 else None)
listener.register("object:state-changed:focused")
# Told when a cell is replaced: the objects the table says are gone.
gone = []
removals = Atspi.EventListener.new(lambda event: gone.append(event.any_data))
removals.register("object:children-changed:remove")

app = until(30, 'the application "Numino" on the accessibility bus', application)
table = until(30, "the board's table", lambda: find_table(app))
print("table:", table.get_name(), Atspi.Table.get_n_rows(table), "x",
      Atspi.Table.get_n_columns(table))
if table.get_name() != "Schema":
    fail('the table is named "%s", not "Schema"' % table.get_name())
if (Atspi.Table.get_n_rows(table), Atspi.Table.get_n_columns(table)) != (9, 9):
    fail("the table is not 9 x 9")

before = {
    (0, 0): "Riga 1, colonna 1: " + EMPTY,
    (4, 6): "Riga 5, colonna 7: " + EMPTY,
    (8, 8): "Riga 9, colonna 9: " + EMPTY,
}
for (r, c), expected in before.items():
    got = name(table, r, c)
    print("cell", r, c, "reads:", got)
    if got != expected:
        fail('cell (%d, %d) reads "%s", not "%s"' % (r, c, got, expected))
if cell(table, 4, 6).get_role() != Atspi.Role.TABLE_CELL:
    fail("a cell's role is %s" % cell(table, 4, 6).get_role())
if not focused(table, 0, 0):
    fail("the current cell (1, 1) is not focused")
# Qt 6.8 gives each cell its row and column (AT-SPI TableCell); Qt 6.4 does
# not, and a screen reader asks the table instead.
qt = tuple(int(n) for n in app.get_toolkit_version().split(".")[:2])
try:
    position = Atspi.TableCell.get_position(cell(table, 4, 6))
except GLib.Error:
    position = None
print("Qt", app.get_toolkit_version(), "cell (4, 6) position:", position)
if qt >= (6, 8) and tuple(position or ())[-2:] != (4, 6):
    fail("cell (4, 6) gives its position as %s" % (position,))

held = cell(table, 0, 0)
keys("7")
until(15, "cell (1, 1) to read 7", lambda: name(table, 0, 0) == "Riga 1, colonna 1: 7")
# A client holding the cell from before reads the new name from it, or was
# told that it is gone, where the cell was replaced to be told again.
until(15, "the cell held from before to read 7 or be gone",
      lambda: held in gone or held.get_name() == "Riga 1, colonna 1: 7")
print("the cell held from before:", "gone" if held in gone else "renamed")
after = {
    (0, 8): "Riga 1, colonna 9: vuota, possibili 1 2 3 4 5 6 8 9",
    (2, 2): "Riga 3, colonna 3: vuota, possibili 1 2 3 4 5 6 8 9",
    (4, 6): "Riga 5, colonna 7: " + EMPTY,
}
for (r, c), expected in after.items():
    got = name(table, r, c)
    print("after 7, cell", r, c, "reads:", got)
    if got != expected:
        fail('after 7, cell (%d, %d) reads "%s", not "%s"' % (r, c, got, expected))

keys("Right")
until(15, "the focus to move to cell (1, 2)", lambda: focused(table, 0, 1))
if focused(table, 0, 0):
    fail("cell (1, 1) is still focused after the move")
until(15, "a focus event for cell (1, 2)",
      lambda: any(n.startswith("Riga 1, colonna 2:") for n in focus_events))
print("focus event for:", focus_events[-1])

keys("ctrl+4")
until(15, "the hand exclusion to be read",
      lambda: name(table, 0, 1) ==
      "Riga 1, colonna 2: vuota, possibili 1 2 3 5 6 8 9, esclusi a mano 4")
print("after Ctrl+4:", name(table, 0, 1))
listener.deregister("object:state-changed:focused")
removals.deregister("object:children-changed:remove")
