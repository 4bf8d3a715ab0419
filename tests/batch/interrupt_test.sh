#!/usr/bin/env bash
# Ctrl-C (SIGINT) stops the run after the current step: exit status 130, and the CSV holds
# every generation that was reported, each row complete. The same when standard output is
# blocked (a pipe nobody reads): the population is still saved.
set -uo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

# Unlimited generations: only the signal ends this run (timeout is the hang guard).
timeout 120 "$batch" --generations 0 --generation-time 2 --seed 4 --csv "$tmp/run.csv" \
    >"$tmp/run.out" 2>"$tmp/run.err" </dev/null &
pid=$!

# Two finished generations.
wait_for_lines "$tmp/run.csv" 3 "$pid"
kill -INT "$(program_of "$pid")"
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

# Standard output into a FIFO that this shell holds open and never reads: once the pipe is
# full the program waits in its write, and SIGINT there is the usual stop.
mkfifo "$tmp/fifo"
exec 3<>"$tmp/fifo"
timeout 120 "$batch" --generations 0 --generation-time 0.1 --seed 4 --save "$tmp/blocked.json" \
    >"$tmp/fifo" 2>"$tmp/blocked.err" </dev/null 3<&- &
pid=$!
# The kernel names the wait in a pipe write *pipe_w*.
until [[ $(cat "/proc/$(program_of "$pid")/wchan" 2>/dev/null) == *pipe_w* ]]; do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
done
kill -INT "$(program_of "$pid")"
status=0
wait "$pid" || status=$?
exec 3<&-
((status == 130)) || fail "blocked output: exit status $status after SIGINT, expected 130: $(cat "$tmp/blocked.err")"
grep -q "^Interrupted: " "$tmp/blocked.err" || fail "blocked output: no 'Interrupted' line: $(cat "$tmp/blocked.err")"
grep -q "^Population saved to $tmp/blocked.json\$" "$tmp/blocked.err" && [[ -s $tmp/blocked.json ]] ||
    fail "blocked output: the population was not saved: $(cat "$tmp/blocked.err")"

finish
