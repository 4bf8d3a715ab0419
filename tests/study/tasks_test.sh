#!/usr/bin/env bash
# A study over tasks: each run is the batch run of its task, an option only some tasks use
# goes only to their runs, the summary and the curves carry the tasks' own columns, and an
# option that none of the study's tasks uses is refused.
set -uo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

run_study tasks --vary task=collect,forage,maze --item-count 20 --poison-share 0.75 --seeds 2 --generations 2 \
    --generation-time 2 --jobs 2 --out "$tmp/tasks"
((status == 0)) || fail "study over tasks: exit status $status: $(cat "$tmp/tasks.err")"
while read -r task args; do
    # shellcheck disable=SC2086
    timeout 120 "$batch" --task "$task" $args --generation-time 2 --generations 2 --seed 2 --csv "$tmp/direct.csv" \
        >/dev/null 2>&1 || fail "direct run of $task failed"
    cmp -s <(cut -d, -f1-5,7- "$tmp/direct.csv") <(cut -d, -f1-5,7- "$tmp/tasks/runs/task-$task-seed2.csv") ||
        fail "the study's run of $task is not the batch run with $args"
done <<'CASES'
collect --item-count 20
forage --item-count 20 --poison-share 0.75
maze
CASES
header=$(head -n 1 "$tmp/tasks/summary.csv")
[[ $header == *",failures,best_food_final_mean,best_food_runs_above_0,"*",reached_goal_final_mean,reached_goal_runs_above_0" ]] ||
    fail "summary header: $header"
# Item collection has none of the tasks' columns; the maze has only its own.
grep -q '^task-collect,collect,2,0,[^,]*,[^,]*,[^,]*,[^,]*,[^,]*,,,,,,,,,,,$' "$tmp/tasks/summary.csv" ||
    fail "collect's summary row: $(grep '^task-collect' "$tmp/tasks/summary.csv")"
grep -q '^task-maze,maze,2,0,.*,,,,,,,,,[0-9.]*,[0-2]$' "$tmp/tasks/summary.csv" ||
    fail "maze's summary row: $(grep '^task-maze' "$tmp/tasks/summary.csv")"
for measure in mean_poison reached_goal; do
    grep -q 'class="curve" data-combination="task-' "$tmp/tasks/$measure-curves.svg" 2>/dev/null ||
        fail "no curves in $measure-curves.svg"
done

run_study unused --task maze --poison-share 0.2 --seeds 1 --generations 1 --out "$tmp/unused"
((status == 2)) || fail "--poison-share with the maze: status $status, not 2"
grep -qx "Error: --poison-share is used by none of the study's tasks (maze; it is used by forage)" "$tmp/unused.err" ||
    fail "--poison-share with the maze: $(cat "$tmp/unused.err")"

finish
