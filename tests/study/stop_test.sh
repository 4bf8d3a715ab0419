#!/usr/bin/env bash
# A study started by a parent that ignores SIGCHLD (its children inherit that) still waits
# for every run and reports them all. A study killed outright (SIGKILL) takes its running
# kinetarium-batch processes with it.
set -uo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

# batch_count <folder> [PARENT]: the kinetarium-batch processes writing into that folder
# (children of PARENT only, when given: a run's own start-up check forks a copy of it).
batch_count() {
    pgrep ${2:+-P "$2"} -f -c -- "--csv $1/" || true
}

status=0
timeout 240 perl -e '$SIG{CHLD} = "IGNORE"; exec @ARGV or die "exec: $!"' \
    "$study" --seeds 3 --generations 3 --jobs 2 --out "$tmp/ignored" >"$tmp/ignored.out" 2>"$tmp/ignored.err" \
    </dev/null || status=$?
((status == 0)) || fail "under a parent ignoring SIGCHLD: exit status $status: $(cat "$tmp/ignored.err")"
grep -q '^fixed,3,0,' "$tmp/ignored/summary.csv" 2>/dev/null ||
    fail "under a parent ignoring SIGCHLD: $(tail -n 1 "$tmp/ignored/summary.csv" 2>/dev/null)"

# Runs long enough to be under way when the study is killed.
"$study" --seeds 4 --generations 100000 --jobs 2 --out "$tmp/killed" >/dev/null 2>&1 </dev/null &
pid=$!
for ((i = 0; i < 3000 && $(batch_count "$tmp/killed" "$pid") < 2; ++i)); do
    sleep 0.02
done
(($(batch_count "$tmp/killed" "$pid") == 2)) || fail "the study did not start two runs"
kill -KILL "$pid"
wait "$pid" 2>/dev/null
for ((i = 0; i < 500 && $(batch_count "$tmp/killed") > 0; ++i)); do
    sleep 0.02
done
left=$(batch_count "$tmp/killed")
((left == 0)) || fail "$left kinetarium-batch processes still run after the study was killed"
for p in $(pgrep -f -- "--csv $tmp/killed/"); do kill -KILL "$p"; done

finish
