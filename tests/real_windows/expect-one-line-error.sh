#!/usr/bin/env bash
# expect-one-line-error.sh PATTERN COMMAND [ARGS...]
#
# Passes when COMMAND fails as a program should on bad input: it exits with a status of its own
# (1..125, not a signal, not a crash) after writing exactly one line to stderr, and that line
# matches the extended regular expression PATTERN.
set -u
pattern="$1"
shift
errors="$(mktemp "${TMPDIR:-/tmp}/zelk-stderr.XXXXXX")"
trap 'rm -f "$errors"' EXIT

status=0
"$@" > /dev/null 2> "$errors" < /dev/null || status=$?
lines="$(wc -l < "$errors")"
echo "exit status $status; stderr:"
cat "$errors"

if [ "$status" -lt 1 ] || [ "$status" -gt 125 ]; then
    echo "FAIL: expected an exit status of 1..125"
    exit 1
fi
if [ "$lines" != 1 ] || ! grep -qE "$pattern" "$errors"; then
    echo "FAIL: expected one line matching: $pattern"
    exit 1
fi
echo "ok"
