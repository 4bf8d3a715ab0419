#!/usr/bin/env bash
# A study killed half-way (SIGKILL: no chance to tidy up) and run again into the same
# folder makes only the missing runs and one cut short, and gives the same results as the
# study in one go. Another study's settings are not mixed into the folder.
set -uo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

args=(--vary selector=roulette,tournament --seeds 3 --generations 15 --jobs 2)
run_study whole "${args[@]}" --out "$tmp/whole"
((status == 0)) || fail "the study in one go: exit status $status: $(cat "$tmp/whole.err")"

"$study" "${args[@]}" --out "$tmp/cut" >"$tmp/cut.out" 2>"$tmp/cut.err" </dev/null &
pid=$!
# Killed once two runs are complete (or when it has ended on its own, which the test reports).
while kill -0 "$pid" 2>/dev/null && (($(find "$tmp/cut/runs" -name '*.csv' 2>/dev/null | wc -l) < 2)); do
    sleep 0.02
done
kill -KILL "$pid" 2>/dev/null
wait "$pid" 2>/dev/null
complete=$(find "$tmp/cut/runs" -name '*.csv' | wc -l)
((complete >= 2 && complete < 6)) || fail "$complete runs complete when killed; expected some but not all"
[[ ! -e $tmp/cut/summary.csv ]] || fail "a summary was written by the killed study"

# One complete run cut short afterwards (a lost last row) must be redone as well.
victim=$(find "$tmp/cut/runs" -name '*.csv' | sort | head -n 1)
sed -i '$d' "$victim"
run_study resumed "${args[@]}" --out "$tmp/cut"
((status == 0)) || fail "the resumed study: exit status $status: $(cat "$tmp/resumed.err")"
grep -q "$((complete - 1)) already complete" "$tmp/resumed.out" ||
    fail "expected $((complete - 1)) runs kept: $(head -n 1 "$tmp/resumed.out")"
same_study "$tmp/whole" "$tmp/cut"
[[ -z $(find "$tmp/cut/runs" -name '*.log') ]] || fail "run logs left in runs/"

# The same folder with other fixed parameters is refused: its runs would pass for these.
run_study other "${args[@]}" --item-count 30 --out "$tmp/cut"
((status == 2)) || fail "another study into the folder: exit status $status, expected 2"
[[ $(wc -l <"$tmp/other.err") == 1 && $(cat "$tmp/other.err") == "Error: "*"holds runs of selector-roulette"* ]] ||
    fail "another study into the folder: $(cat "$tmp/other.err")"
cmp -s "$tmp/whole/summary.csv" "$tmp/cut/summary.csv" || fail "the refused study changed the summary"

finish
