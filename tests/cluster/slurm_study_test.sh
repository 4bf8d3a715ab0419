#!/usr/bin/env bash
# A study through a real (one-node) Slurm cluster: the shipped sbatch script and the README's
# srun line give the same results as --jobs 2, and a job cancelled half-way, submitted again,
# finishes the study with the same results. Arguments: kinetarium-study, kinetarium-batch,
# the sbatch script. Runs as root (the daemons do); skipped, with the reason, elsewhere.
set -uo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/../study/common.sh"
source "$(dirname "${BASH_SOURCE[0]}")/slurm_cluster.sh"
sbatch_script=$3
trap 'stop_cluster; rm -rf "$tmp"' EXIT
trap 'exit 1' INT TERM

if [[ $(id -u) != 0 ]]; then
    echo "SKIP: the Slurm daemons of this test run as root; run it as root"
    exit 77
fi
for program in munged slurmctld slurmd sbatch srun scancel squeue sinfo; do
    command -v "$program" >/dev/null || { echo "FAIL: $program is missing (scripts/setup.sh installs slurm-wlm and munge)"; exit 1; }
done
start_cluster || exit 1

# The tasks start in the submitting folder (build/), with the data folder found there.
export KINETARIUM_STUDY=$study KINETARIUM_MEDIA=$PWD/media

job_gone() { [[ -z $(squeue -h -j "$1" 2>/dev/null) ]]; }

# submit NAME ARGS...: sbatch of the shipped script with three tasks; sets $job.
submit() {
    local name=$1
    shift
    job=$(sbatch --parsable --ntasks=3 --output="$tmp/$name.out" "$sbatch_script" "$@") ||
        { fail "sbatch $name refused: $job"; return 1; }
}

args=(--vary selector=roulette,tournament --seeds 3 --generations 6)
run_study jobs "${args[@]}" --jobs 2 --out "$tmp/jobs"
((status == 0)) || fail "--jobs 2: exit status $status: $(cat "$tmp/jobs.err")"

# sbatch of the shipped script, three MPI tasks.
if submit sbatch "${args[@]}" --out "$tmp/sbatch"; then
    poll 1500 job_gone "$job" || fail "the sbatch job never ended"
    grep -q "Results in $tmp/sbatch" "$tmp/sbatch.out" || fail "the sbatch job did not finish: $(tail -n 5 "$tmp/sbatch.out")"
    # Three ranks: rank 0 made no runs, the other two did.
    same_study "$tmp/jobs" "$tmp/sbatch"
fi

# srun as the README writes it.
status=0
timeout 240 srun --mpi=pmix --ntasks=3 "$study" "${args[@]}" --out "$tmp/srun" \
    >"$tmp/srun.out" 2>"$tmp/srun.err" </dev/null || status=$?
((status == 0)) || fail "srun: exit status $status: $(tail -n 5 "$tmp/srun.err")"
same_study "$tmp/jobs" "$tmp/srun"

# Cancelled half-way, then the same submission again. Enough runs that the first finished
# one comes long before the last.
long=(--vary selector=roulette,tournament --seeds 12 --generations 8 --generation-time 100)
run_study long-jobs "${long[@]}" --jobs 2 --out "$tmp/long-jobs"
((status == 0)) || fail "--jobs 2 (long): exit status $status: $(cat "$tmp/long-jobs.err")"
first_run_done() { compgen -G "$tmp/cancelled/runs/*.csv" >/dev/null; }
if submit cancelled "${long[@]}" --out "$tmp/cancelled"; then
    poll 1500 first_run_done || fail "no run of the cancelled job finished: $(tail -n 5 "$tmp/cancelled.out")"
    scancel "$job"
    poll 1500 job_gone "$job" || fail "the cancelled job never ended"
    complete=$(ls "$tmp/cancelled/runs" | grep -c '\.csv$')
    ((complete < 24)) || fail "the job finished all 24 runs before it was cancelled"
    grep -q '^Interrupted: ' "$tmp/cancelled.out" || fail "the cancelled job did not say so: $(tail -n 5 "$tmp/cancelled.out")"
    [[ ! -e $tmp/cancelled/summary.csv ]] || fail "the cancelled job wrote a summary"
    if submit resumed "${long[@]}" --out "$tmp/cancelled"; then
        poll 1500 job_gone "$job" || fail "the resubmitted job never ended"
        grep -q "$complete already complete" "$tmp/resumed.out" ||
            fail "the resubmitted job did not keep the $complete runs: $(head -n 3 "$tmp/resumed.out")"
        same_study "$tmp/long-jobs" "$tmp/cancelled"
    fi
fi

finish
