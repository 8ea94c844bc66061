# shellcheck shell=bash
# What the end-to-end scripts share: a private X server, the built program
# started on it with a home and desktop folders of its own, and xdotool and
# screenshot helpers to drive it and look at it. Sourced, not run:
#
#   source x_session.sh
#   x_session_start PROGRAM         # skips (77) or fails without the tools
#   start_accessibility_bus         # optional: a private session bus and AT-SPI bus
#   start_program [ARGS...]         # sets numino_pid
#
# There is no window manager on the private server, so nothing hands the
# keyboard focus back to the main window when a dialog closes: the scripts
# give it back themselves, as the window manager would.

readonly kSkip=77
# program_constant FILE SED_SCRIPT: what the script prints of the program's
# source file src/FILE, where the constants below are defined.
program_constant() { sed -n "$2" "$(dirname "${BASH_SOURCE[0]}")/../../src/$1"; }
# The board's layout, as the program's own geometry gives it.
geometry_value() {
  program_constant display/BoardGeometry.h "s/^inline constexpr int $1 = \([0-9]*\);.*/\1/p"
}
kCellPitch=$(geometry_value kCellPitch)
kBoardOrigin=$(geometry_value kBoardOrigin)
readonly kCellPitch kBoardOrigin
# the board's own picture, margin included, at zoom 1
readonly kBoardPixels=$((2 * kBoardOrigin + 9 * kCellPitch))
# shellcheck disable=SC2034  # for the probes of the scripts that source this
readonly kBlack=0,0,0 kWhite=255,255,255 kGreen=0,255,0 kRed=255,0,0

# How soon the program writes its recovery file after a change, and how
# often it tries again when it cannot, in milliseconds, as
# src/recovery/WorkRecovery.h says.
recovery_ms() {
  program_constant recovery/WorkRecovery.h "s/.*std::chrono::milliseconds $1{\([0-9]*\)};.*/\1/p"
}
kRecoveryDelayMs=$(recovery_ms kDelay)
kRecoveryRetryMs=$(recovery_ms kRetry)
# shellcheck disable=SC2034  # for the scripts that source this
readonly kRecoveryDelayMs kRecoveryRetryMs
seconds_of() { printf '%d.%03d' $(($1 / 1000)) $(($1 % 1000)); }
# settle: long enough after the last change for the recovery file to hold it.
settle() { sleep "$(seconds_of $((kRecoveryDelayMs * 5 / 2)))"; }
# The recovery folder's files, and whether there is exactly one.
recovery_files() { find "$state" -maxdepth 1 -name '*.recovery' 2>/dev/null; }
has_recovery() { [ "$(recovery_files | wc -l)" -eq 1 ]; }

in_ci() { [ -n "${CI:-}" ] && [ "${CI}" != "false" ]; }

program=
tmp=
xvfb_pid=
numino_pid=
keep=
other_pids=()  # more processes a script started, ended with the rest
cleanup() {
  [ -n "$numino_pid" ] && kill "$numino_pid" 2>/dev/null
  [ ${#other_pids[@]} -eq 0 ] || kill "${other_pids[@]}" 2>/dev/null
  stop_accessibility_bus
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
  wait 2>/dev/null
  [ -n "$tmp" ] || return
  if [ -n "$keep" ]; then
    echo "The screen, the program's output and its files are kept in $tmp" >&2
  else
    rm -rf "$tmp"
  fi
}

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

now_ms() { echo $((${EPOCHREALTIME/./} / 1000)); }

# wait_for SECONDS WHAT COMMAND...: runs COMMAND every 50 ms until it
# succeeds; fails naming WHAT after SECONDS.
wait_for() {
  local seconds=$1 what=$2
  shift 2
  local deadline=$(($(now_ms) + seconds * 1000))
  until "$@"; do
    check_alive
    [ "$(now_ms)" -lt "$deadline" ] || fail "waited ${seconds} s for $what"
    sleep 0.05
  done
}

# x_session_start PROGRAM: the tools, a folder for the run, and a private X
# server on a display number it picks itself.
x_session_start() {
  program=$1
  local missing=() tool
  for tool in Xvfb xdotool xclip xwd convert; do
    command -v "$tool" >/dev/null 2>&1 || missing+=("$tool")
  done
  if [ ${#missing[@]} -gt 0 ]; then
    if in_ci; then
      echo "FAIL: needed to drive the program on an X server, not installed: ${missing[*]}" >&2
      exit 1
    fi
    echo "SKIPPED: not installed: ${missing[*]} (packages xvfb xdotool xclip x11-apps imagemagick)"
    exit $kSkip
  fi
  [ -x "$program" ] || { echo "FAIL: no program at $program" >&2; exit 1; }

  tmp=$(mktemp -d "${TMPDIR:-/tmp}/numino-e2e.XXXXXX") || exit 1
  trap cleanup EXIT

  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset \
    3>"$tmp/display" >"$tmp/xvfb.log" 2>&1 &
  xvfb_pid=$!
  wait_for 30 "the X server to start" test -s "$tmp/display"
  DISPLAY=":$(head -n 1 "$tmp/display")"
  export DISPLAY
  mkdir -p "$tmp/home" "$tmp/config" "$tmp/data" "$tmp/cache" "$tmp/runtime" "$tmp/docs"
  chmod 700 "$tmp/runtime"
  # The program's XDG_STATE_HOME, and the recovery folder in it.
  state_home=$tmp/state
  state=$state_home/numino
}

# start_program [ARGS...]: the program, with a home and desktop folders of
# its own (its recovery files go to $state). The session bus
# named here does not exist: without any, the D-Bus library would try to
# start one for the X display, which would outlive the test. A session
# manager is reached only when `session_manager` holds its address, and a
# private session bus only when `session_bus` names it.
session_manager=
session_bus=
start_program() {
  env -u SESSION_MANAGER -u QT_SCALE_FACTOR -u QT_SCREEN_SCALE_FACTORS -u QT_STYLE_OVERRIDE \
    -u QT_FONT_DPI -u AT_SPI_BUS_ADDRESS \
    DBUS_SESSION_BUS_ADDRESS="${session_bus:-unix:path=$tmp/runtime/no-bus}" \
    HOME="$tmp/home" XDG_CONFIG_HOME="$tmp/config" XDG_DATA_HOME="$tmp/data" \
    XDG_CACHE_HOME="$tmp/cache" XDG_RUNTIME_DIR="$tmp/runtime" XDG_STATE_HOME="$state_home" \
    QT_QPA_PLATFORM=xcb ${session_manager:+SESSION_MANAGER="$session_manager"} \
    "$program" "$@" >>"$tmp/numino.log" 2>&1 &
  numino_pid=$!
}

# start_manager any|none: a new session manager of the tests' own
# (session_manager.cpp at $manager), allowing that interaction; sets
# manager_pid, its log sm_log and the address the program is started with.
# end_session asks the manager to end the session; cancel_session to end
# it and cancel that itself once the program has answered.
managers=0
start_manager() {
  managers=$((managers + 1))
  sm_log=$tmp/manager-$managers.log
  local address=$tmp/manager-$managers.address
  # shellcheck disable=SC2154  # set by the script that sources this
  "$manager" "$sm_log" "$1" >"$address" 2>"$tmp/manager-$managers.errors" &
  manager_pid=$!
  other_pids+=("$manager_pid")
  wait_for 10 "the session manager's address" grep -q . "$address"
  session_manager=$(head -n 1 "$address")
}
logged() { grep -qx "$1" "$sm_log"; }
expect_logged() { wait_for 30 "the session manager to record '$1'" logged "$1"; }
end_session() { kill -USR1 "$manager_pid"; }
cancel_session() { kill -USR2 "$manager_pid"; }

# start_accessibility_bus: a private session bus, and the accessibility bus
# of at-spi2-core that it points to, for the program and whatever reads it;
# cleanup ends them. Qt finds the accessibility bus through the session bus;
# with AT_SPI_BUS_ADDRESS set it would not appear there at all. Exports the
# bus and the run's own home and desktop folders, so that what the buses
# start (the registry, dconf) keeps its files in $tmp too. Skips (77), or
# fails on CI, without dbus-daemon and at-spi2-core.
launcher=/usr/libexec/at-spi-bus-launcher
bus_pid=
launcher_pid=
start_accessibility_bus() {
  local missing=()
  command -v dbus-daemon >/dev/null 2>&1 || missing+=(dbus-daemon)
  [ -x "$launcher" ] || missing+=(at-spi2-core)
  if [ ${#missing[@]} -gt 0 ]; then
    in_ci && fail "needed for the accessibility bus, not installed: ${missing[*]}"
    echo "SKIPPED: not installed: ${missing[*]}"
    exit $kSkip
  fi
  unset AT_SPI_BUS_ADDRESS
  export HOME=$tmp/home XDG_CONFIG_HOME=$tmp/config XDG_DATA_HOME=$tmp/data \
    XDG_CACHE_HOME=$tmp/cache XDG_RUNTIME_DIR=$tmp/runtime
  dbus-daemon --session --nofork --nopidfile --address="unix:path=$tmp/runtime/bus" \
    >"$tmp/bus.log" 2>&1 &
  bus_pid=$!
  session_bus="unix:path=$tmp/runtime/bus"
  wait_for 30 "the session bus" test -S "$tmp/runtime/bus"
  export DBUS_SESSION_BUS_ADDRESS=$session_bus
  "$launcher" --launch-immediately >"$tmp/launcher.log" 2>&1 &
  launcher_pid=$!
}
stop_accessibility_bus() {
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
  launcher_pid='' bus_pid=''
}

# visible_windows NAME_REGEX: the ids of the visible windows so named.
visible_windows() { xdotool search --onlyvisible --name "$1" 2>/dev/null; }
has_window() { [ -n "$(visible_windows "$1")" ]; }
title_is() { [ "$(xdotool getwindowname "$1" 2>/dev/null)" = "$2" ]; }

# main_window TITLE: waits for the window whose whole title matches the
# regular expression TITLE, sets `main` to it, locates its board and gives
# it the focus.
main_window() {
  wait_for 60 "the window '$1'" has_window "^$1\$"
  main=$(visible_windows "^$1\$" | head -n 1)
  locate_board "$main"
  focus "$main"
}
# prompt_window TITLE: the save prompt bears the window's title; it is the
# second visible window so named.
prompt_window() { visible_windows "^$1\$" | grep -vx "$main" | head -n 1; }
has_prompt() { [ -n "$(prompt_window "$1")" ]; }
# answer_prompt TITLE KEY: waits for the save prompt, gives it the focus and
# presses KEY.
answer_prompt() {
  wait_for 30 "the prompt 'Salvo i dati?'" has_prompt "$1"
  focus "$(prompt_window "$1")"
  keys "$2"
}

# locate_board WINDOW: the window is the menu bar above the board widget:
# exactly as wide as the board, which is its bottom square, at any zoom.
# Sets board_x and board_y, the board's top-left corner on the screen, and
# board_side, its side in screen pixels.
locate_board() {
  # shellcheck disable=SC2034  # xdotool names them all
  local X Y WIDTH HEIGHT SCREEN WINDOW
  eval "$(xdotool getwindowgeometry --shell "$1")"
  [ "$HEIGHT" -gt "$WIDTH" ] || fail "the window is $WIDTH x $HEIGHT pixels: no room for a menu bar"
  board_side=$WIDTH
  board_x=$X
  board_y=$((Y + HEIGHT - WIDTH))
}

# Screen position of the middle of a pixel given in the board's own pixels
# (those of zoom 1), whatever the zoom.
screen_x() { echo $((board_x + ($1 * board_side + board_side / 2) / kBoardPixels)); }
screen_y() { echo $((board_y + ($1 * board_side + board_side / 2) / kBoardPixels)); }
# The middle of the cell in row or column N, in the board's own pixels.
cell_middle() { echo $((kBoardOrigin + ($1 - 1) * kCellPitch + kCellPitch / 2)); }

focus() {
  timeout 10 xdotool windowfocus --sync "$1" || fail "could not give the keyboard focus to window $1"
}
keys() { xdotool key --delay 20 "$@" || fail "xdotool could not press $*"; }
# click BUTTON X Y, in the board's own pixels.
click() {
  xdotool mousemove --sync "$(screen_x "$2")" "$(screen_y "$3")" click "$1" ||
    fail "xdotool could not click at $2,$3"
}
click_cell() { click "$1" "$(cell_middle "$3")" "$(cell_middle "$2")"; }

# --- What the screen shows. The caller fills `probes`, three words each:
# WHAT, X,Y in the board's own pixels, and "=R,G,B" (that colour) or "!R,G,B"
# (anything else).
probes=()

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

# board_shot FILE: the board as the screen shows it now, as a PNG.
board_shot() {
  xwd -root -silent -out "$tmp/shot.xwd" || fail "xwd failed"
  convert "xwd:$tmp/shot.xwd" -crop "${board_side}x${board_side}+${board_x}+${board_y}" +repage \
    "$1" || fail "convert could not cut the board out of the screen"
}
# board_is FILE: the board shows now exactly the pixels of that shot.
board_is() {
  board_shot "$tmp/now.png"
  [ "$(compare -metric AE "$1" "$tmp/now.png" null: 2>&1)" = 0 ]
}

# expect_screen WHAT: painting follows the input asynchronously, so the
# probes get 15 s to come true; then fails with the mismatches.
expect_screen() {
  local mismatches
  if ! mismatches=$(
    deadline=$(($(now_ms) + 15000))
    until screen_as_expected; do
      [ "$(now_ms)" -lt "$deadline" ] || { screen_mismatches; exit 1; }
      sleep 0.1
    done
  ); then
    fail "the screen differs from $1:"$'\n'"$mismatches"
  fi
}

# expect_exit SECONDS [CHECK...]: the program ends by itself within
# SECONDS, with status 0. The optional CHECK command runs at every look
# while it is still running, to fail on what must not show meanwhile.
expect_exit() {
  local seconds=$1 deadline=$(($(now_ms) + $1 * 1000)) status
  shift
  while kill -0 "$numino_pid" 2>/dev/null; do
    [ "$(now_ms)" -lt "$deadline" ] || fail "the program has not ended within $seconds s"
    [ $# -eq 0 ] || "$@"
    sleep 0.05
  done
  wait "$numino_pid"
  status=$?
  numino_pid=
  [ "$status" -eq 0 ] || fail "the program ended with status $status"
}
