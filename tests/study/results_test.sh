#!/usr/bin/env bash
# Two --vary options make every combination, named as in the README, each run the batch
# run of its values. Run files that no run could have written (nan, inf, a fitness beyond
# a float's count) are redone on resume, giving the results of the study in one go. The
# same folder resumed with a single combination keeps no comparison of the old ones.
set -uo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

args=(--vary selector=roulette,tournament --vary elite-count=1,2 --seeds 1 --generations 3 --jobs 2)
run_study cross "${args[@]}" --out "$tmp/cross"
((status == 0)) || fail "two --vary: exit status $status: $(cat "$tmp/cross.err")"
expected="selector-roulette_elite-count-1-seed1.csv selector-roulette_elite-count-2-seed1.csv"
expected+=" selector-tournament_elite-count-1-seed1.csv selector-tournament_elite-count-2-seed1.csv"
[[ $(cd "$tmp/cross/runs" 2>/dev/null && ls | tr '\n' ' ') == "$expected " ]] ||
    fail "run files: $(cd "$tmp/cross/runs" 2>/dev/null && ls | tr '\n' ' ')"
for selector in roulette tournament; do
    for elite in 1 2; do
        timeout 120 "$batch" --selector $selector --elite-count $elite --generations 3 --seed 1 \
            --csv "$tmp/direct.csv" >/dev/null 2>&1 || fail "direct run $selector $elite failed"
        cmp -s <(cut -d, -f1-5 "$tmp/direct.csv") \
            <(cut -d, -f1-5 "$tmp/cross/runs/selector-${selector}_elite-count-$elite-seed1.csv") ||
            fail "the run of selector $selector, elite count $elite is not the batch run"
        grep -q "^selector-${selector}_elite-count-$elite,$selector,$elite,1,0," "$tmp/cross/summary.csv" ||
            fail "no summary row of selector $selector, elite count $elite"
    done
done

# Damaged run files. The study runs with bounded memory: an axis up to 1.7e308 once grew
# the SVG without end.
cp -r "$tmp/cross" "$tmp/damaged"
damage() { # damage <run> <value>: the second generation's best fitness
    sed -i "3s/^2,[^,]*,/2,$2,/" "$tmp/damaged/runs/$1-seed1.csv"
    grep -q "^2,$2," "$tmp/damaged/runs/$1-seed1.csv" || fail "could not damage $1"
}
damage selector-roulette_elite-count-1 nan
damage selector-roulette_elite-count-2 inf
damage selector-tournament_elite-count-1 1.7e308
status=0
(ulimit -v 1000000 && exec "$study" "${args[@]}" --out "$tmp/damaged") \
    >"$tmp/damaged.out" 2>"$tmp/damaged.err" </dev/null || status=$?
((status == 0)) || fail "resumed with damaged runs: exit status $status: $(tail -n 3 "$tmp/damaged.err")"
grep -q "; 1 already complete" "$tmp/damaged.out" ||
    fail "damaged runs were kept: $(head -n 1 "$tmp/damaged.out")"
same_study "$tmp/cross" "$tmp/damaged"

# One combination of the four, resumed into the folder: nothing to compare.
run_study single --vary selector=roulette --vary elite-count=1 --seeds 1 --generations 3 --out "$tmp/cross"
((status == 0)) || fail "a single combination: exit status $status: $(cat "$tmp/single.err")"
[[ $(wc -l <"$tmp/cross/summary.csv") == 2 ]] || fail "summary.csv: $(cat "$tmp/cross/summary.csv")"
[[ ! -e $tmp/cross/comparison.csv ]] || fail "an old comparison.csv is left beside the new summary"

finish
