#!/usr/bin/env bash
# Novelty search and MAP-Elites from the command line, on every task: their CSV columns, a
# seeded run repeats, a run saved and continued gives the straight run's CSV (archive and
# grid in the file), MAP-Elites' coverage and QD-score never fall, and the options an
# objective or method does not use are refused.
set -uo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

common=(--generation-time 3 --population-size 9 --seed 23)
while read -r name columns args; do
    # shellcheck disable=SC2086
    set -- $args
    run_batch "$name" "${common[@]}" "$@" --generations 5 --csv "$tmp/$name.csv"
    ((status == 0)) || { fail "$name: status $status: $(cat "$tmp/$name.err")"; continue; }
    [[ $(head -n 1 "$tmp/$name.csv") == *",mean_genome_size$columns" ]] ||
        fail "$name: CSV header $(head -n 1 "$tmp/$name.csv")"
    run_batch "$name-again" "${common[@]}" "$@" --generations 5 --csv "$tmp/$name-again.csv"
    cmp -s <(deterministic_columns "$tmp/$name.csv") <(deterministic_columns "$tmp/$name-again.csv") ||
        fail "$name: the same seed gave another run"
    run_batch "$name-a" "${common[@]}" "$@" --generations 2 --csv "$tmp/$name-a.csv" --save "$tmp/$name.json"
    run_batch "$name-b" --load "$tmp/$name.json" --generations 3 --csv "$tmp/$name-b.csv"
    ((status == 0)) || { fail "$name: continued, status $status: $(cat "$tmp/$name-b.err")"; continue; }
    cmp -s <(deterministic_columns "$tmp/$name.csv") \
        <(cat <(deterministic_columns "$tmp/$name-a.csv") <(tail -n +2 "$tmp/$name-b.csv" | cut -d, -f1-5,7-)) ||
        fail "$name: saved after 2 generations and continued, the CSV differs from the straight run"
done <<'RUNS'
collect-novelty-ga ,archive_size --objective novelty --novelty-k 5
maze-novelty-neat ,reached_goal,archive_size --task maze --method neat --objective novelty
collect-map ,coverage,qd_score --method map-elites --map-cells 4
forage-map ,best_food,best_poison,mean_food,mean_poison,coverage,qd_score --task forage --method map-elites
maze-map ,reached_goal,coverage,qd_score --task maze --method map-elites
RUNS
for name in collect-map forage-map maze-map; do
    awk -F, 'NR > 2 && ($(NF-1) < coverage || $NF < qd) { bad = 1 } { coverage = $(NF-1); qd = $NF } END { exit bad }' \
        "$tmp/$name.csv" || fail "$name: coverage or QD-score fell"
done
grep -qx 'Objective: novelty (k = 5, starting threshold 0.03).' "$tmp/collect-novelty-ga.out" ||
    fail "the novelty run does not name its objective"

run_batch plain "${common[@]}" --generations 1 --save "$tmp/plain.json"
while IFS='|' read -r expected_status pattern args; do
    # shellcheck disable=SC2086
    run_batch refused $args --generations 1
    ((status == expected_status)) || fail "$args: status $status, not $expected_status"
    grep -q -- "$pattern" "$tmp/refused.err" || fail "$args: no line '$pattern': $(cat "$tmp/refused.err")"
done <<CASES
2|^Error: --novelty-k is not used by the objective fitness (it is used by novelty)$|--novelty-k 5
2|^Error: --objective is not used by the method cmaes (it is used by ga, neat)$|--method cmaes --objective novelty
2|^Error: --map-cells is not used by the method ga (it is used by map-elites)$|--map-cells 5
2|^Error: --objective must be 'fitness' or 'novelty', got 'surprise'$|--objective surprise
1|^Cannot start: 101 cells per axis are above the limit of 100.$|--method map-elites --map-cells 101
1|^Cannot start: novelty search needs a k of at least 1.$|--objective novelty --novelty-k 0
1|holds a run of map-elites.$|--load $tmp/maze-map.json --method ga
1|^Error: cannot load the population file '$tmp/plain.json': the state has no novelty archive|--load $tmp/plain.json --objective novelty
CASES

finish
