#!/usr/bin/env bash
# A small study (two selectors, three seeds) with --jobs 2: each run is the same as
# kinetarium-batch's own run of that seed, the summary's figures are those of the run
# files, the SVG is well-formed with one curve and one band per combination, and --jobs 1
# gives the same results.
set -uo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

args=(--vary selector=roulette,tournament --seeds 3 --generations 12 --item-count 40)
run_study two "${args[@]}" --jobs 2 --out "$tmp/two"
((status == 0)) || fail "--jobs 2: exit status $status: $(cat "$tmp/two.err")"
expected="selector-roulette-seed1.csv selector-roulette-seed2.csv selector-roulette-seed3.csv"
expected+=" selector-tournament-seed1.csv selector-tournament-seed2.csv selector-tournament-seed3.csv"
[[ $(cd "$tmp/two/runs" && ls | tr '\n' ' ') == "$expected " ]] ||
    fail "run files: $(cd "$tmp/two/runs" && ls | tr '\n' ' ')"

# Each run is kinetarium-batch's run of its seed and parameters.
for selector in roulette tournament; do
    for seed in 1 2 3; do
        timeout 120 "$batch" --item-count 40 --selector $selector --generations 12 --seed $seed \
            --csv "$tmp/direct.csv" >/dev/null 2>&1 || fail "direct run $selector $seed failed"
        cmp -s <(cut -d, -f1-5 "$tmp/direct.csv") <(cut -d, -f1-5 "$tmp/two/runs/selector-$selector-seed$seed.csv") ||
            fail "runs/selector-$selector-seed$seed.csv is not the batch run of seed $seed"
    done
done

# The summary's figures recomputed from the run files: the mean of the last best, of the
# mean of the last two generations (a tenth of 12, rounded up) and of the first generation
# at half the final best.
for selector in roulette tournament; do
    want=$(for seed in 1 2 3; do
        awk -F, 'NR > 1 { best[NR - 1] = $2; last = NR - 1 }
            END { for (g = 1; g <= last; ++g) if (best[g] >= best[last] / 2) break
                  print best[last], (best[last] + best[last - 1]) / 2, g }' \
            "$tmp/two/runs/selector-$selector-seed$seed.csv"
    done | awk '{ final += $1; tenth += $2; half += $3 }
                END { printf "3,0,%.6f,%.6f,%.6f", final / NR, tenth / NR, half / NR }')
    row=$(grep "^selector-$selector,$selector," "$tmp/two/summary.csv")
    got=$(cut -d, -f3-5,8,9 <<<"$row")
    [[ $got == "$want" ]] || fail "summary row of $selector: '$got', recomputed '$want'"
    IFS=, read -r _ _ _ _ mean low high _ <<<"$row"
    awk -v m="$mean" -v l="$low" -v h="$high" 'BEGIN { exit !(l < m && m < h) }' ||
        fail "$selector: confidence interval $low .. $high does not hold the mean $mean"
done
lines=$(wc -l <"$tmp/two/comparison.csv")
((lines == 2)) || fail "comparison.csv has $lines lines, expected a header and one pair"
p=$(tail -n 1 "$tmp/two/comparison.csv" | cut -d, -f7)
awk -v p="$p" 'BEGIN { exit !(p > 0 && p <= 1) }' || fail "p-value '$p' is not in (0, 1]"
grep -q "selector=roulette vs selector=tournament: p = " "$tmp/two.out" || fail "the table lacks the p-value"
grep -q "^selector=tournament  *3 " "$tmp/two.out" || fail "the table lacks the tournament row: $(cat "$tmp/two.out")"

# The SVG: well-formed, one curve and one band per combination, a legend entry for each.
svg=$tmp/two/learning-curves.svg
xmllint --noout "$svg" || fail "learning-curves.svg is not well-formed XML"
count() { xmllint --xpath "count($1)" "$svg" 2>/dev/null; }
[[ $(count "//*[local-name()='polyline'][@class='curve']") == 2 ]] || fail "not two curves in the SVG"
[[ $(count "//*[local-name()='polygon'][@class='band']") == 2 ]] || fail "not two bands in the SVG"
for selector in roulette tournament; do
    [[ $(count "//*[local-name()='polyline'][@class='curve'][@data-combination='selector-$selector']") == 1 ]] ||
        fail "no curve of $selector"
    points=$(xmllint --xpath "string(//*[local-name()='polyline'][@data-combination='selector-$selector']/@points)" "$svg")
    [[ $(wc -w <<<"$points") == 12 ]] || fail "the $selector curve has not one point per generation"
    grep -q ">selector=$selector (3 seeds)</text>" "$svg" || fail "no legend entry for $selector"
done
grep -q ">generation</text>" "$svg" && grep -q ">best fitness" "$svg" || fail "axis labels missing"

# One job at a time: the same results.
run_study one "${args[@]}" --jobs 1 --out "$tmp/one"
((status == 0)) || fail "--jobs 1: exit status $status"
same_study "$tmp/two" "$tmp/one"

finish
