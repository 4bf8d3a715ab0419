#!/usr/bin/env bash
# Every method on every task from the command line: a seeded run repeats exactly, a run saved
# and continued gives the straight run's CSV (the task's own columns too), the run names its
# task, and what does not fit a task is refused with a line that says why.
set -uo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

common=(--generation-time 3 --population-size 9 --seed 17)
declare -A columns=([forage]="best_food,best_poison,mean_food,mean_poison" [maze]="reached_goal")
for task in forage maze; do
    for method in ga cmaes openai-es neat; do
        name=$task-$method
        run_batch "$name" "${common[@]}" --task "$task" --method "$method" --generations 4 --csv "$tmp/$name.csv"
        ((status == 0)) || { fail "$name: status $status: $(cat "$tmp/$name.err")"; continue; }
        grep -q "^Task: $task (" "$tmp/$name.out" || fail "$name: the run does not name its task"
        [[ $(head -n 1 "$tmp/$name.csv") == *",mean_genome_size,${columns[$task]}" ]] ||
            fail "$name: CSV header $(head -n 1 "$tmp/$name.csv")"
        run_batch "$name-again" "${common[@]}" --task "$task" --method "$method" --generations 4 --csv "$tmp/$name-again.csv"
        cmp -s <(deterministic_columns "$tmp/$name.csv") <(deterministic_columns "$tmp/$name-again.csv") ||
            fail "$name: the same seed gave another run"
        run_batch "$name-a" "${common[@]}" --task "$task" --method "$method" --generations 2 --csv "$tmp/$name-a.csv" \
            --save "$tmp/$name.json"
        run_batch "$name-b" --load "$tmp/$name.json" --generations 2 --csv "$tmp/$name-b.csv"
        ((status == 0)) || { fail "$name: continued, status $status: $(cat "$tmp/$name-b.err")"; continue; }
        cmp -s <(deterministic_columns "$tmp/$name.csv") \
            <(cat <(deterministic_columns "$tmp/$name-a.csv") <(tail -n +2 "$tmp/$name-b.csv" | cut -d, -f1-5,7-)) ||
            fail "$name: saved after 2 generations and continued, the CSV differs from the straight run"
    done
done
# Forage's fitness is food less poison, and the maze reports its arrivals after every generation.
awk -F, 'NR > 1 && $2 != $9 - $10 { bad = 1 } END { exit bad }' "$tmp/forage-ga.csv" ||
    fail "forage: best fitness is not the best vehicle's food less its poison"
[[ $(grep -c '^Reached the goal: [0-9]* of 9 vehicles\.$' "$tmp/maze-ga.out") == 4 ]] ||
    fail "maze: no line of arrivals after each generation"

# Refusals: one line, status 2 for options and 1 for a file that does not fit.
while IFS='|' read -r expected_status pattern args; do
    # shellcheck disable=SC2086
    run_batch refused $args --generations 1
    ((status == expected_status)) || fail "$args: status $status, not $expected_status"
    grep -q -- "$pattern" "$tmp/refused.err" || fail "$args: no line '$pattern': $(cat "$tmp/refused.err")"
done <<CASES
2|^Error: --item-count is not used by the task maze (it is used by collect, forage)$|--task maze --item-count 5
2|^Error: --poison-share is not used by the task collect (it is used by forage)$|--poison-share 0.2
2|^Error: --task must be one of collect, forage, maze, got 'race'$|--task race
1|^Error: --task cannot change on a loaded population: the population file '$tmp/maze-ga.json' holds a run of the task maze.$|--load $tmp/maze-ga.json --task forage
1|^Cannot start: a poison share of 1.5 is above the limit of 1.0.$|--task forage --poison-share 1.5
CASES

finish
