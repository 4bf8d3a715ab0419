#!/usr/bin/env bash
# Every evolution method from the command line: the run names it after "Evolution started!",
# the CSV ends in its species and network size, and a run saved and continued gives the
# uninterrupted run's CSV, column for column but the wall time (a resume at generation 0
# is in the unit tests: method_resume_test).
set -uo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

common=(--generation-time 3 --item-count 30 --population-size 9 --seed 31)
for method in ga cmaes openai-es neat; do
    run_batch "$method-straight" "${common[@]}" --method "$method" --generations 4 --csv "$tmp/$method-straight.csv"
    ((status == 0)) || { fail "$method: status $status: $(cat "$tmp/$method-straight.err")"; continue; }
    method_line=$(grep -A1 -x 'Evolution started!' "$tmp/$method-straight.out" | sed -n 2p)
    [[ $method_line == "Method: $method ("*")." ]] ||
        fail "$method: no method's line right after 'Evolution started!': '$method_line'"
    # The last two columns: the layered network's species and size (7 x 4 hidden neurons)
    # every generation; NEAT's first generation is one species of 4-to-2 networks.
    sizes=$(tail -n +2 "$tmp/$method-straight.csv" | cut -d, -f7-)
    if [[ $method == neat ]]; then
        [[ $(head -n 1 <<<"$sizes") == "1,8.000000" ]] || fail "neat: generation 1's species and size: $(head -n 1 <<<"$sizes")"
    else
        [[ $(sort -u <<<"$sizes") == "1,28.000000" ]] || fail "$method: species and sizes: $(sort -u <<<"$sizes" | tr '\n' ' ')"
    fi
    for first in 1 2; do
        name=$method-$first
        run_batch "$name-a" "${common[@]}" --method "$method" --generations "$first" --csv "$tmp/$name-a.csv" \
            --save "$tmp/$name.json"
        ((status == 0)) || { fail "$name: first part, status $status: $(cat "$tmp/$name-a.err")"; continue; }
        run_batch "$name-b" --load "$tmp/$name.json" --generations $((4 - first)) --csv "$tmp/$name-b.csv"
        ((status == 0)) || { fail "$name: continued, status $status: $(cat "$tmp/$name-b.err")"; continue; }
        cat <(deterministic_columns "$tmp/$name-a.csv") <(tail -n +2 "$tmp/$name-b.csv" | cut -d, -f1-5,7-) \
            >"$tmp/$name-joined.csv"
        cmp -s <(deterministic_columns "$tmp/$method-straight.csv") "$tmp/$name-joined.csv" ||
            fail "$name: saved after $first generations and continued, the CSV differs from the straight run"
    done
done

# A value given with --load that the resumed search would not use (CMA-ES's adapted sigma, the
# weight range that only drew the first generation) is refused and nothing is written; one
# that it uses is announced and recorded in the saved file (the unit test resume_override_test
# checks that the search uses it).
while read -r method option value outcome; do
    name=override-$method$option
    run_batch "$name" --load "$tmp/$method-1.json" --generations 1 "$option" "$value" --save "$tmp/$name.json"
    if [[ $outcome == refused ]]; then
        ((status == 1)) || fail "$name: status $status, not 1"
        grep -q "^Error: $option cannot change on the loaded population '$tmp/$method-1.json': " "$tmp/$name.err" ||
            fail "$name: no refusal line: $(cat "$tmp/$name.err")"
        [[ ! -e $tmp/$name.json ]] || fail "$name: a population file was written"
    else
        ((status == 0)) || { fail "$name: status $status: $(cat "$tmp/$name.err")"; continue; }
        grep -q "override the file's: $option (no longer an exact continuation)" "$tmp/$name.out" ||
            fail "$name: the override is not announced"
        grep -q "\"$outcome\": $value" "$tmp/$name.json" || fail "$name: the saved file does not record $outcome $value"
    fi
done <<'CASES'
cmaes --sigma 0.25 refused
cmaes --weight-range 2 refused
openai-es --weight-range 2 refused
ga --weight-range 2 refused
openai-es --sigma 0.25 sigma
openai-es --learning-rate 0.25 learning_rate
neat --weight-range 2 weight_range
cmaes --generation-time 2 generation_time
CASES

finish
