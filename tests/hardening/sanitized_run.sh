#!/usr/bin/env bash
# Runs a program of the sanitizer build (with the sanitizer options of the environment)
# and fails when it fails or when a sanitizer report shows anywhere in its output, also
# one from a child process that the program judged by its exit status alone.
# Usage: sanitized_run.sh <program> [arguments...]
set -uo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/sanitizer_reports.sh"

[[ -x ${1:-} ]] || { echo "FAIL: no executable at '${1:-}' (is the sanitizer tree built?)"; exit 1; }
log=$(mktemp "${TMPDIR:-/tmp}/kinetarium-sanitized.XXXXXX")
trap 'rm -f "$log"' EXIT

status=0
"$@" </dev/null 2>&1 | tee "$log" || status=${PIPESTATUS[0]}
if has_sanitizer_report "$log"; then
    echo "FAIL: sanitizer report in the output of $(basename "$1"):"
    show_sanitizer_reports "$log"
    exit 1
fi
((status == 0)) || { echo "FAIL: $(basename "$1") exited with status $status"; exit 1; }
echo "PASS: $(basename "$1") ran clean under AddressSanitizer, UndefinedBehaviorSanitizer and LeakSanitizer"
