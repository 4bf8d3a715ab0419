#!/usr/bin/env bash
# Bad options: one "Error: " line, exit 2, nothing run. Failing runs (a population of 0, a
# crashed process) are named in the summary with their seed and error line while the other
# runs go on, and the study exits 1.
set -uo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

expect_refused() {
    local expected=$1
    shift
    run_study refused "$@"
    ((status == 2)) || fail "'$*': exit status $status, expected 2"
    [[ ! -s $tmp/refused.out ]] || fail "'$*': wrote to stdout: $(head -c 200 "$tmp/refused.out")"
    [[ $(wc -l <"$tmp/refused.err") == 1 && $(cat "$tmp/refused.err") == "Error: "*"$expected"* ]] ||
        fail "'$*': expected one line with '$expected', got: $(cat "$tmp/refused.err")"
}
expect_refused "--vary needs NAME=V1,V2,... with NAME one of" --vary seed=1,2 --out "$tmp/x"
expect_refused "--mutation-rate needs a number" --vary mutation-rate=0.1,abc --out "$tmp/x"
expect_refused "--selector must be 'roulette' or 'tournament'" --vary selector=roulette,best --out "$tmp/x"
expect_refused "--vary selector lists 'roulette' twice" --vary selector=roulette,roulette --out "$tmp/x"
expect_refused "--vary item-count has an empty value" --vary item-count=10,,20 --out "$tmp/x"
expect_refused "--population-size must not be negative" --population-size -5 --out "$tmp/x"
expect_refused "--selector is both fixed and varied" --selector roulette --vary selector=tournament --out "$tmp/x"
expect_refused "--seeds needs A-B" --seeds 5-2 --out "$tmp/x"
expect_refused "--seeds needs A-B" --seeds 1-4294967296 --out "$tmp/x"
expect_refused "--generations must be at least 1" --generations 0 --out "$tmp/x"
expect_refused "--jobs needs a whole number" --jobs 0 --out "$tmp/x"
expect_refused "--out DIR is required" --seeds 2
expect_refused "--out needs a value" --out
expect_refused "unknown option '--csv'" --csv x.csv --out "$tmp/x"
expect_refused "more than 1000000 runs" --seeds 0-4000000000 --out "$tmp/x"
[[ ! -e $tmp/x ]] || fail "a refused study created its folder"

# A population of 0 fails every run of that combination; the other combination is done.
run_study zero --vary population-size=0,20 --seeds 2 --generations 2 --jobs 2 --out "$tmp/zero"
((status == 1)) || fail "population 0: exit status $status, expected 1"
error="Error: NeuralNetwork::getFittest: population of zero size"
row=$(grep '^population-size-0,' "$tmp/zero/summary.csv")
[[ $row == "population-size-0,0,0,2,,,,,,seed 1: $error; seed 2: $error" ]] || fail "population 0 row: $row"
grep -q '^population-size-20,20,2,0,[0-9]' "$tmp/zero/summary.csv" ||
    fail "population 20 row: $(grep '^population-size-20,' "$tmp/zero/summary.csv")"
grep -q "population-size=0 seed 2: $error" "$tmp/zero.out" || fail "the table does not name the failed run"
grep -q "^Run population-size=0 seed 1 failed: $error" "$tmp/zero.err" || fail "no failure line on stderr"

# A run that crashes: the study next to a kinetarium-batch that dies of SIGSEGV for seed 2.
mkdir "$tmp/bin"
cp "$study" "$tmp/bin/kinetarium-study"
cat >"$tmp/bin/kinetarium-batch" <<FAKE
#!/usr/bin/env bash
case " \$* " in *" --seed 2 "*) echo "Seed: 2"; kill -SEGV \$\$ ;; esac
exec "$batch" "\$@"
FAKE
chmod +x "$tmp/bin/kinetarium-batch"
status=0
timeout 240 "$tmp/bin/kinetarium-study" --seeds 3 --generations 2 --out "$tmp/crash" \
    >"$tmp/crash.out" 2>"$tmp/crash.err" </dev/null || status=$?
((status == 1)) || fail "crashed run: exit status $status, expected 1"
row=$(tail -n 1 "$tmp/crash/summary.csv")
[[ $row == "fixed,2,1,"*",seed 2: Error: the run was killed by signal 11 (Segmentation fault)" ]] ||
    fail "crashed run row: $row"
[[ -s $tmp/crash/runs/fixed-seed1.csv && -s $tmp/crash/runs/fixed-seed3.csv ]] || fail "the other runs were not made"
[[ ! -e $tmp/crash/runs/fixed-seed2.csv ]] || fail "the crashed run left a complete-looking CSV"

finish
