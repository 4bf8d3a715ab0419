#!/usr/bin/env bash
# What a run writes: standard output holds the run's own lines; two outputs (or an output
# and the loaded file) on one file and a --save that cannot be written are refused before the
# run starts; a closed standard output or a CSV the system stops taking ends the run with
# the population still saved.
set -uo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

# only_report_lines NAME: every line of $tmp/NAME.out is one of the run's own.
only_report_lines() {
    local other
    other=$(grep -v -E '^(Seed: [0-9]+|Evolution started!|Method: .*|Generation [0-9]+\. .*|Population saved to .*)$' "$tmp/$1.out")
    [[ -z $other ]] || fail "$1: standard output holds other lines: $other"
}

# generation_of FILE: the generations a population file has finished.
generation_of() {
    sed -n 's/^ "generation": \([0-9]*\),$/\1/p' "$1"
}

# A population file to load, and standard output with nothing but the report (no engine banner).
run_batch first --generations 2 --generation-time 1 --seed 3 --save "$tmp/p.json"
((status == 0)) || fail "first run: status $status: $(cat "$tmp/first.err")"
only_report_lines first
cp "$tmp/p.json" "$tmp/p-before.json"

# Two names of one file: refused before anything is written, with one line and status 2.
ln -s p.json "$tmp/link.json"
ln "$tmp/p.json" "$tmp/hard.json"
ln -s not-yet.csv "$tmp/dangling.csv"
expect_same_file() { # expect_same_file WHAT ARGS...
    local what=$1
    shift
    run_batch same "$@" --generations 1 --generation-time 1
    ((status == 2)) || fail "$what: status $status, expected 2"
    [[ $(wc -l <"$tmp/same.err") == 1 ]] && grep -q "^Error: --csv .* name the same file" "$tmp/same.err" ||
        fail "$what: message: $(cat "$tmp/same.err")"
    [[ ! -s $tmp/same.out ]] || fail "$what: the run started: $(cat "$tmp/same.out")"
}
expect_same_file "--csv on the loaded file" --load "$tmp/p.json" --csv "$tmp/p.json"
expect_same_file "--csv on a link to the loaded file" --load "$tmp/p.json" --csv "$tmp/link.json"
expect_same_file "--csv on a hard link to the loaded file" --load "$tmp/p.json" --csv "$tmp/hard.json"
cmp -s "$tmp/p.json" "$tmp/p-before.json" || fail "the loaded population file was changed"
expect_same_file "--csv and --save on one new file" --csv "$tmp/new" --save "$tmp/new"
[[ ! -e $tmp/new ]] || fail "--csv and --save on one file: the file was made"
expect_same_file "--csv and --save through a dangling link" --csv "$tmp/not-yet.csv" --save "$tmp/dangling.csv"
# The loaded file may be saved over: the run continues in place.
run_batch in_place --load "$tmp/p.json" --save "$tmp/p.json" --generations 1 --generation-time 1
((status == 0)) && [[ $(generation_of "$tmp/p.json") == 3 ]] ||
    fail "--load and --save on one file: status $status, generation $(generation_of "$tmp/p.json"): $(cat "$tmp/in_place.err")"

# A --save that cannot be written is refused before the first generation (and before the CSV
# is made), with one line naming it.
mkdir -p "$tmp/folder"
expect_unsaveable() { # expect_unsaveable WHAT PATH REASON
    run_batch unsaveable --generations 1 --generation-time 1 --seed 1 --csv "$tmp/unsaveable.csv" --save "$2"
    ((status == 1)) || fail "$1: status $status, expected 1"
    [[ $(cat "$tmp/unsaveable.err") == "Error: cannot write the population file '$2': $3." ]] ||
        fail "$1: message: $(cat "$tmp/unsaveable.err")"
    [[ ! -s $tmp/unsaveable.out && ! -e $tmp/unsaveable.csv ]] || fail "$1: the run started: $(cat "$tmp/unsaveable.out")"
}
expect_unsaveable "--save on a folder" "$tmp/folder" "it is a folder"
expect_unsaveable "--save in a missing folder" "$tmp/missing/p.json" "its folder $tmp/missing does not exist"
expect_unsaveable "--save on /dev/null" /dev/null "it is not a regular file"
expect_unsaveable "--save below a file" "$tmp/p.json/q.json" "$tmp/p.json is not a folder"

# A closed pipe (the reader took three lines) stops an endless run as Ctrl-C does: the
# population is saved at the last finished generation, and it loads.
status=0
timeout 120 "$batch" --generations 0 --generation-time 1 --seed 8 --save "$tmp/pipe.json" 2>"$tmp/pipe.err" </dev/null |
    head -n 3 >"$tmp/pipe.out"
status=${PIPESTATUS[0]}
((status == 1)) || fail "closed pipe: status $status, expected 1: $(cat "$tmp/pipe.err")"
finished=$(sed -n 's/^Error: cannot write to standard output: Broken pipe; \([0-9]*\) generations\{0,1\} finished\.$/\1/p' \
    "$tmp/pipe.err")
[[ -n $finished ]] || fail "closed pipe: no error line: $(cat "$tmp/pipe.err")"
grep -qx "Population saved to $tmp/pipe.json" "$tmp/pipe.err" || fail "closed pipe: the save is not reported"
[[ $(generation_of "$tmp/pipe.json") == "$finished" ]] ||
    fail "closed pipe: file at generation '$(generation_of "$tmp/pipe.json")', $finished finished"
run_batch pipe_load --load "$tmp/pipe.json" --generations 1
((status == 0)) || fail "closed pipe: the saved file does not load: $(cat "$tmp/pipe_load.err")"

# A CSV the system stops taking (its reader gone after the header and two rows: the same
# refused write as a full disk) ends the run; the population, on another file, is saved.
mkfifo "$tmp/csv.fifo"
timeout 120 head -n 3 "$tmp/csv.fifo" >"$tmp/csv.head" &
reader=$!
run_batch csvgone --generations 0 --generation-time 1 --seed 8 --csv "$tmp/csv.fifo" --save "$tmp/csvgone.json"
wait "$reader"
((status == 1)) || fail "CSV refused: status $status, expected 1"
[[ $(head -n 1 "$tmp/csvgone.err") == "Error: cannot write the CSV file '$tmp/csv.fifo': Broken pipe" ]] ||
    fail "CSV refused: message: $(cat "$tmp/csvgone.err")"
grep -qx "Population saved to $tmp/csvgone.json" "$tmp/csvgone.out" || fail "CSV refused: no 'Population saved' line"
reported=$(grep -c "^Generation " "$tmp/csvgone.out")
[[ $(generation_of "$tmp/csvgone.json") == "$reported" ]] ||
    fail "CSV refused: file at generation '$(generation_of "$tmp/csvgone.json")', $reported reported"
only_report_lines csvgone

finish
