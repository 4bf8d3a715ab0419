#!/usr/bin/env bash
# idle_cpu.sh [KINETARIUM [BUILD_DIR]]: the program with its parameter dialog open for 10 s
# under the dummy Xorg at 1280x720; prints its CPU share and its wake-ups per second
# (voluntary context switches of the main thread and of all threads). Run it on an
# otherwise idle machine: a busy one hides how much a spinning loop would take.
set -uo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
build=$(cd "${2:-$here/../build}" && pwd)
program=${1:-$build/kinetarium}
# shellcheck source=../tests/window/xserver.sh
source "$here/../tests/window/xserver.sh"
xt_init "$program" "$build"
xt_start_xorg
xt_start_app "$XT_BUILD_DIR" idle
xt_wait_window Kinetarium || xt_fail "no window"
sleep 5 # past start-up, into the steady state of the open dialog
pid=$XT_APP_PID
hz=$(getconf CLK_TCK)
cpu() { awk '{ print $14 + $15 }' "/proc/$pid/stat"; }
# Voluntary switches: the thread went to sleep, so each is one wake-up.
switches() { awk '/^voluntary_ctxt_switches/ { v += $2 } END { print v }' "$@"; }
c0=$(cpu) m0=$(switches "/proc/$pid/status") a0=$(switches /proc/"$pid"/task/*/status) t0=$(date +%s.%N)
sleep 10
c1=$(cpu) m1=$(switches "/proc/$pid/status") a1=$(switches /proc/"$pid"/task/*/status) t1=$(date +%s.%N)
awk -v c=$((c1 - c0)) -v hz="$hz" -v m=$((m1 - m0)) -v a=$((a1 - a0)) -v t0="$t0" -v t1="$t1" \
    -v threads="$(ls "/proc/$pid/task" | wc -l)" 'BEGIN {
    s = t1 - t0
    printf "over %.2f s: CPU %.1f%% of a core; wake-ups/s: main thread %.0f, all %d threads %.0f\n",
           s, 100 * c / hz / s, m / s, threads, a / s }'
xt_pass "measured"
