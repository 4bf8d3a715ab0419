#!/usr/bin/env bash
# Data files judged by the engine, through kinetarium-batch: files of the kinds real
# projects ship (animated vehicles, fonts the old checks refused) run a generation; files
# that crash or hang the engine (and truncations) end the program with exactly one line
# "Error: ..." that names the file, a non-zero status by itself and no signal.
# Usage: media_cases_test.sh <kinetarium-batch> <make_test_media>
set -uo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
make_media=$2

"$make_media" media "$tmp/cases" || { echo "FAIL: make_test_media failed"; exit 1; }

# run_in <dir> <name> ARGS...: the program in <dir>; output in $tmp/<name>.out/.err.
run_in() {
    local dir=$1 name=$2
    shift 2
    status=0
    (cd "$dir" && timeout 120 "$batch" "$@") >"$tmp/$name.out" 2>"$tmp/$name.err" </dev/null || status=$?
}

accepted=0
for dir in "$tmp"/cases/accepted/*/; do
    name=$(basename "$dir")
    run_in "$dir" "$name" --generation-time 1 --generations 2 --seed 4
    ((status == 0)) || fail "$name: exit status $status: $(cat "$tmp/$name.err")"
    grep -q "^Generation 2\. " "$tmp/$name.out" || fail "$name: did not run two generations"
    accepted=$((accepted + 1))
done
((accepted == 5)) || fail "$accepted accepted cases, expected 5"

damaged=0
for dir in "$tmp"/cases/damaged/*/; do
    name=$(basename "$dir")
    run_in "$dir" "$name" --generation-time 1 --generations 2 --seed 4
    errors=$(grep -c '^Error: ' "$tmp/$name.err")
    line=$(grep -m 1 '^Error: ' "$tmp/$name.err")
    echo "$name: status $status: ${line:-<no error line>}"
    ((status != 0 && status < 124)) || fail "$name: exit status $status"
    ((errors == 1)) || fail "$name: $errors error lines: $(cat "$tmp/$name.err")"
    # The file the case changed: walls, vehicle, gui or font.
    case $name in
    walls_*) file=walls.b3d ;; vehicle_*) file=vehicle.b3d ;; gui_*) file=gui.xml ;; font_*) file=font.xml ;;
    esac
    [[ $line == *"$file"* ]] || fail "$name: the error line does not name $file"
    grep -q '^Generation ' "$tmp/$name.out" && fail "$name: ran a generation"
    damaged=$((damaged + 1))
done
((damaged == 13)) || fail "$damaged damaged cases, expected 13"

finish
