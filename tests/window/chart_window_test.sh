#!/usr/bin/env bash
# The fitness chart and the network panel in a real window (dummy Xorg, 1280x720), driven
# with xdotool: a run of one-second generations; once the log reports generation 20 the
# chart's title and legend are read back and its best and mean lines are found in their
# colours (chart-20.png); in fast mode the chart's last generation follows the log's
# (chart-fast.png); Follow best shows the network panel with its sensor and output labels
# and its weights (network.png), the top-down camera hides it; the Chart button hides both
# panels (hidden.png), F2 brings them back (shown-again.png); after Stop the chart stays
# (stopped-chart.png); Escape ends the program with status 0.
# Usage: chart_window_test.sh <path of kinetarium> <build dir>
# shellcheck disable=SC2317 # the checks below are called through xt_poll_screenshot
source "$(dirname "${BASH_SOURCE[0]}")/xserver.sh"
source "$(dirname "${BASH_SOURCE[0]}")/pictures.sh"
xt_init "$@"
command -v tesseract >/dev/null || xt_fail "tesseract not installed (scripts/setup.sh installs it)"

# Layout of media/gui.xml (see end_to_end_window_test.sh): the dialog, its first box and
# Start; the camera window at 10,10 and the run window at 10,120, buttons 34 apart.
DIALOG_W=704 DIALOG_H=404 FIELD_X=196 FIELD_W=148 ROW_TOP=34 ROW_H=24
START_X=16 START_W=210 START_Y=322 START_H=30
BUTTON_X=100 TOP_DOWN_Y=$((10 + 42)) FOLLOW_Y=$((10 + 76))
FAST_Y=$((120 + 42)) STOP_Y=$((120 + 76)) CHART_Y=$((120 + 110)) NORMAL_Y=$((10 + 42))
# The panels (src/gui/FitnessChart.cpp, NetworkView.cpp): 30 % of the screen's width and
# height (width 220 to 480, height 170 to 300), 10 pixels from the right edge; the chart at
# the top, the network at the bottom.
W=$XT_XORG_WIDTH H=$XT_XORG_HEIGHT
PANEL_W=$((W * 3 / 10)) PANEL_H=$((H * 3 / 10))
((PANEL_W < 220)) && PANEL_W=220; ((PANEL_W > 480)) && PANEL_W=480
((PANEL_H < 170)) && PANEL_H=170; ((PANEL_H > 300)) && PANEL_H=300
PANEL_X=$((W - 10 - PANEL_W))
CHART="${PANEL_W}x${PANEL_H}+$PANEL_X+10"
HEADER="${PANEL_W}x24+$PANEL_X+12"                  # the title and the legend
PLOT="${PANEL_W}x$((PANEL_H - 40))+$PANEL_X+50"     # below them
AXIS="${PANEL_W}x22+$PANEL_X+$((10 + PANEL_H - 22))" # the generation labels
NETWORK="${PANEL_W}x${PANEL_H}+$PANEL_X+$((H - 10 - PANEL_H))"
INPUT_LABELS="110x${PANEL_H}+$PANEL_X+$((H - 10 - PANEL_H))"                  # left of the inputs
OUTPUT_LABELS="70x${PANEL_H}+$((PANEL_X + PANEL_W - 70))+$((H - 10 - PANEL_H))" # right of the outputs
LOG="500x80+10+$((H - 90))"

# Line colours of the chart (FitnessChart.h) and of the network's weights (NetworkView.h,
# dimmed towards black for weak weights).
BEST='r > 235 && g >= 125 && g <= 155 && b < 50'
MEAN='b > 235 && g >= 175 && g <= 205 && r >= 55 && r <= 85'
MEDIAN='g > 215 && r >= 155 && r <= 185 && b >= 155 && b <= 185'
POSITIVE='g > 30 && g >= 2 * r && g >= 2 * b'
NEGATIVE='r > 30 && b > 30 && r >= 2 * g && b >= 2 * g'
MIN_LINE=150 MIN_WEIGHT=20 MAX_STRAY=5

# OCR of a part of a panel: its text is white over translucent black, so only light grey
# pixels are kept, as black on white (the coloured lines drop out). <mode>: tesseract's
# page segmentation, 7 for one line, 6 for a block.
ocr_white() {
    local file=$1 geometry=$2 out=$3 mode=$4 work="$XT_TMP/ocr-$(basename "$3" .txt).png"
    timeout 60 convert "$file" -crop "$geometry" +repage \
        -fx '(min(r, min(g, b)) > 140/255 && max(r, max(g, b)) - min(r, min(g, b)) < 40/255) ? 0 : 1' \
        -colorspace Gray -resize 300% "$work" 2>/dev/null &&
        timeout 60 tesseract "$work" - --psm "$mode" >"$out" 2>/dev/null
}

# The newest generation the log reports (0 when none is read): the highest number read
# whose predecessor was read too, since the log lists the last generations one under the
# other; a number misread alone (Generation 4 read as 34) then counts for nothing.
LOG_GENERATION=0
read_log_generation() {
    pic_ocr "$1" "$LOG" "$XT_TMP/log.txt" log || return 1
    LOG_GENERATION=$(grep -Eo 'Generation [0-9]+' "$XT_TMP/log.txt" | awk '{ print $2 }' | sort -n |
        awk 'seen[$1 - 1] { newest = $1 } { seen[$1] = 1 } END { print newest + 0 }')
}

chart_lines() {
    local best mean
    best=$(pic_count "$1" "$PLOT" "$BEST") mean=$(pic_count "$1" "$PLOT" "$MEAN")
    CHART_FIGURES="$best best, $mean mean pixels in the plot"
    ((best >= MIN_LINE && mean >= MIN_LINE))
}
chart_gone() {
    local n
    n=$(pic_count "$1" "$CHART" "$BEST || $MEAN || $MEDIAN")
    CHART_FIGURES="$n pixels in the series' colours in the chart's place"
    ((n <= MAX_STRAY))
}
network_weights() {
    local pos neg
    pos=$(pic_count "$1" "$NETWORK" "$POSITIVE") neg=$(pic_count "$1" "$NETWORK" "$NEGATIVE")
    NETWORK_FIGURES="$pos positive, $neg negative weight pixels"
    ((pos >= MIN_WEIGHT && neg >= MIN_WEIGHT))
}
network_gone() {
    local n
    n=$(pic_count "$1" "$NETWORK" "$POSITIVE || $NEGATIVE")
    NETWORK_FIGURES="$n weight pixels in the network panel's place"
    ((n <= MAX_STRAY))
}

xt_start_xorg
screen=$(xt_screen_size)
[[ $screen == "${W}x${H}" ]] || xt_fail "dummy Xorg screen is $screen, expected ${W}x${H}"
LEFT=$((W / 2 - DIALOG_W / 2)) TOP=$((H / 2 - DIALOG_H / 2))
DIALOG="${DIALOG_W}x$((DIALOG_H - 22))+$LEFT+$((TOP + 22))"

xt_start_app "$XT_BUILD_DIR" chart
xt_wait_window Kinetarium || xt_fail "no visible window named Kinetarium within ${XT_WINDOW_TIMEOUT}s"
dialog_shown() { pic_at_least "$(pic_share "$1" "$DIALOG" "$PIC_GREY")" 0.9; }
xt_poll_screenshot chart-start.png 120 dialog_shown || xt_fail "no parameter dialog (chart-start.png)"
chart_gone "$XT_ARTIFACT_DIR/chart-start.png" || xt_fail "a chart before any run: $CHART_FIGURES"

# Generations of one second, then Start.
xt_click $((LEFT + FIELD_X + FIELD_W / 2)) $((TOP + ROW_TOP + ROW_H / 2))
sleep 0.5
xdotool type --delay 100 1 && xdotool key Return || xt_fail "xdotool cannot type"
sleep 0.5
xt_click $((LEFT + START_X + START_W / 2)) $((TOP + START_Y + START_H / 2))

# 1. Generation 20 on the log: the chart's words and lines.
at_20() {
    read_log_generation "$1" || return 1
    xt_log "$(basename "$1"): the log reports generation $LOG_GENERATION"
    ((LOG_GENERATION >= 20))
}
xt_poll_screenshot chart-20.png 300 at_20 || xt_fail "the log did not report generation 20 (chart-20.png)"
shot=$XT_ARTIFACT_DIR/chart-20.png
convert "$shot" -crop "$CHART" +repage "$XT_ARTIFACT_DIR/chart-20-panel.png"
ocr_white "$shot" "$HEADER" "$XT_ARTIFACT_DIR/chart-ocr.txt" 7 || xt_fail "OCR of the chart failed"
xt_log "OCR of the chart: $(tr -s '\n' '|' <"$XT_ARTIFACT_DIR/chart-ocr.txt")"
for word in Fitness best mean median; do
    grep -qw "$word" "$XT_ARTIFACT_DIR/chart-ocr.txt" || xt_fail "the chart does not read '$word' (chart-20.png)"
done
chart_lines "$shot" || xt_fail "the chart's lines are missing in their colours: $CHART_FIGURES (chart-20.png)"
median=$(pic_count "$shot" "$CHART" "$MEDIAN")
xt_log "chart-20.png: $CHART_FIGURES, $median median pixels in the panel"
((median >= 20)) || xt_fail "no median colour in the chart ($median pixels)"

# 2. Fast mode: the chart's last generation label follows the log, twenty generations on.
xt_click "$BUTTON_X" "$FAST_Y"
target=$((LOG_GENERATION + 20))
chart_follows_log() {
    local axis
    read_log_generation "$1" || return 1
    ocr_white "$1" "$AXIS" "$XT_TMP/axis.txt" 7 || return 1
    axis=$(grep -Eo '[0-9]+' "$XT_TMP/axis.txt" | sort -n | tail -n 1)
    xt_log "$(basename "$1"): log at generation $LOG_GENERATION, the chart's last label ${axis:-none}"
    ((LOG_GENERATION >= target)) && [[ $axis == "$LOG_GENERATION" ]] && chart_lines "$1"
}
xt_poll_screenshot chart-fast.png 300 chart_follows_log ||
    xt_fail "in fast mode the chart does not show the log's latest generation (chart-fast.png)"
xt_click "$BUTTON_X" "$NORMAL_Y"

# 3. Follow best: the network panel with its labels and weights; top-down hides it.
sleep 1
xt_click "$BUTTON_X" "$FOLLOW_Y"
network_shown() { network_weights "$1" && xt_log "$(basename "$1"): $NETWORK_FIGURES"; }
xt_poll_screenshot network.png 120 network_shown || xt_fail "no network panel while following: $NETWORK_FIGURES (network.png)"
convert "$XT_ARTIFACT_DIR/network.png" -crop "$NETWORK" +repage "$XT_ARTIFACT_DIR/network-panel.png"
ocr_white "$XT_ARTIFACT_DIR/network.png" "$INPUT_LABELS" "$XT_ARTIFACT_DIR/network-ocr.txt" 6 &&
    ocr_white "$XT_ARTIFACT_DIR/network.png" "$OUTPUT_LABELS" "$XT_TMP/outputs.txt" 6 &&
    cat "$XT_TMP/outputs.txt" >>"$XT_ARTIFACT_DIR/network-ocr.txt" || xt_fail "OCR of the network panel failed"
xt_log "OCR of the network panel: $(tr -s '\n' '|' <"$XT_ARTIFACT_DIR/network-ocr.txt")"
for label in "left wall" "right wall" "left item" "right item" turn speed; do
    grep -q "$label" "$XT_ARTIFACT_DIR/network-ocr.txt" || xt_fail "the network panel does not read '$label' (network.png)"
done
xt_click "$BUTTON_X" "$TOP_DOWN_Y"
top_down() { network_gone "$1" && chart_lines "$1" && xt_log "$(basename "$1"): $NETWORK_FIGURES, $CHART_FIGURES"; }
xt_poll_screenshot top-down.png 60 top_down || xt_fail "the network panel stays with the top-down camera: $NETWORK_FIGURES"

# 4. The Chart button hides both panels; F2 shows them again.
xt_click "$BUTTON_X" "$FOLLOW_Y"
xt_poll_screenshot following.png 120 network_shown || xt_fail "no network panel after Follow best again: $NETWORK_FIGURES"
xt_click "$BUTTON_X" "$CHART_Y"
both_gone() { chart_gone "$1" && network_gone "$1" && xt_log "$(basename "$1"): $CHART_FIGURES; $NETWORK_FIGURES"; }
xt_poll_screenshot hidden.png 60 both_gone || xt_fail "the Chart button did not hide both panels: $CHART_FIGURES; $NETWORK_FIGURES"
xdotool key F2 || xt_fail "xdotool cannot press F2"
both_back() { chart_lines "$1" && network_weights "$1" && xt_log "$(basename "$1"): $CHART_FIGURES; $NETWORK_FIGURES"; }
xt_poll_screenshot shown-again.png 60 both_back || xt_fail "F2 did not bring both panels back: $CHART_FIGURES; $NETWORK_FIGURES"

# 5. Stop: the dialog comes back, the chart stays, the network panel goes.
xt_click "$BUTTON_X" "$STOP_Y"
stopped() { dialog_shown "$1" && chart_lines "$1" && network_gone "$1"; }
xt_poll_screenshot stopped-chart.png 60 stopped ||
    xt_fail "after Stop the chart is gone or the network panel stays: $CHART_FIGURES; $NETWORK_FIGURES (stopped-chart.png)"

xdotool key Escape || xt_fail "xdotool cannot send Escape"
xt_wait_app_exit
xt_check_no_crash
[[ $XT_APP_STATUS == 0 ]] || xt_fail "kinetarium did not end with status 0 on Escape: $(xt_describe_status "$XT_APP_STATUS")"
xt_pass "chart read back at generation 20 and following the log in fast mode, network panel with its labels while following, both toggled by Chart and F2, chart kept after Stop"
