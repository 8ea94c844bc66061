#!/usr/bin/env bash
# What Orca, the screen reader Debian ships, says while the board is used
# with the keyboard: the current cell when the board gets the focus, after a
# move, after every change of what it shows and at the edge; nothing about
# the other cells, whose names are read afresh once the user gets there.
#
# Orca runs on the private X server and accessibility bus of the run, with
# its settings in the run's own folders, speaking through speech-dispatcher
# and espeak-ng into ALSA's null device. Its debug log, written to a
# terminal so that it is never held in a buffer, is read for the
# "SPEECH OUTPUT" lines.
#
#   orca_speaks.sh PROGRAM
#
# Exit status 0 when every check passed; 77 (skipped) when the tools are
# missing outside CI; 1 on any failure.
set -u

# shellcheck source-path=SCRIPTDIR source=x_session.sh
source "$(dirname "${BASH_SOURCE[0]}")/x_session.sh"

x_session_start "${1:?usage: orca_speaks.sh PROGRAM}"

espeak_module=/usr/lib/speech-dispatcher-modules/sd_espeak-ng
missing=()
for tool in orca speech-dispatcher script pgrep; do
  command -v "$tool" >/dev/null 2>&1 || missing+=("$tool")
done
[ -x "$espeak_module" ] || missing+=(speech-dispatcher-espeak-ng)
if [ ${#missing[@]} -gt 0 ]; then
  in_ci && fail "needed to hear the program through Orca, not installed: ${missing[*]}"
  echo "SKIPPED: not installed: ${missing[*]} (packages orca speech-dispatcher" \
    "speech-dispatcher-espeak-ng espeak-ng)"
  exit $kSkip
fi
# Orca refuses to start beside another Orca of the same user, as a screen
# reader in use on this desktop.
if [ -n "$(pgrep -u "$(id -u)" -x orca)" ]; then
  in_ci && fail "another Orca is running for this user"
  echo "SKIPPED: another Orca is running for this user"
  exit $kSkip
fi

start_accessibility_bus

# Without a sound server speech-dispatcher must be told to use ALSA, or it
# fails to open any output and Orca waits on it for ever.
printf 'pcm.!default { type null }\n' >"$HOME/.asoundrc"
mkdir -p "$XDG_CONFIG_HOME/speech-dispatcher"
cat >"$XDG_CONFIG_HOME/speech-dispatcher/speechd.conf" <<'EOF'
AudioOutputMethod "alsa"
AddModule "espeak-ng" "sd_espeak-ng" "espeak-ng.conf"
DefaultModule espeak-ng
EOF

# Orca ignores SIGTERM: it and the speech-dispatcher that it started are
# ended with SIGKILL, by process id. script(1) is given the time to reap
# Orca: a dead Orca not yet reaped would still stop the next one.
orca_pid=
script_pid=
stop_orca() {
  local speechd child
  if [ -n "$orca_pid" ] && kill -KILL "$orca_pid" 2>/dev/null; then
    for _ in $(seq 200); do kill -0 "$script_pid" 2>/dev/null || break; sleep 0.05; done
  fi
  speechd=$(cat "$XDG_RUNTIME_DIR/speech-dispatcher/pid/speech-dispatcher.pid" 2>/dev/null)
  if [ -n "$speechd" ]; then
    for child in $(pgrep -P "$speechd"); do kill -KILL "$child" 2>/dev/null; done
    kill -KILL "$speechd" 2>/dev/null
  fi
  cleanup
}
trap stop_orca EXIT

# Plain `orca` asks nothing (only --setup would); it makes its settings in
# $XDG_DATA_HOME/orca. C.UTF-8 keeps its own words in English.
log=$tmp/orca.log
script -qfc "exec env LC_ALL=C.UTF-8 orca --debug-file=/dev/stdout" "$log" \
  </dev/null >/dev/null 2>&1 &
other_pids+=($!)
script_pid=$!
orca_started() { orca_pid=$(pgrep -P "$script_pid" -x orca); [ -n "$orca_pid" ]; }
wait_for 60 "Orca to start" orca_started
orca_says() { grep -aq "SPEECH OUTPUT: '$1'" "$log"; }
wait_for 120 "Orca to say that it is on" orca_says "Screen reader on."

# spoken OFFSET [END]: what Orca said from that byte of its log to END (or
# to its end), one utterance a line. Key echoes are left out. Orca 43
# writes what it reads of the program as "'TEXT'{...}" or "'TEXT'
# voice=...{...}", and a key echo as "'7 ' {...}"; Orca 48 writes "'TEXT'
# {...}" for both, but only what it reads names the voice's 'family'. The
# full stop with which Orca ends what it reads of an object, and not an
# announcement, is left out.
spoken() {
  local said="^.* - SPEECH OUTPUT: '\(.*\)'\( voice=[a-z]*\)\{0,1\}{.*\$"
  [ -n "$orca48" ] && said="^.* - SPEECH OUTPUT: '\(.*\)' {.*'family'.*\$"
  head -c "${2:-$(stat -c %s "$log")}" "$log" | tail -c +"$(($1 + 1))" |
    sed -n "s/$said/\1/p" | sed 's/\([^.]\)\.$/\1/'
}
said_since() { spoken "$1" | grep -Fxq "$2"; }

# step WHAT EXPECTED COMMAND...: runs the command and waits for Orca to say
# EXPECTED (nothing when empty); sets `said` to all it said since the step
# before. The steps follow on without a gap in the log, and Orca speaks in
# the order of the events, so whatever a step makes it say late shows in
# the next step.
said=()
heard_to=0
step_what=
step() {
  local expected=$2 from=$heard_to
  step_what=$1
  shift 2
  "$@"
  [ -z "$expected" ] ||
    wait_for 30 "Orca to say '$expected' after $step_what" said_since "$from" "$expected"
  heard_to=$(stat -c %s "$log")
  mapfile -t said < <(spoken "$from" "$heard_to")
  echo "$step_what:"
  [ ${#said[@]} -eq 0 ] || printf "  '%s'\n" "${said[@]}"
}
heard() { printf "\n  '%s'" "${said[@]}"; }
# said_only LINE...: in the last step Orca said exactly these, in this order.
said_only() {
  if [ "${said[*]}" != "$*" ] || [ ${#said[@]} -ne $# ]; then
    fail "after $step_what Orca said:$(heard)"$'\n'"expected:$(printf "\n  '%s'" "$@")"
  fi
}
# said_row_once CELL: with its "speak full row" setting, Orca reads the
# whole row when the focus comes into a table; the current cell is said
# once among it, and no cell of another row.
said_row_once() {
  local line times=0
  for line in "${said[@]}"; do
    [ "$line" = "$1" ] && times=$((times + 1))
    case $line in
      Riga\ *) [ "${line%%,*}" = "${1%%,*}" ] || fail "after $step_what Orca read another row:$(heard)" ;;
    esac
  done
  [ "$times" -eq 1 ] || fail "after $step_what Orca said '$1' $times times:$(heard)"
}

# Started after Orca, the program finds accessibility turned on.
start_program
wait_for 60 "the main window" has_window '^Numino - \(Senza nome\)$'
main=$(visible_windows '^Numino - \(Senza nome\)$' | head -n 1)
# Orca 43 logs the application as "[application | Numino]", 48 as
# "[application: 'Numino']".
wait_for 60 "Orca to see the program" grep -aqE "\[application(: '| \| )Numino'?\]" "$log"
orca48=
grep -aqF "[application: 'Numino']" "$log" && orca48=1
heard_to=$(stat -c %s "$log")

all='possibili 1 2 3 4 5 6 7 8 9'
no7='possibili 1 2 3 4 5 6 8 9'
step "the window activated" "Riga 1, colonna 9: vuota, $all" focus "$main"
said_row_once "Riga 1, colonna 1: vuota, $all"
step "Right" "Riga 1, colonna 2: vuota, $all" keys Right
said_only "Riga 1, colonna 2: vuota, $all"
step "7" "Riga 1, colonna 2: 7" keys 7
said_only "Riga 1, colonna 2: 7"
step "Left, onto a cell that changed" "Riga 1, colonna 1: vuota, $no7" keys Left
said_only "Riga 1, colonna 1: vuota, $no7"
step "Left at the edge" "Riga 1, colonna 1: vuota, $no7" keys Left
said_only "Riga 1, colonna 1: vuota, $no7"
ctrl4="Riga 1, colonna 1: vuota, possibili 1 2 3 5 6 8 9, esclusi a mano 4"
step "Ctrl+4" "$ctrl4" keys ctrl+4
said_only "$ctrl4"
step "Backspace, undoing Ctrl+4" "Riga 1, colonna 1: vuota, $no7" keys BackSpace
said_only "Riga 1, colonna 1: vuota, $no7"
step "Backspace, undoing the 7 in the next cell" "Riga 1, colonna 2: vuota, $all" keys BackSpace
said_only "Riga 1, colonna 2: vuota, $all"
step "Tab, redoing the 7" "Riga 1, colonna 2: 7" keys Tab
said_only "Riga 1, colonna 2: 7"
step "Alt+F" "Nuovo..." keys alt+f
# Qt 6.4 gives the board the focus back as the menu closes, at the first
# Escape: the second leaves the menu bar and says nothing.
step "Escape, closing the menu" "Riga 1, colonna 9: vuota, $no7" keys Escape
said_row_once "Riga 1, colonna 2: 7"
step "Escape, leaving the menu bar, and Right" "Riga 1, colonna 3: vuota, $no7" keys Escape Right
said_only "Riga 1, colonna 3: vuota, $no7"

# A message box takes the focus and is read once, with no cell of the
# board inside; the window gets the focus back once the box is closed, here
# from the script as there is no window manager.
button=button             # Orca 48
[ -n "$orca48" ] || button="push button"
# said_box_once TEXT: in the last step Orca read TEXT of a box once, and no
# cell of the board.
said_box_once() {
  local line times=0
  for line in "${said[@]}"; do
    case $line in
      Riga\ *) fail "after $step_what Orca read the board inside the box:$(heard)" ;;
      *"$1"*) times=$((times + 1)) ;;
    esac
  done
  [ "$times" -eq 1 ] || fail "after $step_what Orca read '$1' $times times:$(heard)"
}
about_closed() { ! has_window '^Informazioni su Numino$'; }
step "Alt+?" "Informazioni su Numino" keys alt+question
step "Return, on the menu item" "OK $button" keys Return
said_box_once "Informazioni su Numino"
step "Return, on OK" "" keys Return
wait_for 30 "the About box to close" about_closed
step "the window activated again" "Riga 1, colonna 9: vuota, $no7" focus "$main"
said_row_once "Riga 1, colonna 3: vuota, $no7"
step "Left, after the About box" "Riga 1, colonna 2: 7" keys Left
said_only "Riga 1, colonna 2: 7"
# The save prompt of File, Nuovo, as the board holds a 7; Escape cancels.
prompt_closed() { [ -z "$(prompt_window 'Numino - \(Senza nome\)')" ]; }
step "Alt+F again" "Nuovo..." keys alt+f
step "Return, on Nuovo..." "Sì $button" keys Return
said_box_once "Salvo i dati?"
step "Escape, on the save prompt" "" keys Escape
wait_for 30 "the save prompt to close" prompt_closed
step "the window activated after the prompt" "Riga 1, colonna 9: vuota, $no7" focus "$main"
said_row_once "Riga 1, colonna 2: 7"
step "Down, to another row" "Riga 2, colonna 9: vuota, $all" keys Down
said_row_once "Riga 2, colonna 2: vuota, $no7"
# What Qt says when a client asks for an object it no longer has, or is
# told of text in one without any.
! grep -q "Could not find accessible\|invalid interface" "$tmp/numino.log" ||
  fail "Qt lost track of an object that Orca asked for"
check_alive
exit 0
