#!/usr/bin/env bash
# Ctrl-C (SIGINT) stops the run after the current step: exit status 130, and the CSV holds
# every generation that was reported, each row complete.
set -uo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

# Unlimited generations: only the signal ends this run (timeout is the hang guard).
timeout 120 "$batch" --generations 0 --generation-time 2 --seed 4 --csv "$tmp/run.csv" \
    >"$tmp/run.out" 2>"$tmp/run.err" </dev/null &
pid=$!

# Two finished generations.
wait_for_lines "$tmp/run.csv" 3 "$pid"
kill -INT "$pid"
status=0
wait "$pid" || status=$?

((status == 130)) || fail "exit status $status after SIGINT, expected 130: $(cat "$tmp/run.err")"
grep -q "^Interrupted: " "$tmp/run.err" || fail "no 'Interrupted' line: $(cat "$tmp/run.err")"
reports=$(grep -c "^Generation " "$tmp/run.out")
rows=$(($(wc -l <"$tmp/run.csv") - 1))
((rows >= 2)) || fail "only $rows CSV rows"
((rows == reports)) || fail "$rows CSV rows but $reports reports"
[[ -z $(tail -c 1 "$tmp/run.csv") ]] || fail "the CSV's last row is cut"
awk -F, 'NF != 8 {bad = 1} END {exit bad}' "$tmp/run.csv" || fail "a CSV row has not 8 fields"
awk -F, 'NR > 1 && $1 != NR - 1 {bad = 1} END {exit bad}' "$tmp/run.csv" || fail "CSV generations not 1, 2, ..."

finish
