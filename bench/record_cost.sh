#!/usr/bin/env bash
# record_cost.sh [KINETARIUM [BUILD_DIR [SECONDS]]]: the cost of recording a clip. Runs
# `kinetarium --window --start --quit-after` twice under the dummy Xorg at 1280x720, once
# plain and once with --record, and prints for each the frames drawn per second in normal
# mode (buffer swaps, counted by a preloaded shim) and each thread's share of a core over
# the same SECONDS (default 20), after 8 s of start-up; the recording's saved line too.
set -uo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
build=$(cd "${2:-$here/../build}" && pwd)
program=${1:-$build/kinetarium}
seconds=${3:-20}
# shellcheck source=../tests/window/xserver.sh
source "$here/../tests/window/xserver.sh"
xt_init "$program" "$build"
cc -shared -fPIC -O2 -o "$XT_TMP/swap_counter.so" "$here/swap_counter.c" -ldl || xt_fail "cannot build the shim"
xt_start_xorg
hz=$(getconf CLK_TCK)

# "TID:NAME TICKS" for every thread of the program.
thread_ticks() {
    local stat
    for stat in /proc/"$1"/task/*/stat; do
        awk '{ s = $0; tid = $1; sub(/^[^(]*\(/, "", s); name = s; sub(/\).*$/, "", name); gsub(/ /, "_", name)
               sub(/^[^)]*\) /, "", s); split(s, f, " "); print tid ":" name, f[12] + f[13] }' "$stat" 2>/dev/null
    done
}

measure() {
    local mode=$1 swaps=$XT_TMP/$1.swaps extra=()
    [[ $mode == record ]] && extra=(--record "$XT_TMP/cost.mp4")
    export KINETARIUM_SWAP_LOG=$swaps LD_PRELOAD=$XT_TMP/swap_counter.so
    xt_start_app "$XT_BUILD_DIR" "cost-$mode" --window 1280x720 --start --quit-after $((seconds + 12)) "${extra[@]}"
    unset KINETARIUM_SWAP_LOG LD_PRELOAD
    sleep 8 # past start-up
    local t0 t1 before after
    before=$(thread_ticks "$XT_APP_PID") t0=$(date +%s.%N)
    sleep "$seconds"
    after=$(thread_ticks "$XT_APP_PID") t1=$(date +%s.%N)
    xt_wait_app_exit 60
    awk -v a="$t0" -v b="$t1" '$1 > a && $1 <= b { n++ }
        END { printf "'"$mode"': %.1f frames/s drawn\n", n / (b - a) }' "$swaps"
    join <(sort <<<"$before") <(sort <<<"$after") | awk -v hz="$hz" -v a="$t0" -v b="$t1" '
        { share = 100 * ($3 - $2) / hz / (b - a); if (share >= 0.5) printf "  %-22s %5.1f%% of a core\n", $1, share }'
    grep '^Recording' "$XT_APP_STDOUT" | sed 's/^/  /'
}

measure plain
measure record
xt_pass "measured over ${seconds}s"
