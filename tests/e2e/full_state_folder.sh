#!/usr/bin/env bash
# The work is kept on a disk that fills up: the state folder lies on a
# tiny tmpfs, full when the program starts. The first change brings one
# box telling that the work cannot be kept; more changes bring no other.
# Once space comes back the file is written within seconds, without any
# further key, and a start after kill -9 takes the work back.
#
#   full_state_folder.sh PROGRAM
#
# Needs root, to mount the tmpfs: skipped (77) without it, except on CI.
# Exit status as solve_save_quit.sh: 0 passed, 77 skipped, 1 failed.
set -u

# shellcheck source-path=SCRIPTDIR source=x_session.sh
source "$(dirname "${BASH_SOURCE[0]}")/x_session.sh"

if [ "$(id -u)" -ne 0 ]; then
  in_ci && { echo "FAIL: needs root to mount a tmpfs" >&2; exit 1; }
  echo "SKIPPED: needs root to mount a tmpfs"
  exit $kSkip
fi
x_session_start "${1:?usage: full_state_folder.sh PROGRAM}"
mounted=
# The program holds its file open: it goes first, then the tmpfs.
unmount() {
  if [ -n "$mounted" ]; then
    [ -n "$numino_pid" ] && kill -KILL "$numino_pid" 2>/dev/null && wait "$numino_pid" 2>/dev/null
    numino_pid=
    umount "$state_home" || echo "could not unmount $state_home" >&2
  fi
  cleanup
}
trap unmount EXIT
mkdir -p "$state_home"
mount -t tmpfs -o size=64k,mode=0700 numino-test "$state_home" || fail "could not mount a tmpfs"
mounted=1
mkdir -m 0700 "$state"
dd if=/dev/zero of="$state_home/filler" bs=4k >/dev/null 2>&1
boxes() { visible_windows '^Numino$' | wc -l; }
has_box() { [ "$(boxes)" -gt 0 ]; }

start_program
wait_for 60 "the main window" has_window '^Numino - \(Senza nome\)$'
main=$(visible_windows '^Numino - \(Senza nome\)$' | head -n 1)
focus "$main"
keys 5
wait_for 30 "the box telling that the work cannot be kept" has_box
focus "$(visible_windows '^Numino$' | head -n 1)"
keys Return
wait_for 10 "the box to close" test "$(boxes)" -eq 0
focus "$main"
keys Right 6
# Retries come every few seconds; none of the next two may tell again.
deadline=$(($(now_ms) + kRecoveryRetryMs * 9 / 4))
while [ "$(now_ms)" -lt "$deadline" ]; do
  has_box && fail "the same fault was told twice"
  has_recovery && fail "a recovery file on a full disk"
  sleep 0.2
done

rm "$state_home/filler"
wait_for $((kRecoveryRetryMs * 2 / 1000)) "the work written once space came back" has_recovery
grep -qx 560000000 "$(recovery_files)" || fail "the file does not hold both digits"
kill -KILL "$numino_pid"
wait "$numino_pid" 2>/dev/null
numino_pid=

start_program
wait_for 60 "the question about the work left behind" has_box
focus "$(visible_windows '^Numino$' | head -n 1)"
keys Return
wait_for 30 "the work brought back" has_window '^Numino - \(Senza nome\)\*?$'
echo "PASS: a full disk was told once, the work written once space came back, and recovered"
