#!/usr/bin/env bash
# Population files from the command line: G generations, --save, --load, G more equal an
# uninterrupted run of 2G in every CSV column but wall_seconds (two parameter sets); Ctrl-C
# saves the last finished generation and a run from it goes on exactly; overrides are named
# and hidden neurons refused; failed writes keep the old file and exit 1; a bad file is
# refused with one line.
set -uo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

rows_from() { # rows_from FILE FIRST_GENERATION: the deterministic columns from that generation on
    awk -F, -v first="$2" 'NR > 1 && $1 >= first' "$1" | cut -d, -f1-5
}

check_resume() { # check_resume NAME OPTIONS...: 6 in one go vs 3, save, load, 3
    local name=$1
    shift
    run_batch "$name-whole" --generations 6 --seed 31 --csv "$tmp/$name-whole.csv" "$@"
    ((status == 0)) || fail "$name: uninterrupted run status $status: $(cat "$tmp/$name-whole.err")"
    run_batch "$name-first" --generations 3 --seed 31 --save "$tmp/$name.json" "$@"
    ((status == 0)) || fail "$name: first half status $status: $(cat "$tmp/$name-first.err")"
    grep -qx "Population saved to $tmp/$name.json" "$tmp/$name-first.out" || fail "$name: no 'Population saved' line"
    run_batch "$name-second" --load "$tmp/$name.json" --generations 3 --csv "$tmp/$name-second.csv"
    ((status == 0)) || fail "$name: resumed run status $status: $(cat "$tmp/$name-second.err")"
    grep -q "^Parameters from the command line" "$tmp/$name-second.out" && fail "$name: an override line without overrides"
    [[ -n $(rows_from "$tmp/$name-second.csv" 1) ]] || fail "$name: the resumed run wrote no rows"
    diff <(rows_from "$tmp/$name-whole.csv" 4) <(rows_from "$tmp/$name-second.csv" 1) >/dev/null ||
        fail "$name: generations 4-6 differ between the uninterrupted and the resumed run"
}
check_resume defaults --generation-time 4
check_resume tournament-odd --generation-time 3 --population-size 7 --elite-count 0 --selector tournament \
    --hidden-neurons 3

# Ctrl-C saves at the last finished generation; the run from there equals the uninterrupted one.
timeout 120 "$batch" --generations 0 --generation-time 2 --seed 5 --save "$tmp/int.json" --csv "$tmp/int.csv" \
    >"$tmp/int.out" 2>"$tmp/int.err" </dev/null &
pid=$!
wait_for_lines "$tmp/int.csv" 3 "$pid"
kill -INT "$(program_of "$pid")"
status=0
wait "$pid" || status=$?
((status == 130)) || fail "exit status $status after SIGINT with --save: $(cat "$tmp/int.err")"
finished=$(($(wc -l <"$tmp/int.csv") - 1))
grep -q "\"generation\": $finished," "$tmp/int.json" || fail "the file saved on Ctrl-C is not at generation $finished"
run_batch int-whole --generations $((finished + 2)) --generation-time 2 --seed 5 --csv "$tmp/int-whole.csv"
run_batch int-resumed --load "$tmp/int.json" --generations 2 --csv "$tmp/int-resumed.csv"
diff <(rows_from "$tmp/int-whole.csv" $((finished + 1))) <(rows_from "$tmp/int-resumed.csv" 1) >/dev/null ||
    fail "the run continued from the Ctrl-C file differs from the uninterrupted one"

# Checkpoints: a run killed outright (no chance to save at the end) leaves the last one, whole.
# Started directly, so that the kill reaches the run itself (a wrapper killed outright would
# leave it running), and with an end of its own should the kill never come.
"$batch" --generations 20000 --generation-time 1 --seed 6 --save "$tmp/ck.json" --checkpoint-every 2 \
    --csv "$tmp/ck.csv" >"$tmp/ck.out" 2>"$tmp/ck.err" </dev/null &
pid=$!
wait_for_lines "$tmp/ck.csv" 6 "$pid"
kill -KILL "$pid"
wait "$pid" 2>/dev/null
ck_generation=$(sed -n 's/^ "generation": \([0-9]*\),$/\1/p' "$tmp/ck.json")
((ck_generation >= 4 && ck_generation % 2 == 0)) || fail "checkpoint file at generation '$ck_generation', expected an even one from 4"
run_batch ck-load --load "$tmp/ck.json" --generations 1
((status == 0)) || fail "the checkpoint file does not load: $(cat "$tmp/ck-load.err")"

# Overrides: named in one line; hidden neurons cannot change; --seed does not go with --load.
run_batch override --load "$tmp/defaults.json" --generations 1 --mutation-rate 0.2 --item-count 60
((status == 0)) || fail "override run status $status: $(cat "$tmp/override.err")"
grep -qx "Parameters from the command line override the file's: --mutation-rate (no longer an exact continuation)" \
    "$tmp/override.out" || fail "override line missing or wrong: $(cat "$tmp/override.out")"
run_batch neurons --load "$tmp/defaults.json" --hidden-neurons 5
((status == 1)) && grep -q "^Error: --hidden-neurons cannot change on a loaded population" "$tmp/neurons.err" ||
    fail "a changed --hidden-neurons was not refused (status $status): $(cat "$tmp/neurons.err")"
run_batch seeded --load "$tmp/defaults.json" --seed 3
((status == 2)) || fail "--seed with --load gave status $status"

# Failed writes: the old file stays, one error line naming it, status 1.
cp "$tmp/defaults.json" "$tmp/keep.json"
status=0
(ulimit -f 8 && exec timeout 120 "$batch" --generations 1 --generation-time 1 --seed 2 --save "$tmp/keep.json") \
    >"$tmp/full.out" 2>"$tmp/full.err" </dev/null || status=$?
((status == 1)) || fail "a save that ran out of room gave status $status"
[[ $(grep -c "^Error: cannot write the population file '$tmp/keep.json'" "$tmp/full.err") == 1 ]] ||
    fail "no single error line naming the file: $(cat "$tmp/full.err")"
cmp -s "$tmp/defaults.json" "$tmp/keep.json" || fail "the old file was changed by the failed save"
[[ $(find "$tmp" -name '.keep.json*' | wc -l) == 0 ]] || fail "a temporary file was left behind"
run_batch devfull --generations 1 --generation-time 1 --seed 2 --save /dev/full
((status == 1)) && grep -q "^Error: cannot write the population file '/dev/full'" "$tmp/devfull.err" ||
    fail "--save /dev/full: status $status, $(cat "$tmp/devfull.err")"
[[ -c /dev/full ]] || fail "/dev/full is no longer a device"
run_batch nofolder --generations 1 --generation-time 1 --seed 2 --save "$tmp/missing/p.json"
((status == 1)) && grep -q "^Error: cannot write the population file '$tmp/missing/p.json'" "$tmp/nofolder.err" ||
    fail "--save into a missing folder: status $status, $(cat "$tmp/nofolder.err")"

# A bad file: one error line, status 1, nothing run.
head -c 300 "$tmp/defaults.json" >"$tmp/cut.json"
run_batch cut --load "$tmp/cut.json"
((status == 1)) || fail "a cut file gave status $status"
[[ $(wc -l <"$tmp/cut.err") == 1 ]] && grep -q "^Error: cannot load the population file '$tmp/cut.json': the file is cut short" \
    "$tmp/cut.err" || fail "cut file: $(cat "$tmp/cut.err")"
grep -q "^Generation" "$tmp/cut.out" && fail "a run started from a cut file"

finish
