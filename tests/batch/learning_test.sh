#!/usr/bin/env bash
# The evolution learns: with the default parameters, over three fixed seeds and 40
# generations, the best fitness of generations 31 to 40 is clearly above that of 1 to 10:
# higher for every seed, and at least 25% higher over the three together.
set -uo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

seeds=(1 2 3)
pids=()
for seed in "${seeds[@]}"; do
    timeout 240 "$batch" --generations 40 --seed "$seed" --csv "$tmp/seed$seed.csv" \
        >"$tmp/seed$seed.out" 2>"$tmp/seed$seed.err" </dev/null &
    pids+=($!)
done
for i in "${!seeds[@]}"; do
    wait "${pids[$i]}" || fail "seed ${seeds[$i]}: exit status $?: $(cat "$tmp/seed${seeds[$i]}.err")"
done

first_total=0
last_total=0
for seed in "${seeds[@]}"; do
    csv=$tmp/seed$seed.csv
    rows=$(($(wc -l <"$csv") - 1))
    ((rows == 40)) || { fail "seed $seed: $rows generations, expected 40"; continue; }
    # Mean best fitness per block of 10 generations.
    read -r b1 b2 b3 b4 < <(awk -F, 'NR > 1 {s[int(($1 - 1) / 10)] += $2}
        END {printf "%.2f %.2f %.2f %.2f\n", s[0] / 10, s[1] / 10, s[2] / 10, s[3] / 10}' "$csv")
    echo "seed $seed: mean best fitness, generations 1-10: $b1, 11-20: $b2, 21-30: $b3, 31-40: $b4"
    awk -v a="$b1" -v b="$b4" 'BEGIN {exit !(b > a)}' || fail "seed $seed: generations 31-40 ($b4) not above 1-10 ($b1)"
    first_total=$(awk -v t="$first_total" -v x="$b1" 'BEGIN {print t + x}')
    last_total=$(awk -v t="$last_total" -v x="$b4" 'BEGIN {print t + x}')
done
echo "three seeds together: generations 1-10: $first_total, 31-40: $last_total"
awk -v a="$first_total" -v b="$last_total" 'BEGIN {exit !(b >= 1.25 * a)}' ||
    fail "generations 31-40 ($last_total) not 25% above 1-10 ($first_total)"

finish
