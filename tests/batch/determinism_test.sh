#!/usr/bin/env bash
# The same seed and options give byte-identical fitness columns and reports; another seed
# gives others.
set -uo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

# check_pair LABEL ARGS...: two runs with seed 12345, one with 54321.
check_pair() {
    local label=$1
    shift
    run_batch "$label-a" "$@" --seed 12345 --csv "$tmp/$label-a.csv"
    ((status == 0)) || fail "$label: first run exit status $status"
    run_batch "$label-b" "$@" --seed 12345 --csv "$tmp/$label-b.csv"
    ((status == 0)) || fail "$label: second run exit status $status"
    run_batch "$label-c" "$@" --seed 54321 --csv "$tmp/$label-c.csv"
    ((status == 0)) || fail "$label: third run exit status $status"

    local rows
    rows=$(($(wc -l <"$tmp/$label-a.csv") - 1))
    ((rows == 6)) || fail "$label: $rows CSV rows, expected 6"
    cmp -s <(deterministic_columns "$tmp/$label-a.csv") <(deterministic_columns "$tmp/$label-b.csv") ||
        fail "$label: same seed, different columns:$(diff <(deterministic_columns "$tmp/$label-a.csv") <(deterministic_columns "$tmp/$label-b.csv"))"
    cmp -s "$tmp/$label-a.out" "$tmp/$label-b.out" || fail "$label: same seed, different reports"
    cmp -s <(cut -d, -f2-4 "$tmp/$label-a.csv") <(cut -d, -f2-4 "$tmp/$label-c.csv") &&
        fail "$label: seeds 12345 and 54321 gave the same fitness columns"
    grep -qx "Seed: 12345" "$tmp/$label-a.out" || fail "$label: seed not printed"

    # The CSV's best column is the reported best of the same generation.
    local reported csv
    reported=$(sed -n 's/^Generation \([0-9]*\)\. Best vehicle fitness in last generation was \(.*\)$/\1 \2/p' \
        "$tmp/$label-a.out" | awk '{printf "%d %.6f\n", $1, $2}')
    csv=$(awk -F, 'NR > 1 {printf "%d %.6f\n", $1, $2}' "$tmp/$label-a.csv")
    [[ $reported == "$csv" ]] || fail "$label: reports and CSV disagree:"$'\n'"$reported"$'\n'"--"$'\n'"$csv"
}

check_pair defaults --generations 6 --generation-time 10
check_pair tournament --generations 6 --generation-time 5 --selector tournament --population-size 9 \
    --item-count 200 --elite-count 1 --hidden-neurons 6

# Without --seed the time is the seed, and it is printed.
run_batch timeseed --generations 1 --generation-time 1
grep -qE "^Seed: [0-9]+$" "$tmp/timeseed.out" || fail "no seed line without --seed"

finish
