#!/usr/bin/env bash
# Bad options get one "Error: " line on stderr, nothing on stdout and exit status 2;
# --help explains every option and exits 0.
set -uo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

# expect_refused EXPECTED-TEXT ARGS...
expect_refused() {
    local expected=$1
    shift
    run_batch refused "$@"
    local shown="'$*'"
    ((status == 2)) || fail "$shown: exit status $status, expected 2"
    [[ ! -s $tmp/refused.out ]] || fail "$shown: wrote to stdout: $(head -c 200 "$tmp/refused.out")"
    local lines
    lines=$(wc -l <"$tmp/refused.err")
    ((lines == 1)) || fail "$shown: $lines lines on stderr, expected 1: $(cat "$tmp/refused.err")"
    local line
    line=$(head -n 1 "$tmp/refused.err")
    [[ $line == "Error: "* ]] || fail "$shown: message does not start with 'Error: ': $line"
    [[ $line == *"$expected"* ]] || fail "$shown: message lacks '$expected': $line"
}

expect_refused "unknown option '--bogus'" --bogus
expect_refused "unknown option '--population'" --population 20
expect_refused "unexpected argument 'twenty'" twenty
expect_refused "--seed needs a value" --seed
expect_refused "--csv needs a value" --generations 2 --csv
expect_refused "--seed needs a value" --seed --generations 2
expect_refused "--population-size needs a number" --population-size abc
expect_refused "--mutation-rate needs a number" --mutation-rate 1e3
expect_refused "--crossover-rate needs a number" --crossover-rate ' 0.5'
expect_refused "--generation-time needs a number" --generation-time ''
expect_refused "--population-size must not be negative" --population-size -5
expect_refused "--weight-range must not be negative" --weight-range=-1.5
expect_refused "--generations must not be negative" --generations -1
expect_refused "--generations needs a whole number" --generations 2.5
expect_refused "--item-count value '99999999999' is outside the 32-bit integer range" --item-count 99999999999
expect_refused "--selector must be 'roulette' or 'tournament'" --selector best
expect_refused "--seed needs a whole number" --seed 4294967296
# The method's own options, refused for a method that does not use them.
expect_refused "--method must be one of ga, cmaes, openai-es, neat, map-elites, got 'hyperneat'" --method hyperneat
expect_refused "--sigma is not used by the method ga (it is used by cmaes, openai-es)" --sigma 0.3
expect_refused "--hidden-neurons is not used by the method neat (it is used by ga, cmaes, openai-es, map-elites)" --method neat --hidden-neurons 2
expect_refused "--elite-count is not used by the method neat (it is used by ga)" --method neat --elite-count 2
expect_refused "--learning-rate is not used by the method cmaes (it is used by openai-es)" --learning-rate 0.1 --method cmaes
expect_refused "--crossover-rate is not used by the method openai-es (it is used by ga, map-elites)" --method=openai-es --crossover-rate 0.5
expect_refused "--csv needs a file name" --csv=
expect_refused "--seed needs a whole number" --seed=x

run_batch help --help
((status == 0)) || fail "--help: exit status $status"
for option in --generation-time --item-count --population-size --elite-count --selector --crossover-rate \
              --mutation-rate --max-perturbation --hidden-neurons --weight-range --generations --seed \
              --csv --help; do
    grep -q -- "$option" "$tmp/help.out" || fail "--help does not explain $option"
done
for default in '[20.0]' '[60]' '[20]' '[2]' '[roulette]' '[0.8]' '[0.05]' '[10.0]' '[4]' '[1.0]'; do
    grep -qF -- "$default" "$tmp/help.out" || fail "--help does not show the default $default"
done

finish
