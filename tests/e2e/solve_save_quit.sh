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
#
# There is no window manager on the private server, so nothing hands the
# keyboard focus back to the main window when a dialog closes: the script
# gives it back itself, as the window manager would.
set -u

program=${1:?usage: solve_save_quit.sh PROGRAM}

readonly kSkip=77
readonly kBoardSide=240  # the board widget, margin included; the window's bottom square
readonly kCellPitch=24
readonly kBoardOrigin=12

in_ci() { [ -n "${CI:-}" ] && [ "${CI}" != "false" ]; }

missing=()
for tool in Xvfb xdotool xwd convert; do
  command -v "$tool" >/dev/null 2>&1 || missing+=("$tool")
done
if [ ${#missing[@]} -gt 0 ]; then
  if in_ci; then
    echo "FAIL: needed to drive the program on an X server, not installed: ${missing[*]}" >&2
    exit 1
  fi
  echo "SKIPPED: not installed: ${missing[*]} (packages xvfb xdotool x11-apps imagemagick)"
  exit $kSkip
fi
[ -x "$program" ] || { echo "FAIL: no program at $program" >&2; exit 1; }

tmp=$(mktemp -d "${TMPDIR:-/tmp}/numino-e2e.XXXXXX") || exit 1
xvfb_pid=
numino_pid=
keep=
cleanup() {
  [ -n "$numino_pid" ] && kill "$numino_pid" 2>/dev/null
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
  wait 2>/dev/null
  if [ -n "$keep" ]; then
    echo "The screen, the program's output and its files are kept in $tmp" >&2
  else
    rm -rf "$tmp"
  fi
}
trap cleanup EXIT

fail() {
  echo "FAIL: $*" >&2
  keep=1
  if [ -n "${DISPLAY:-}" ] && [ -n "$xvfb_pid" ] && kill -0 "$xvfb_pid" 2>/dev/null; then
    xwd -root -silent -out "$tmp/failure.xwd" 2>/dev/null &&
      convert "xwd:$tmp/failure.xwd" "$tmp/failure.png" 2>/dev/null
  fi
  if [ -s "$tmp/numino.log" ]; then
    echo "--- the program's output:" >&2
    tail -n 40 "$tmp/numino.log" >&2
  fi
  exit 1
}

# The processes the next step relies on are still there.
check_alive() {
  kill -0 "$xvfb_pid" 2>/dev/null || { cat "$tmp/xvfb.log" >&2; fail "the X server has died"; }
  if [ -n "$numino_pid" ] && ! kill -0 "$numino_pid" 2>/dev/null; then
    wait "$numino_pid"
    fail "the program ended unexpectedly, with status $?"
  fi
}

now_ms() { echo $(( ${EPOCHREALTIME/./} / 1000 )); }

# wait_for SECONDS WHAT COMMAND...: runs COMMAND every 50 ms until it
# succeeds; fails naming WHAT after SECONDS.
wait_for() {
  local seconds=$1 what=$2
  shift 2
  local deadline=$(( $(now_ms) + seconds * 1000 ))
  until "$@"; do
    check_alive
    [ "$(now_ms)" -lt "$deadline" ] || fail "waited ${seconds} s for $what"
    sleep 0.05
  done
}

# --- A private X server, on a display number it picks itself.
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset \
  3>"$tmp/display" >"$tmp/xvfb.log" 2>&1 &
xvfb_pid=$!
wait_for 30 "the X server to start" test -s "$tmp/display"
DISPLAY=":$(head -n 1 "$tmp/display")"
export DISPLAY

# --- The program, with a home and desktop folders of its own. The session
# bus named here does not exist: without any, the D-Bus library would try to
# start one for the X display, which would outlive the test.
mkdir -p "$tmp/home" "$tmp/config" "$tmp/data" "$tmp/cache" "$tmp/runtime" "$tmp/docs"
chmod 700 "$tmp/runtime"
env -u SESSION_MANAGER -u QT_SCALE_FACTOR -u QT_SCREEN_SCALE_FACTORS -u QT_STYLE_OVERRIDE \
  -u QT_FONT_DPI DBUS_SESSION_BUS_ADDRESS="unix:path=$tmp/runtime/no-bus" \
  HOME="$tmp/home" XDG_CONFIG_HOME="$tmp/config" XDG_DATA_HOME="$tmp/data" \
  XDG_CACHE_HOME="$tmp/cache" XDG_RUNTIME_DIR="$tmp/runtime" QT_QPA_PLATFORM=xcb \
  "$program" >"$tmp/numino.log" 2>&1 &
numino_pid=$!

# visible_windows NAME_REGEX: the ids of the visible windows so named.
visible_windows() { xdotool search --onlyvisible --name "$1" 2>/dev/null; }
has_window() { [ -n "$(visible_windows "$1")" ]; }

wait_for 60 "the main window" has_window '^Numino - \(Senza nome\)$'
main=$(visible_windows '^Numino - \(Senza nome\)$' | head -n 1)

# The window is the menu bar above the board widget: exactly as wide as the
# board, which is its bottom square.
eval "$(xdotool getwindowgeometry --shell "$main")"
[ "$WIDTH" -eq $kBoardSide ] || fail "the window is $WIDTH pixels wide, not $kBoardSide"
[ "$HEIGHT" -gt $kBoardSide ] || fail "the window is $HEIGHT pixels high: no room for a menu bar"
board_x=$X
board_y=$((Y + HEIGHT - kBoardSide))

# Screen position of a pixel given in board-widget pixels.
screen_x() { echo $((board_x + $1)); }
screen_y() { echo $((board_y + $1)); }
# The middle of the cell in row or column N, in board-widget pixels.
cell_middle() { echo $((kBoardOrigin + ($1 - 1) * kCellPitch + kCellPitch / 2)); }

focus() {
  timeout 10 xdotool windowfocus --sync "$1" || fail "could not give the keyboard focus to window $1"
}
keys() { xdotool key --delay 20 "$@" || fail "xdotool could not press $*"; }
# click BUTTON X Y, in board-widget pixels.
click() {
  xdotool mousemove --sync "$(screen_x "$2")" "$(screen_y "$3")" click "$1" ||
    fail "xdotool could not click at $2,$3"
}
click_cell() { click "$1" "$(cell_middle "$3")" "$(cell_middle "$2")"; }

focus "$main"

# (1,1) = 5, then two to the right, (1,3) = 3. A click on (5,5) makes it
# current, and it gets a 9. A click in the margin selects nothing, so the
# right click on (9,9) rules out the 9 of (5,5) there.
keys 5 Right Right 3
click_cell 1 5 5
keys 9
click 1 5 100
click_cell 3 9 9

# --- What the screen shows. Each probe: WHAT, X,Y in board-widget pixels,
# and "=R,G,B" (that colour) or "!R,G,B" (anything else).
readonly kBlack=0,0,0 kWhite=255,255,255 kGreen=0,255,0 kRed=255,0,0
# shellcheck disable=SC2054  # the commas are inside the positions
probes=(
  "the board's top-left corner" 12,12 "=$kBlack"
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

# Prints "R,G,B" for each X,Y (screen pixels) of the screenshot, one a line.
read_pixels() {
  local shot=$1 format='' p
  shift
  for p in "$@"; do
    format+="%[fx:int(255*p{$p}.r+0.5)],%[fx:int(255*p{$p}.g+0.5)],%[fx:int(255*p{$p}.b+0.5)]\n"
  done
  convert "xwd:$shot" -format "$format" info:
}

# Takes a screenshot and checks every probe; prints the mismatches.
screen_mismatches() {
  local positions=() i colours
  for ((i = 0; i < ${#probes[@]}; i += 3)); do
    local xy=${probes[i + 1]}
    positions+=("$(screen_x "${xy%,*}"),$(screen_y "${xy#*,}")")
  done
  xwd -root -silent -out "$tmp/screen.xwd" || { echo "xwd failed"; return; }
  mapfile -t colours < <(read_pixels "$tmp/screen.xwd" "${positions[@]}")
  for ((i = 0; i < ${#probes[@]}; i += 3)); do
    local what=${probes[i]} want=${probes[i + 2]} got=${colours[i / 3]:-none}
    case $want in
      =*) [ "$got" = "${want#=}" ] || echo "$what: $got, expected ${want#=}" ;;
      !*) [ "$got" != "${want#!}" ] || echo "$what: $got" ;;
    esac
  done
}
screen_as_expected() { [ -z "$(screen_mismatches)" ]; }

# Painting follows the input asynchronously: give it time.
if ! wait_for_screen=$(
  deadline=$(($(now_ms) + 15000))
  until screen_as_expected; do
    [ "$(now_ms)" -lt "$deadline" ] || { screen_mismatches; exit 1; }
    sleep 0.1
  done
); then
  fail "the screen differs from the board as played:"$'\n'"$wait_for_screen"
fi

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

title_is() { [ "$(xdotool getwindowname "$main" 2>/dev/null)" = "$1" ]; }
wait_for 10 "the title 'Numino - partita'" title_is "Numino - partita"
wait_for 10 "the save dialog to close" eval '! has_window "^Salvataggio dati$"'

# --- One more change: (6,5) = 4; then "&File", "&Esci".
focus "$main"
keys Down 4 alt+f e

# The prompt bears the window's title; it is the second window so named.
prompt_window() { visible_windows '^Numino - partita$' | grep -vx "$main" | head -n 1; }
has_prompt() { [ -n "$(prompt_window)" ]; }
wait_for 30 "the prompt 'Salvo i dati?'" has_prompt
file_is first || fail "the file changed before the prompt was answered"
focus "$(prompt_window)"
keys Return  # Yes is the default button

# Yes saves under the document's name, without a dialog, and the program
# ends normally.
exited() { ! kill -0 "$numino_pid" 2>/dev/null; }
deadline=$(($(now_ms) + 20000))
until exited; do
  [ "$(now_ms)" -lt "$deadline" ] || fail "the program has not ended 20 s after the prompt"
  has_window '^Salvataggio dati$' && fail "the save dialog came up for a document with a name"
  sleep 0.05
done
wait "$numino_pid"
status=$?
numino_pid=
[ "$status" -eq 0 ] || fail "the program ended with status $status"
file_is second || fail "the file saved at the prompt is not the board as played:"$'\n'"$(show_file)"
[ "$(find "$tmp/docs" -type f | wc -l)" -eq 1 ] ||
  fail "the folder holds other files besides the document: $(ls -A "$tmp/docs")"

echo "PASS: typed, clicked, saved through the dialog, checked the screen, quit with a save"
