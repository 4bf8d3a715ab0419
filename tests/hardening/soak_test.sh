#!/usr/bin/env bash
# A long headless run: <generations> generations of 2 simulated seconds (61 steps: the
# float sum of the step reaches 2 at the 61st) on the default settings, through
# kinetarium-batch (built with the sanitizers when the sanitizer stage runs it). It must
# finish every generation with status 0 and no sanitizer report.
# Usage: soak_test.sh <path of kinetarium-batch> [generations, default 1000]
# Run from the build directory (where media/ is).
set -uo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/sanitizer_reports.sh"

batch=$1
generations=${2:-1000}
[[ -x $batch ]] || { echo "FAIL: no executable at '$batch'"; exit 1; }
[[ -d media ]] || { echo "FAIL: no media/ in $(pwd)"; exit 1; }
tmp=$(mktemp -d "${TMPDIR:-/tmp}/kinetarium-soak.XXXXXX")
trap 'rm -rf "$tmp"' EXIT

start=$SECONDS
status=0
timeout 600 "$batch" --generations "$generations" --generation-time 2 --seed 20240611 --csv "$tmp/soak.csv" \
    >"$tmp/out" 2>"$tmp/err" </dev/null || status=$?
seconds=$((SECONDS - start))

failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}
if has_sanitizer_report "$tmp/err"; then
    fail "sanitizer report:"
    show_sanitizer_reports "$tmp/err"
fi
((status == 0)) || fail "exit status $status (124: did not finish within 600 s); stderr: $(tail -n 5 "$tmp/err")"
reports=$(grep -c '^Generation ' "$tmp/out")
((reports == generations)) || fail "$reports generation reports, expected $generations"
last=$(grep '^Generation ' "$tmp/out" | tail -n 1)
[[ $last == "Generation $generations. Best vehicle fitness in last generation was "* ]] ||
    fail "last report: '$last'"
rows=$(($(wc -l <"$tmp/soak.csv") - 1))
((rows == generations)) || fail "$rows CSV rows, expected $generations"
# Every generation of 2 s takes the same number of steps.
odd=$(awk -F, 'NR > 1 && $5 != 61' "$tmp/soak.csv" | head -n 3)
[[ -z $odd ]] || fail "generations of other than 61 steps: $odd"
steps=$(awk -F, 'NR > 1 { s += $5 } END { print s + 0 }' "$tmp/soak.csv")
best=$(awk -F, 'NR > 1 && $2 > b { b = $2 } END { print b + 0 }' "$tmp/soak.csv")

if ((failures > 0)); then
    echo "$failures check(s) failed"
    exit 1
fi
echo "PASS: soaked $generations generations ($steps simulation steps) in ${seconds}s, best fitness $best, $(basename "$batch") exited 0 with no sanitizer report"
