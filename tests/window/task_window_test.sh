#!/usr/bin/env bash
# The tasks in a real window on a 1024x600 screen (plain Xvfb, full screen): for forage and
# for the maze, a population saved by kinetarium-batch after one generation is loaded and
# started with --follow-best. Read back through the state report (SIGUSR1): the run is of
# that task (its log line) and its generations advance; on screenshots the chart draws its
# best line and the followed vehicle's network panel names the task's inputs (OCR: food
# and poison for forage, the goal for the maze; <task>-network.png); after the top-down
# camera a click on a vehicle selects it. Escape ends each with status 0.
# Usage: task_window_test.sh <path of kinetarium> <build dir>
# shellcheck disable=SC2317 # the checks below are called through xt_poll_screenshot
source "$(dirname "${BASH_SOURCE[0]}")/xserver.sh"
source "$(dirname "${BASH_SOURCE[0]}")/pictures.sh"
source "$(dirname "${BASH_SOURCE[0]}")/state.sh"
xt_init "$@"
command -v tesseract >/dev/null || xt_fail "tesseract not installed (scripts/setup.sh installs it)"
BATCH=$XT_BUILD_DIR/kinetarium-batch
[[ -x $BATCH ]] || xt_fail "kinetarium-batch not built in $XT_BUILD_DIR"

W=1024 H=600
# The camera window at 10,10 (media/gui.xml), its Top-down button 42 down.
BUTTON_X=100 TOP_DOWN_Y=$((10 + 42))
# The panels (src/gui/FitnessChart.cpp, NetworkView.cpp) at 1024x600: 30 % of the
# screen's width and height (height at least 170), 10 pixels from the right edge.
PANEL_W=$((W * 3 / 10)) PANEL_H=$((H * 3 / 10))
((PANEL_H < 170)) && PANEL_H=170
PANEL_X=$((W - 10 - PANEL_W))
PLOT="${PANEL_W}x$((PANEL_H - 40))+$PANEL_X+50"
INPUT_LABELS="110x${PANEL_H}+$PANEL_X+$((H - 10 - PANEL_H))"
BEST='r > 235 && g >= 125 && g <= 155 && b < 50' # the chart's best line (FitnessChart.h)
MIN_LINE=100
MAX_POLLS=3000 # state reports asked for while waiting for one state (a hang guard)
STATE=$XT_TMP/state.txt


# OCR of white text over the panels' translucent black, as black on white.
ocr_white() {
    local file=$1 geometry=$2 out=$3 work="$XT_TMP/ocr.png"
    timeout 60 convert "$file" -crop "$geometry" +repage \
        -fx '(min(r, min(g, b)) > 140/255 && max(r, max(g, b)) - min(r, min(g, b)) < 40/255) ? 0 : 1' \
        -colorspace Gray -resize 300% "$work" 2>/dev/null &&
        timeout 60 tesseract "$work" - --psm 6 >"$out" 2>/dev/null
}

xt_start_xvfb "$W" "$H"
screen=$(xt_screen_size)
[[ $screen == "${W}x${H}" ]] || xt_fail "Xvfb screen is $screen, expected ${W}x${H}"

# run_task <task> <words the input labels must show...>
run_task() {
    local task=$1 file="$XT_TMP/$1.json" start
    shift
    local words=("$@")
    (cd "$XT_BUILD_DIR" && "$BATCH" --task "$task" --generations 1 --population-size 12 --generation-time 3 \
        --seed 7 --save "$file") >"$XT_ARTIFACT_DIR/task-$task-batch.txt" 2>&1 ||
        xt_fail "kinetarium-batch could not make a $task population (task-$task-batch.txt)"

    xt_start_app "$XT_BUILD_DIR" "task-$task" --load "$file" --start --follow-best
    xt_wait_window Kinetarium || xt_fail "no visible window named Kinetarium within ${XT_WINDOW_TIMEOUT}s"
    sleep 1 # the handler of the report signal is set before the window opens; give it a frame
    is_task() { grep -q "^Log: Task: $task (" "$STATE" && [[ $(field generation) -ge 1 ]]; }
    wait_for "a $task run" is_task
    start=$(field generation)
    advanced() { (($(field generation) >= start + 2)); }
    wait_for "two more generations of $task" advanced
    xt_log "$task: generation $start -> $(field generation)"

    chart_drawn() {
        local best
        best=$(pic_count "$1" "$PLOT" "$BEST")
        xt_log "$(basename "$1"): $best best-line pixels in the chart"
        ((best >= MIN_LINE))
    }
    xt_poll_screenshot "task-$task-chart.png" 120 chart_drawn || xt_fail "no best line in the $task chart"
    labels_read() {
        ocr_white "$1" "$INPUT_LABELS" "$XT_ARTIFACT_DIR/task-$task-network-ocr.txt" || return 1
        xt_log "$(basename "$1"): input labels read: $(tr -s '\n' '|' <"$XT_ARTIFACT_DIR/task-$task-network-ocr.txt")"
        local word
        for word in "${words[@]}"; do
            grep -q "$word" "$XT_ARTIFACT_DIR/task-$task-network-ocr.txt" || return 1
        done
    }
    xt_poll_screenshot "task-$task-network.png" 120 labels_read ||
        xt_fail "the $task network panel does not name its inputs (${words[*]}; task-$task-network.png)"

    # Inspection: paused and from above, with the chart and network panels hidden (F2; the
    # maze's vehicles start under the chart), a click on a vehicle clear of the windows
    # selects it.
    xdotool key p || xt_fail "xdotool cannot send P"
    paused() { [[ $(field paused) == 1 ]]; }
    wait_for "a paused $task run" paused
    xt_click "$BUTTON_X" "$TOP_DOWN_Y"
    on_top() { grep -q '^Log: Top down camera view selected\.$' "$STATE"; }
    wait_for "the top-down camera" on_top
    # The camera glides there: the vehicles' screen places hold once it stands still.
    local camera=""
    steady() {
        local now
        now=$(field camera)
        [[ $now == "$camera" ]] && return 0
        camera=$now
        sleep 0.2
        return 1
    }
    wait_for "a still camera" steady
    # Handled before the click below, which comes after it in the window's event queue.
    xdotool key F2 || xt_fail "xdotool cannot send F2"
    local number sx sy attempt i
    for attempt in 1 2 3; do
        read -r number sx sy < <(sed -n 's/^Vehicle \([0-9]*\): screen=\([-0-9]*\),\([-0-9]*\) .*/\1 \2 \3/p' "$STATE" |
            awk -v w=$W -v h=$H -v skip=$((attempt - 1)) \
                '$2 > 230 && $2 < w - 20 && $3 > 40 && $3 < h - 110 && skip-- <= 0 { print; exit }')
        [[ -n ${number:-} ]] || xt_fail "no $task vehicle clear of the windows to click"
        xt_log "$task: clicking vehicle $number at $sx,$sy"
        xt_click "$sx" "$sy"
        for ((i = 0; i < 50; i++)); do
            dump_state
            [[ $(field selected) != 0 ]] && break 2
            sleep 0.1
        done
    done
    [[ $(field selected) != 0 ]] && grep -q "^Log: Camera is now following vehicle $(field selected)\.$" "$STATE" ||
        xt_fail "a click on a $task vehicle selects none"
    xt_log "$task: selected vehicle $(field selected)"

    xdotool key Escape || xt_fail "xdotool cannot send Escape"
    xt_wait_app_exit
    xt_check_no_crash
    [[ $XT_APP_STATUS == 0 ]] || xt_fail "$task: Escape did not end kinetarium with status 0"
}

run_task forage food poison wall
run_task maze goal wall
xt_pass "forage and maze runs in a 1024x600 window: generations advanced, chart, named inputs, selection"
