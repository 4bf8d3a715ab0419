#!/usr/bin/env bash
# Runs that cannot go on end with a clear line and a non-zero status; values the panel
# accepts, the largest float included, run to the end.
set -uo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

# A population of 0 builds no vehicles; the first generation's end stops the run with the
# engine's error line, on standard error as every error.
run_batch zero --population-size 0 --generation-time 1 --generations 3 --seed 1
((status == 1)) || fail "population 0: exit status $status, expected 1"
grep -qx "Error: NeuralNetwork::getFittest: population of zero size" "$tmp/zero.err" ||
    fail "population 0: no error line on standard error: $(cat "$tmp/zero.err")"
grep -q "^Generation " "$tmp/zero.out" && fail "population 0: reported a generation"

# The panel's run limits refuse a run before it starts.
run_batch limits --population-size 10001 --generations 1
((status == 1)) || fail "population 10001: exit status $status, expected 1"
grep -qx "Cannot start: a population of 10001 is above the limit of 10000." "$tmp/limits.err" ||
    fail "population 10001: message: $(cat "$tmp/limits.err")"

# No media folder in the working directory.
mkdir -p "$tmp/empty"
status=0
(cd "$tmp/empty" && timeout 120 "$batch" --generations 1 --seed 1) >"$tmp/nomedia.out" 2>"$tmp/nomedia.err" || status=$?
((status == 1)) || fail "no media: exit status $status, expected 1"
grep -q "^Error: cannot open the media folder" "$tmp/nomedia.err" || fail "no media: message: $(cat "$tmp/nomedia.err")"

# A media folder that is a symlink loop is refused like a missing one, with one line.
mkdir -p "$tmp/loop"
ln -s media "$tmp/loop/media"
status=0
(cd "$tmp/loop" && timeout 120 "$batch" --generations 1 --seed 1) >"$tmp/loop.out" 2>"$tmp/loop.err" || status=$?
((status == 1)) || fail "media symlink loop: exit status $status, expected 1"
[[ $(wc -l <"$tmp/loop.err") == 1 ]] && grep -q "^Error: cannot open the media folder" "$tmp/loop.err" ||
    fail "media symlink loop: message: $(cat "$tmp/loop.err")"

# A CSV file that cannot be written.
run_batch badcsv --generations 1 --csv "$tmp/missing-dir/run.csv"
((status == 1)) || fail "unwritable CSV: exit status $status, expected 1"
grep -q "^Error: cannot write the CSV file" "$tmp/badcsv.err" || fail "unwritable CSV: message: $(cat "$tmp/badcsv.err")"

# A CSV file the system refuses to take: on the header (a full device) or on a later row (a
# file size limit) the run ends with one line naming the file, never a success.
run_batch fullcsv --generations 2 --generation-time 1 --seed 1 --csv /dev/full
((status == 1)) || fail "CSV on a full device: exit status $status, expected 1"
[[ $(cat "$tmp/fullcsv.err") == "Error: cannot write the CSV file '/dev/full': No space left on device" ]] ||
    fail "CSV on a full device: message: $(cat "$tmp/fullcsv.err")"
# The report goes through a pipe, out of the limit's reach: a report line the system refuses
# would stop the run first.
status=0
(ulimit -f 1 && trap '' XFSZ && exec timeout 120 "$batch" --generations 200 --generation-time 0.1 --seed 1 \
    --csv "$tmp/limited.csv") 2>"$tmp/limited.err" </dev/null | cat >"$tmp/limited.out"
status=${PIPESTATUS[0]}
((status == 1)) || fail "CSV over the size limit: exit status $status, expected 1"
[[ $(cat "$tmp/limited.err") == "Error: cannot write the CSV file '$tmp/limited.csv': File too large" ]] ||
    fail "CSV over the size limit: message: $(cat "$tmp/limited.err")"
grep -q "^Generation 2\." "$tmp/limited.out" || fail "CSV over the size limit: stopped before any row was written"

# From the largest float genes become infinite or NaN; the run still finishes.
largest=340282346638528859811704183484516925440
run_batch inf_perturbation --max-perturbation "$largest" --generation-time 1 --generations 4 --seed 2 --csv "$tmp/inf.csv"
((status == 0)) || fail "infinite perturbation: exit status $status: $(cat "$tmp/inf_perturbation.err")"
(($(grep -c "^Generation " "$tmp/inf_perturbation.out") == 4)) || fail "infinite perturbation: not 4 reports"
(($(wc -l <"$tmp/inf.csv") == 5)) || fail "infinite perturbation: CSV has not 4 rows"
run_batch inf_weights --weight-range "$largest" --generation-time 1 --generations 2 --seed 2
((status == 0)) || fail "infinite weight range: exit status $status: $(cat "$tmp/inf_weights.err")"
grep -qx "Generation 2. Best vehicle fitness in last generation was .*" "$tmp/inf_weights.out" ||
    fail "infinite weight range: no second report"

# Odd population, tournament, values as the panel reads them (20.7 -> 20, 1/2 -> 1).
run_batch panel_values --population-size 7.9 --elite-count 0 --selector tournament --generation-time 1/2 \
    --item-count 20.7 --generations 3 --seed 9 --csv "$tmp/panel.csv"
((status == 0)) || fail "panel values: exit status $status: $(cat "$tmp/panel_values.err")"
# 1 s of simulated time is 30 steps.
[[ $(cut -d, -f5 "$tmp/panel.csv" | sort -u | grep -v steps) == 30 ]] || fail "panel values: steps: $(cat "$tmp/panel.csv")"

finish
