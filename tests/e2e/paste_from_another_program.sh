#!/usr/bin/env bash
# Pastes from another program's clipboard (xclip) into the built program on
# a private X server: a text too long for a puzzle is refused, and the
# program's memory at its peak grows by far less than the text, which it
# never read; a puzzle comes in and goes back out with Ctrl+C.
#
#   paste_from_another_program.sh PROGRAM
#
# Exit status as solve_save_quit.sh: 0 passed, 77 skipped, 1 failed.
set -u

# shellcheck source-path=SCRIPTDIR source=x_session.sh
source "$(dirname "${BASH_SOURCE[0]}")/x_session.sh"

x_session_start "${1:?usage: paste_from_another_program.sh PROGRAM}"
# shellcheck disable=SC2119  # no arguments: the program starts empty
start_program
title='Numino - \(Senza nome\)'
main_window "$title"

# offer FILE: xclip holds FILE as the clipboard's text until the next one.
xclip_pid=
offer() {
  if [ -n "$xclip_pid" ]; then
    kill "$xclip_pid" 2>/dev/null
    wait "$xclip_pid" 2>/dev/null
  fi
  xclip -quiet -selection clipboard -i "$1" 2>>"$tmp/xclip.log" &
  xclip_pid=$!
  owned() { xclip -selection clipboard -o -t TARGETS >/dev/null 2>&1; }
  wait_for 10 "xclip to hold the clipboard" owned
}
peak_kb() { awk '/^VmHWM:/ { print $2 }' "/proc/$numino_pid/status"; }
refusal_shown() { has_window '^Numino$'; }
# paste_refused WHAT: Ctrl+V, the refusal, and Enter closes it.
paste_refused() {
  focus "$main"
  keys ctrl+v
  wait_for 30 "the refusal of $1" refusal_shown
  focus "$(visible_windows '^Numino$' | head -n 1)"
  keys Return
  wait_for 10 "the refusal of $1 to close" eval '! refusal_shown'
}

# refuse FILE: offers FILE, which Ctrl+V must refuse; sets `grown`, what
# that raised the program's peak memory by, in kB.
refuse() {
  local before
  before=$(peak_kb)
  offer "$1"
  paste_refused "$(wc -c <"$1") bytes"
  grown=$(($(peak_kb) - before))
}
text_of_kb() { head -c "${1}K" /dev/zero | tr '\0' 1 >"$tmp/$1.txt"; }

# Above xclip's part size (1 MB) the text comes in parts; below it, in one
# property. Either way it is refused unread; read, it would raise the peak
# by more than its size. The first refusal makes the box, well within the
# bound for 64 MB. What one more refusal costs by itself (the sanitizers
# keep every freed block) is measured on a greeting.
text_of_kb 65536
refuse "$tmp/65536.txt"
[ "$grown" -lt 65536 ] || fail "pasting 64 MB raised the peak memory by $grown kB"
printf 'Ciao\n' >"$tmp/ciao.txt"
refuse "$tmp/ciao.txt"
alone=$grown
text_of_kb 768
refuse "$tmp/768.txt"
[ $((grown - alone)) -lt 768 ] ||
  fail "pasting 768 kB raised the peak memory by $grown kB, against $alone for a greeting"

# A puzzle from the other program replaces the changed document after the
# save prompt, which shows only once the owner has answered; Ctrl+C then
# gives the same grid back as nine lines of digits.
puzzle=$tmp/puzzle.txt
printf '%s\n' 100000000 020000000 003000000 000400000 000050000 000006000 \
  000000700 000000080 000000009 >"$puzzle"
offer "$puzzle"
focus "$main"
keys 5 ctrl+v
answer_prompt "$title" n
prompt_gone() { ! has_prompt "$title"; }
wait_for 10 "the prompt to close" prompt_gone
copied_back() {
  focus "$main"
  keys ctrl+c
  [ "$(xclip -selection clipboard -o 2>/dev/null)" = "$(cat "$puzzle")" ]
}
wait_for 30 "the pasted puzzle to be copied back" copied_back
kill "$xclip_pid" 2>/dev/null

# "&File", "&Esci", and No at the question whether to save.
keys alt+f e
answer_prompt "$title" n
expect_exit 20

echo "PASS: a puzzle pasted from xclip, 64 MB and 768 kB refused unread"
