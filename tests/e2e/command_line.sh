#!/usr/bin/env bash
# What only the built program shows: QApplication takes its own options
# ("-platform offscreen", so no display is needed) before Numino reads the
# rest, and main() prints on the right stream with the right exit status.
# The command lines themselves are tested in tests/app/CommandLineTest.cpp.
#
#   command_line.sh PROGRAM VERSION
set -u
program=${1:?usage: command_line.sh PROGRAM VERSION}
version=${2:?usage: command_line.sh PROGRAM VERSION}
tmp=$(mktemp -d "${TMPDIR:-/tmp}/numino-cli.XXXXXX") || exit 1
trap 'rm -rf "$tmp"' EXIT
export XDG_RUNTIME_DIR=$tmp # else Qt warns on standard error
# The C locale of containers and scripts, which Qt 6.8 would report.
unset LANG LANGUAGE LC_ALL LC_CTYPE

failures=0
check() { # STATUS STDOUT STDERR ARGS...
  local status=$1 out=$2 err=$3
  shift 3
  timeout 20 "$program" -platform offscreen "$@" >"$tmp/out" 2>"$tmp/err" </dev/null
  set -- "$?" "$(cat "$tmp/out")" "$(cat "$tmp/err")" "$*"
  if [ "$1|$2|$3" != "$status|$out|$err" ]; then
    echo "FAIL: Numino $4: status $1, stdout \"$2\", stderr \"$3\"" >&2
    failures=$((failures + 1))
  fi
}
check 0 "Numino $version" "" --version
check 2 "" "Numino: troppi file: se ne apre uno solo." a.nmo b.nmo
[ "$failures" -eq 0 ]
