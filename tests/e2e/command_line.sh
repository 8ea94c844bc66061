#!/usr/bin/env bash
# Runs the built program with command lines it must answer without making a
# window: what it prints, where, and its exit status. QApplication takes
# "-platform offscreen" before Numino reads the rest, so no display is needed.
#
#   command_line.sh PROGRAM VERSION
#
# Exit status 0 when every check passed, 1 otherwise.
set -u

program=${1:?usage: command_line.sh PROGRAM VERSION}
version=${2:?usage: command_line.sh PROGRAM VERSION}
tmp=$(mktemp -d "${TMPDIR:-/tmp}/numino-cli.XXXXXX") || exit 1
trap 'rm -rf "$tmp"' EXIT
# Qt warns on standard error when the runtime folder is not set.
export XDG_RUNTIME_DIR=$tmp

failures=0
# check STATUS STDOUT STDERR ARGS...: STDOUT may end in * to match a prefix.
check() {
  local status=$1 out=$2 err=$3 actual
  shift 3
  timeout 20 "$program" -platform offscreen "$@" >"$tmp/out" 2>"$tmp/err" </dev/null
  actual=$?
  # shellcheck disable=SC2053  # $out is a pattern on purpose
  if [ "$actual" != "$status" ] || [[ "$(cat "$tmp/out")" != $out ]] || [ "$(cat "$tmp/err")" != "$err" ]; then
    echo "FAIL: Numino $*: status $actual, expected $status and the output \"$out\" / \"$err\"" >&2
    echo "  stdout: $(cat "$tmp/out")" >&2
    echo "  stderr: $(cat "$tmp/err")" >&2
    failures=$((failures + 1))
  fi
}

check 0 "Numino $version" "" --version
check 0 "Utilizzo: *Il documento .nmo da aprire*" "" --help
check 2 "" "Numino: troppi file: se ne apre uno solo." a.nmo b.nmo
check 2 "" "Numino: opzione sconosciuta: --nonsense" --nonsense a.nmo

[ "$failures" -eq 0 ]
