#!/usr/bin/env bash
# The behaviour map in a real window on a 1024x600 screen (plain Xvfb, full screen): a
# MAP-Elites population of the maze saved by kinetarium-batch after 20 generations is
# loaded and started, then run at 16x. Read back through the state report (SIGUSR1): the
# map shows the run's grid (filled cells) over the maze's walls and follows the new
# generations; F3 hides and shows it alone, F2 with the other panels; paused, a click on
# the fittest cell puts that elite on the network panel with its caption (elite.png).
# Escape ends with status 0.
# Usage: behaviour_map_test.sh <path of kinetarium> <build dir>
source "$(dirname "${BASH_SOURCE[0]}")/xserver.sh"
source "$(dirname "${BASH_SOURCE[0]}")/pictures.sh"
source "$(dirname "${BASH_SOURCE[0]}")/state.sh"
xt_init "$@"
BATCH=$XT_BUILD_DIR/kinetarium-batch
[[ -x $BATCH ]] || xt_fail "kinetarium-batch not built in $XT_BUILD_DIR"

W=1024 H=600
MAX_POLLS=3000 # state reports asked for while waiting for one state (a hang guard)
STATE=$XT_TMP/state.txt
FILE=$XT_TMP/map-elites.json

map_field() { sed -n 's/^Map: //p' "$STATE" | tr ' ' '\n' | sed -n "s/^$1=//p"; }

(cd "$XT_BUILD_DIR" && "$BATCH" --method map-elites --task maze --generations 20 --population-size 12 \
    --generation-time 3 --seed 7 --save "$FILE") >"$XT_ARTIFACT_DIR/behaviour-map-batch.txt" 2>&1 ||
    xt_fail "kinetarium-batch could not make a MAP-Elites population (behaviour-map-batch.txt)"

xt_start_xvfb "$W" "$H"
xt_start_app "$XT_BUILD_DIR" behaviour-map --load "$FILE" --start
xt_wait_window Kinetarium || xt_fail "no visible window named Kinetarium within ${XT_WINDOW_TIMEOUT}s"
sleep 1 # the handler of the report signal is set before the window opens; give it a frame

grid() {
    [[ $(field map) == 1 && $(map_field content) == elites ]] && (($(map_field filled) > 0 && $(map_field walls) > 0))
}
wait_for "the map of the loaded grid" grid
start=$(field generation) filled=$(map_field filled)
xt_log "generation $start: $filled filled cells, $(map_field walls) wall lines"

xdotool key plus plus plus plus || xt_fail "xdotool cannot press +"
advanced() { (($(field generation) >= start + 3)) && grid; }
wait_for "three more generations" advanced
xt_log "generation $(field generation): $(map_field filled) filled cells"
(($(map_field filled) >= filled)) || xt_fail "a cell of the grid was emptied"

# toggle <key> <map>: the key, then the state report tells the map shown (1) or not (0).
toggle() {
    local key=$1 map=$2
    xdotool key "$key" || xt_fail "xdotool cannot press $key"
    toggled() { [[ $(field map) == "$map" ]]; }
    wait_for "$key: map=$map" toggled
}
toggle F3 0
toggle F3 1
toggle F2 0
[[ $(field network) == none ]] || xt_fail "F2 left the network panel shown"
toggle F2 1

xdotool key p || xt_fail "xdotool cannot send P"
paused() { [[ $(field paused) == 1 ]]; }
wait_for "a paused run" paused
read -r cell x y < <(sed -n 's/^Map best: cell=\([0-9]*,[0-9]*\) screen=\([0-9]*\),\([0-9]*\) .*/\1 \2 \3/p' "$STATE")
[[ -n ${cell:-} ]] || xt_fail "no fittest cell in the state report"
xt_log "clicking the fittest cell ($cell) at $x,$y"
xt_click "$x" "$y"
elite() {
    [[ $(field network) == elite && $(field selected) == 0 ]] &&
        grep -q "^Network caption: Elite of cell (${cell/,/, }): fitness " "$STATE"
}
wait_for "the elite of cell ($cell) on the network panel" elite
xt_log "$(grep '^Network caption: ' "$STATE")"
xt_screenshot elite.png >/dev/null || xt_log "no screenshot"

xdotool key Escape || xt_fail "xdotool cannot send Escape"
xt_wait_app_exit
xt_check_no_crash
[[ $XT_APP_STATUS == 0 ]] || xt_fail "Escape did not end kinetarium with status 0"
xt_pass "MAP-Elites map of the maze: grid and walls, new generations, F3 and F2, a clicked cell's elite on the network panel"
