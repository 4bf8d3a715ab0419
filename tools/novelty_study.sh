#!/usr/bin/env bash
# The novelty study of the README: on the maze, the genetic algorithm and NEAT bred for fitness
# and for novelty, and MAP-Elites, each on seeds 1-20 for 300 generations of 20 vehicles (6,000
# evaluations) at their defaults; then MAP-Elites on collect and forage (seeds 1-10). Writes
# the studies into OUT_DIR and prints, for each maze configuration, in how many seeds a
# vehicle reached the goal and by which generation (maze-first-reach.csv), and MAP-Elites' coverage and
# QD-score over the generations (map-elites-coverage.csv). Run from the build directory:
# tools/novelty_study.sh OUT_DIR (about 15 minutes on two cores).
set -euo pipefail
export PATH="$PWD:$PATH"
out=${1:?usage: novelty_study.sh OUT_DIR}
common=(--seeds 1-20 --generations 300)
kinetarium-study --out "$out/maze-novelty" --task maze --vary method=ga,neat --vary objective=fitness,novelty "${common[@]}"
kinetarium-study --out "$out/maze-map-elites" --task maze --method map-elites "${common[@]}"
kinetarium-study --out "$out/collect-map-elites" --method map-elites --seeds 1-10 --generations 300
kinetarium-study --out "$out/forage-map-elites" --task forage --method map-elites --seeds 1-10 --generations 300

# In how many seeds a vehicle reached the goal and by when, and the tests between the objectives.
"$(dirname "$0")/novelty_tables.py" "$out/maze-novelty" "$out/maze-map-elites" \
    --pair maze-novelty/method-ga_objective-fitness maze-novelty/method-ga_objective-novelty \
    --pair maze-novelty/method-neat_objective-fitness maze-novelty/method-neat_objective-novelty \
    --pair maze-novelty/method-ga_objective-fitness maze-map-elites/fixed | tee "$out/maze-first-reach.csv"
"$(dirname "$0")/novelty_tables.py" --coverage "$out/collect-map-elites" "$out/forage-map-elites" "$out/maze-map-elites" |
    tee "$out/map-elites-coverage.csv"
