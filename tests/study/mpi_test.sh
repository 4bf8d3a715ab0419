#!/usr/bin/env bash
# The same small study with --jobs 2 and under mpirun with three ranks (rank 0 hands out
# the runs, two workers make them): the same run files and byte-identical summaries.
set -uo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
mpirun=$3

args=(--vary selector=roulette,tournament --seeds 3 --generations 6)
run_study jobs "${args[@]}" --jobs 2 --out "$tmp/jobs"
((status == 0)) || fail "--jobs 2: exit status $status: $(cat "$tmp/jobs.err")"

status=0
timeout 240 "$mpirun" --allow-run-as-root --oversubscribe -np 3 "$study" "${args[@]}" --out "$tmp/mpi" \
    >"$tmp/mpi.out" 2>"$tmp/mpi.err" </dev/null || status=$?
((status == 0)) || fail "mpirun: exit status $status: $(cat "$tmp/mpi.err")"
same_study "$tmp/jobs" "$tmp/mpi"
# No run was left to a rank's scratch folder or as a partial file.
[[ -z $(find "$tmp/mpi/runs" -name '*.partial' -o -name '*.log') ]] || fail "leftover files in runs/"
# The table is printed once, by rank 0.
n=$(grep -c "selector=roulette vs selector=tournament: p = " "$tmp/mpi.out")
((n == 1)) || fail "the table was printed $n times"

# Resumed under mpirun with nothing missing: the ranks end and the summary is the same.
cp "$tmp/mpi/summary.csv" "$tmp/summary-before.csv"
status=0
timeout 240 "$mpirun" --allow-run-as-root --oversubscribe -np 3 "$study" "${args[@]}" --out "$tmp/mpi" \
    >"$tmp/mpi2.out" 2>"$tmp/mpi2.err" </dev/null || status=$?
((status == 0)) || fail "mpirun resumed: exit status $status: $(cat "$tmp/mpi2.err")"
grep -q "6 already complete" "$tmp/mpi2.out" || fail "the resumed study made runs again: $(head -n 1 "$tmp/mpi2.out")"
cmp -s "$tmp/summary-before.csv" "$tmp/mpi/summary.csv" || fail "the resumed summary differs"

finish
