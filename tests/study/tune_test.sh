#!/usr/bin/env bash
# A tuned study: each method's candidates run on the tuning seeds, the best is compared on
# the study's seeds with its settings in every run's arguments, and a rerun or a lost
# tuning run resumes without changing the choice or the results.
set -uo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

args=(--vary method=ga,cmaes --seeds 2 --generations 4 --tune --tune-candidates 3 --tune-seeds 7-8 --jobs 2)
run_study tuned "${args[@]}" --out "$tmp/tuned"
((status == 0)) || fail "exit status $status: $(cat "$tmp/tuned.err")"
grep -q "^Tuning: 6 candidates x 2 seeds = 12 runs of 4 generations; 0 already complete" "$tmp/tuned.out" ||
    fail "no tuning line: $(head -n 2 "$tmp/tuned.out")"
# Tuning runs on seeds 7-8 only; compared runs on 1-2 only.
[[ $(ls "$tmp/tuned/tuning/runs" | grep -c -- '-seed[78]\.csv$') == 12 ]] || fail "tuning runs: $(ls "$tmp/tuned/tuning/runs")"
[[ $(ls "$tmp/tuned/runs" | grep -c -- '-seed[12]\.csv$') == 4 ]] || fail "compared runs: $(ls "$tmp/tuned/runs")"

# One chosen candidate per method, the best mean of its method, whose settings the compared
# runs were made with.
for method in ga cmaes; do
    rows=$(grep "^method-$method," "$tmp/tuned/tuning.csv")
    [[ $(grep -c ',yes$' <<<"$rows") == 1 ]] || fail "$method: not one chosen candidate: $rows"
    best=$(cut -d, -f6 <<<"$rows" | sort -g | tail -n 1)
    chosen=$(grep ',yes$' <<<"$rows")
    [[ $(cut -d, -f6 <<<"$chosen") == "$best" ]] || fail "$method: chose $chosen, best mean $best"
    settings=$(cut -d, -f3 <<<"$chosen")
    grep -q "^method-$method,.*,$settings\$" "$tmp/tuned/summary.csv" || fail "$method: summary lacks $settings"
    for setting in $settings; do
        python3 -c 'import json,sys; a=json.load(open(sys.argv[1]))["combinations"][sys.argv[2]]
i=a.index("--"+sys.argv[3]); sys.exit(a[i+1]!=sys.argv[4])' "$tmp/tuned/study.json" "method-$method" \
            "${setting%%=*}" "${setting#*=}" || fail "$method: runs not made with $setting"
    done
done

# Rerun: nothing is made again and the results are the same.
cp -r "$tmp/tuned" "$tmp/before"
run_study again "${args[@]}" --out "$tmp/tuned"
((status == 0)) || fail "rerun: exit status $status"
grep -q "12 runs of 4 generations; 12 already complete" "$tmp/again.out" &&
    grep -q "4 runs of 4 generations; 4 already complete" "$tmp/again.out" || fail "rerun made runs: $(cat "$tmp/again.out")"
same_study "$tmp/before" "$tmp/tuned"
cmp -s "$tmp/before/tuning.csv" "$tmp/tuned/tuning.csv" || fail "tuning.csv changed on rerun"

# A lost tuning run is made again, alone, with the same result.
rm "$tmp/tuned/tuning/runs/method-cmaes_candidate-2-seed8.csv"
run_study lost "${args[@]}" --out "$tmp/tuned"
grep -q "12 runs of 4 generations; 11 already complete" "$tmp/lost.out" || fail "lost run: $(head -n 1 "$tmp/lost.out")"
cmp -s "$tmp/before/tuning.csv" "$tmp/tuned/tuning.csv" || fail "tuning.csv changed after a lost run was redone"

finish
