#!/usr/bin/env bash
# Extreme settings through kinetarium-batch: tiny, odd and degenerate populations, elites
# at and above the population, no hidden neurons, no items, generations of no time,
# infinity (a 40-digit text) in each float parameter, and the largest values the run
# limits let through, next to the first ones they refuse. Every case either runs to its
# end (status 0, one report per generation) or is refused with one clear line and
# status 1; none crashes or hangs (each run is bounded by `timeout`), and none leaves a
# sanitizer report when the program is the sanitizer build.
# Usage: extreme_settings_test.sh <path of kinetarium-batch>; run from the build directory.
set -uo pipefail
here=$(dirname "${BASH_SOURCE[0]}")
source "$here/../batch/common.sh"
source "$here/sanitizer_reports.sh"

cases=0

# Everything a run must show, whatever it was asked.
check_common() {
    local name=$1
    cases=$((cases + 1))
    if has_sanitizer_report "$tmp/$name.err"; then
        fail "$name: sanitizer report:"
        show_sanitizer_reports "$tmp/$name.err"
    fi
    ((status != 124)) || fail "$name: did not end within its time bound"
    ((status < 128)) || fail "$name: ended by signal $((status - 128))"
}

# expect_run NAME GENERATIONS ARGS...: runs to the end with one report per generation.
expect_run() {
    local name=$1 generations=$2
    shift 2
    run_batch "$name" --seed 7 --generations "$generations" --csv "$tmp/$name.csv" "$@"
    check_common "$name"
    if ((status != 0)); then
        fail "$name: exit status $status, expected 0; stderr: $(tail -n 3 "$tmp/$name.err")"
        return
    fi
    local reports
    reports=$(grep -c '^Generation ' "$tmp/$name.out")
    ((reports == generations)) || fail "$name: $reports reports, expected $generations"
    (($(wc -l <"$tmp/$name.csv") == generations + 1)) || fail "$name: CSV rows: $(cat "$tmp/$name.csv")"
    echo "ran: $name ($*): $(grep '^Generation ' "$tmp/$name.out" | tail -n 1)"
}

# expect_refusal NAME STATUS MESSAGE ARGS...: refused with exactly this one line (on
# standard error, or standard output for the engine's own error line) and this status.
expect_refusal() {
    local name=$1 expected=$2 message=$3
    shift 3
    run_batch "$name" --seed 7 --generations 2 "$@"
    check_common "$name"
    ((status == expected)) || fail "$name: exit status $status, expected $expected"
    local lines
    lines=$(cat "$tmp/$name.err" "$tmp/$name.out" | grep -Ec '^(Error|Cannot start): ')
    ((lines == 1)) || fail "$name: $lines lines starting 'Error: ' or 'Cannot start: ', expected 1"
    grep -qxF -- "$message" "$tmp/$name.err" "$tmp/$name.out" >/dev/null ||
        fail "$name: no line '$message' in: $(cat "$tmp/$name.err" "$tmp/$name.out" | grep -E '^(Error|Cannot)')"
    grep -q '^Generation ' "$tmp/$name.out" && fail "$name: reported a generation"
    echo "refused: $name ($*): $message"
}

forty=1111111111222222222233333333334444444444
# The largest float: genes and network sums still overflow to infinity and NaN from it.
largest=340282346638528859811704183484516925440

# Populations.
expect_refusal population_0 1 "Error: NeuralNetwork::getFittest: population of zero size" \
    --population-size 0 --generation-time 1
expect_run population_1 3 --population-size 1 --elite-count 0 --generation-time 1
expect_run population_1_elite 3 --population-size 1 --elite-count 1 --generation-time 1
expect_run population_1_tournament 3 --population-size 1 --elite-count 0 --selector tournament --generation-time 1
expect_run population_2 3 --population-size 2 --elite-count 0 --generation-time 1
expect_run population_3 3 --population-size 3 --elite-count 1 --generation-time 1
expect_run population_odd 3 --population-size 7 --elite-count 0 --selector tournament --generation-time 1
expect_run population_odd_elites 3 --population-size 9 --elite-count 4 --generation-time 1

# Elites.
expect_run elites_equal 3 --population-size 20 --elite-count 20 --generation-time 1
expect_run elites_above 3 --population-size 5 --elite-count 50 --generation-time 1
expect_run elites_largest 3 --population-size 5 --elite-count 2147483647 --generation-time 1

# Degenerate networks, arenas and generations.
expect_run hidden_0 3 --hidden-neurons 0 --generation-time 1
expect_run items_0 3 --item-count 0 --generation-time 1
expect_run generation_time_0 5 --generation-time 0
steps=$(cut -d, -f5 "$tmp/generation_time_0.csv" | grep -v steps | sort -u)
[[ $steps == 1 ]] || fail "generation_time_0: generations of $steps steps, expected 1 each"
expect_run everything_0 3 --population-size 1 --elite-count 0 --hidden-neurons 0 --item-count 0 \
    --generation-time 0 --crossover-rate 0 --mutation-rate 0 --max-perturbation 0 --weight-range 0

# The largest float in each float parameter. A generation of that length would never end.
expect_refusal largest_generation_time 1 \
    "Cannot start: a generation time of $largest.0 s never ends (the generation clock stops at 1048576 s)." \
    --generation-time "$largest"
expect_refusal generation_time_too_long 1 \
    "Cannot start: a generation time of 1048577.0 s never ends (the generation clock stops at 1048576 s)." \
    --generation-time 1048577
expect_run largest_crossover_rate 3 --crossover-rate "$largest" --generation-time 1
expect_run largest_mutation_rate 3 --mutation-rate "$largest" --generation-time 1
expect_run largest_max_perturbation 3 --max-perturbation "$largest" --generation-time 1
expect_run largest_weight_range 3 --weight-range "$largest" --generation-time 1
expect_run largest_all_rates 3 --crossover-rate "$largest" --mutation-rate "$largest" --max-perturbation "$largest" \
    --weight-range "$largest" --generation-time 1

# The largest values the limits let through, and the first ones they refuse.
expect_run largest_population 1 --population-size 10000 --generation-time 0
expect_run largest_item_count 2 --item-count 10000 --generation-time 0
expect_run largest_hidden_neurons 2 --hidden-neurons 10000 --population-size 285 --generation-time 0
expect_run largest_population_and_items 1 --population-size 10000 --item-count 10000 --generation-time 0
expect_refusal population_10001 1 "Cannot start: a population of 10001 is above the limit of 10000." \
    --population-size 10001
expect_refusal items_10001 1 "Cannot start: 10001 items are above the limit of 10000." --item-count 10001
expect_refusal hidden_10001 1 "Cannot start: 10001 hidden neurons are above the limit of 10000." \
    --hidden-neurons 10001
expect_refusal genes_above 1 \
    "Cannot start: population x genome length (20021716 genes) is above the limit of 20000000." \
    --hidden-neurons 10000 --population-size 286
expect_refusal population_int_max 1 "Cannot start: a population of 2147483647 is above the limit of 10000." \
    --population-size 2147483647
expect_refusal population_beyond_int 2 \
    "Error: --population-size value '2147483648' is outside the 32-bit integer range" \
    --population-size 2147483648
expect_refusal population_forty_digits 2 \
    "Error: --population-size value '$forty' is outside the 32-bit integer range" --population-size "$forty"
expect_refusal perturbation_forty_digits 2 \
    "Error: --max-perturbation value '$forty' is too large for a float" --max-perturbation "$forty"

echo "$cases extreme settings"
finish
