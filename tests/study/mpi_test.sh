#!/usr/bin/env bash
# The same small study with --jobs 2 and under mpirun with three ranks (rank 0 hands out
# the runs, two workers make them): the same run files and byte-identical summaries. A
# study stopped under mpirun stops every rank's runs and leaves no scratch folder. Workers
# make the runs rank 0 sends, not their own command line's. Copies that no MPI connects refuse.
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

# The workers make what rank 0 sends them, whatever their own command line says (a later
# stage's runs are known to rank 0 alone): given another study, they still make rank 0's.
status=0
timeout 240 "$mpirun" --allow-run-as-root --oversubscribe -np 1 "$study" "${args[@]}" --out "$tmp/mpmd" : \
    -np 2 "$study" --vary selector=tournament --seeds 1 --generations 2 --out "$tmp/unused" \
    >"$tmp/mpmd.out" 2>"$tmp/mpmd.err" </dev/null || status=$?
((status == 0)) || fail "workers of another study: exit status $status: $(cat "$tmp/mpmd.err")"
same_study "$tmp/jobs" "$tmp/mpmd"
[[ ! -e $tmp/unused ]] || fail "a worker made its own output folder"

# A tuned study in two stages under mpirun: the second stage's runs, whose settings rank 0
# alone chose, are the same as with --jobs 2.
tuned=(--vary method=ga,cmaes --seeds 2 --generations 3 --tune --tune-candidates 3 --tune-seeds 5-6)
run_study tuned-jobs "${tuned[@]}" --jobs 2 --out "$tmp/tuned-jobs"
status=0
timeout 240 "$mpirun" --allow-run-as-root --oversubscribe -np 3 "$study" "${tuned[@]}" --out "$tmp/tuned-mpi" \
    >"$tmp/tuned-mpi.out" 2>"$tmp/tuned-mpi.err" </dev/null || status=$?
((status == 0)) || fail "tuned under mpirun: exit status $status: $(cat "$tmp/tuned-mpi.err")"
same_study "$tmp/tuned-jobs" "$tmp/tuned-mpi"
cmp -s "$tmp/tuned-jobs/tuning.csv" "$tmp/tuned-mpi/tuning.csv" || fail "tuned under mpirun: tuning.csv differs"

# A copy of three that srun started without --mpi=pmix, hence without MPI between them
# (its environment, set here by hand): it refuses with one line and makes nothing.
status=0
SLURM_STEP_NUM_TASKS=3 SLURM_PROCID=1 timeout 240 "$study" "${args[@]}" --out "$tmp/unconnected" \
    >"$tmp/unconnected.out" 2>"$tmp/unconnected.err" </dev/null || status=$?
((status == 2)) && [[ $(wc -l <"$tmp/unconnected.err") == 1 ]] && grep -q "started as 3 copies" "$tmp/unconnected.err" &&
    [[ ! -e $tmp/unconnected ]] || fail "unconnected copies: status $status: $(cat "$tmp/unconnected.err")"

# Stopped under mpirun. Runs long enough to be under way; the ranks' scratch folders go to
# $TMPDIR, here a folder of the test's own.
long=(--seeds 4 --generations 100000)
start_long() { # start_long NAME: mpirun in the background (pid in $pid)
    mkdir -p "$tmp/$1-scratch"
    TMPDIR=$tmp/$1-scratch timeout 240 "$mpirun" --allow-run-as-root --oversubscribe -np 3 "$study" "${long[@]}" \
        --out "$tmp/$1" >"$tmp/$1.out" 2>"$tmp/$1.err" </dev/null &
    pid=$!
    local i
    for ((i = 0; i < 3000 && $(find "$tmp/$1-scratch" -name '*.csv' | wc -l) < 2; ++i)); do
        sleep 0.02
    done
    (($(find "$tmp/$1-scratch" -name '*.csv' | wc -l) == 2)) || fail "$1: the workers did not start two runs"
}
# SIGTERM to every rank at once, as Slurm's scancel and mpirun's own Ctrl-C deliver it: the
# study says so and leaves only its output folder. (Ctrl-C to mpirun itself is left out:
# mpirun then decides alone when its SIGKILL follows, and may drop the ranks' last output.)
start_long all-ranks
# The ranks alone: mpirun's and timeout's command lines end the same way.
kill -TERM $(pgrep -f -- "^$study .*--out $tmp/all-ranks\$")
status=0
wait "$pid" || status=$?
grep -q "^Interrupted: 0 of 4 runs complete" "$tmp/all-ranks.err" || fail "SIGTERM to every rank: $(cat "$tmp/all-ranks.err")"
[[ -z $(ls -A "$tmp/all-ranks-scratch") ]] || fail "SIGTERM to every rank left: $(ls -A "$tmp/all-ranks-scratch")"
# SIGINT to rank 0 alone (as a launcher that signals only it): the workers are told to stop
# their runs, and the study ends with status 130.
start_long rank0
for rank in $(pgrep -f -- "--out $tmp/rank0\$"); do
    tr '\0' '\n' <"/proc/$rank/environ" | grep -qx OMPI_COMM_WORLD_RANK=0 && kill -INT "$rank"
done
status=0
wait "$pid" || status=$?
((status == 130)) || fail "SIGINT to rank 0: exit status $status, expected 130"
grep -q "^Interrupted: 0 of 4 runs complete" "$tmp/rank0.err" || fail "SIGINT to rank 0: $(cat "$tmp/rank0.err")"
[[ -z $(ls -A "$tmp/rank0-scratch") ]] || fail "SIGINT to rank 0 left: $(ls -A "$tmp/rank0-scratch")"

finish
