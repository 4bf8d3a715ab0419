#!/usr/bin/env bash
# A whole session in a real window (dummy Xorg, 1280x720), driven with xdotool as a user
# would: set the generation time to 2 in the panel, start the evolution, follow the best
# vehicle, switch fast mode on and off, wait for generation reports on the screen log,
# stop, and quit with Escape (status 0). Every state is checked on a screenshot, polled
# for with a bound that only guards against a hang.
# Screenshots: start.png, edit-empty.png, edit-typed.png, running.png, follow.png,
# fast.png, normal.png, log.png, stopped.png (and log-ocr.txt when tesseract is installed).
# Usage: end_to_end_window_test.sh <path of kinetarium> <build dir>
# shellcheck disable=SC2317 # the checks below are called through xt_poll_screenshot
source "$(dirname "${BASH_SOURCE[0]}")/xserver.sh"
source "$(dirname "${BASH_SOURCE[0]}")/pictures.sh"
xt_init "$@"

# Layout of media/gui.xml. The parameter dialog is centred by the program with integer
# halves; the other windows sit at fixed places in the top left corner.
DIALOG_W=704 DIALOG_H=404
FIELD_X=196 FIELD_W=148 ROW_TOP=34 ROW_H=24 # first row: the generation time box
START_X=16 START_W=210 START_Y=322 START_H=30
# Windows at 10,10 (camera, 180x100), 10,120 (run, 180x100) and 10,10 (fast mode, 180x66);
# their buttons are 160x28 at x 10 inside, the first at y 28, the second at y 62.
BUTTON_X=100 # the middle of those buttons
FOLLOW_Y=$((10 + 76)) FAST_Y=$((120 + 42)) STOP_Y=$((120 + 76)) NORMAL_Y=$((10 + 42))
# A window is checked below its title bar, which turns blue while the window has the focus.
TITLE_H=22
CAMERA_WINDOW=180x$((100 - TITLE_H))+10+$((10 + TITLE_H))
RUN_WINDOW=180x$((100 - TITLE_H))+10+$((120 + TITLE_H))
FAST_WINDOW=180x$((66 - TITLE_H))+10+$((10 + TITLE_H))
BELOW_FAST=180x140+10+80 # covered by the camera and run windows, not by the fast-mode one

# What counts as shown: a window's rectangle in the skin's greys, or hidden: mostly not.
SHOWN=0.9 HIDDEN=0.3
# Sensor lines, vehicle noses and bodies in a running arena (20 vehicles give thousands
# of red pixels); and before the start or after the stop none at all.
MIN_RED=500 MIN_YELLOW=50 MIN_BLUE=200 MAX_RED_IDLE=20
# The log holds text on a line when its glyphs cover at least 10 of the line's twenty
# 25-pixel cells (a generation report covers about 19).
MIN_TEXT_CELLS=10 MIN_TEXT_LINES=3

xt_start_xorg
screen=$(xt_screen_size)
[[ $screen == "${XT_XORG_WIDTH}x${XT_XORG_HEIGHT}" ]] ||
    xt_fail "dummy Xorg screen is $screen, expected ${XT_XORG_WIDTH}x${XT_XORG_HEIGHT}"
W=$XT_XORG_WIDTH H=$XT_XORG_HEIGHT
LEFT=$((W / 2 - DIALOG_W / 2)) TOP=$((H / 2 - DIALOG_H / 2))
DIALOG="${DIALOG_W}x$((DIALOG_H - TITLE_H))+$LEFT+$((TOP + TITLE_H))"
TIME_BOX="$((FIELD_W - 6))x$((ROW_H - 6))+$((LEFT + FIELD_X + 3))+$((TOP + ROW_TOP + 3))" # inside its frame
TIME_BOX_X=$((LEFT + FIELD_X + FIELD_W / 2)) TIME_BOX_Y=$((TOP + ROW_TOP + ROW_H / 2))
START_CX=$((LEFT + START_X + START_W / 2)) START_CY=$((TOP + START_Y + START_H / 2))
LOG="500x80+10+$((H - 90))"
SCENE="$((W - 200))x$H+200+0"                                      # right of the small windows
# Right of the dialog and below the fitness chart (30 % of the height, 10 pixels down),
# which a running evolution draws in the top-right corner.
CHART_BOTTOM=$((10 + H * 3 / 10 + 10))
BESIDE="$((W - LEFT - DIALOG_W - 10))x$((H - CHART_BOTTOM))+$((LEFT + DIALOG_W + 10))+$CHART_BOTTOM"

xt_start_app "$XT_BUILD_DIR" end_to_end
xt_wait_window Kinetarium || xt_fail "no visible window named Kinetarium within ${XT_WINDOW_TIMEOUT}s"

# --- checks on one screenshot; each logs its figures and succeeds or not --------------

grey_in() { pic_share "$2" "$1" "$PIC_GREY"; }

# The panel states: which of the dialog, the camera, run and fast-mode windows are drawn.
setup_state() {
    local dialog run
    dialog=$(grey_in "$DIALOG" "$1") run=$(grey_in "$RUN_WINDOW" "$1")
    xt_log "$(basename "$1"): grey share: dialog $dialog, run window $run"
    pic_at_least "$dialog" "$SHOWN" && pic_below "$run" "$HIDDEN"
}
running_state() {
    local dialog camera run
    dialog=$(grey_in "$DIALOG" "$1") camera=$(grey_in "$CAMERA_WINDOW" "$1") run=$(grey_in "$RUN_WINDOW" "$1")
    xt_log "$(basename "$1"): grey share: dialog $dialog, camera window $camera, run window $run"
    pic_below "$dialog" "$HIDDEN" && pic_at_least "$camera" "$SHOWN" && pic_at_least "$run" "$SHOWN"
}
fast_state() {
    local fast below
    fast=$(grey_in "$FAST_WINDOW" "$1") below=$(grey_in "$BELOW_FAST" "$1")
    xt_log "$(basename "$1"): grey share: fast-mode window $fast, below it (camera and run windows' place) $below"
    pic_at_least "$fast" "$SHOWN" && pic_below "$below" "$HIDDEN"
}

# Vehicles in the arena: red sensor lines, yellow noses, blue bodies (right of the windows).
VEHICLE_FIGURES=""
vehicles_shown() {
    local red yellow blue
    red=$(pic_count "$1" "$SCENE" "$PIC_RED")
    yellow=$(pic_count "$1" "$SCENE" "$PIC_YELLOW")
    blue=$(pic_count "$1" "$SCENE" "$PIC_BLUE")
    VEHICLE_FIGURES="$red red, $yellow yellow, $blue blue pixels"
    xt_log "$(basename "$1"): $VEHICLE_FIGURES"
    ((red >= MIN_RED && yellow >= MIN_YELLOW && blue >= MIN_BLUE))
}

# The screen log: lines that hold text, and (with tesseract) the words read back.
LOG_LINES=""
log_has_reports() {
    local lines count=0 n
    lines=$(pic_log_lines "$1" "$LOG")
    LOG_LINES=$lines
    for n in $lines; do ((n >= MIN_TEXT_CELLS)) && ((count++)); done
    xt_log "$(basename "$1"): text cells on the log's five lines: $lines ($count with text)"
    ((count >= MIN_TEXT_LINES)) || return 1
    pic_ocr "$1" "$LOG" "$XT_ARTIFACT_DIR/log-ocr.txt" log
    case $? in
        0)
            xt_log "OCR of the log: $(tr -s '\n' '|' <"$XT_ARTIFACT_DIR/log-ocr.txt")"
            # A vehicle under the log can hide the start or the middle of a line.
            grep -Eq 'Generation [0-9]+|fitness in last generation was [0-9]' "$XT_ARTIFACT_DIR/log-ocr.txt" &&
                return 0
            xt_log "OCR does not read a generation report yet"
            return 1
            ;;
        2) xt_log "tesseract not installed: the log's words are not read back"; return 0 ;;
        *) xt_log "OCR of the log failed"; return 1 ;;
    esac
}

# --- the session ----------------------------------------------------------------------

# 1. Start-up: the dialog, an empty log, no vehicles yet.
panel_ready() { setup_state "$1"; }
xt_poll_screenshot start.png 120 panel_ready || xt_fail "the parameter dialog is not shown at $DIALOG (start.png)"
shot=$XT_ARTIFACT_DIR/start.png
red=$(pic_count "$shot" "$SCENE" "$PIC_RED")
log_pixels=$(pic_log_text_pixels "$shot" "$LOG")
xt_log "start.png: $red red pixels in the arena, $log_pixels text pixels in the log"
((red <= MAX_RED_IDLE)) || xt_fail "red sensor lines before the evolution started ($red red pixels in start.png)"
((log_pixels < 20)) || xt_fail "the screen log is not empty at start-up ($log_pixels text pixels in start.png)"
read -r dark width <<<"$(pic_dark_extent "$shot" "$TIME_BOX")"
xt_log "generation time box: $dark dark pixels over $width columns (20.0)"
((dark >= 10)) || xt_fail "the generation time box shows no value at start-up"

# 2. Click into the generation time box: it is emptied (a caret at most).
xt_log "clicking the generation time box at $TIME_BOX_X,$TIME_BOX_Y"
xt_click "$TIME_BOX_X" "$TIME_BOX_Y"
box_emptied() {
    read -r dark width <<<"$(pic_dark_extent "$1" "$TIME_BOX")"
    xt_log "$(basename "$1"): generation time box: $dark dark pixels over $width columns"
    ((width <= 12))
}
xt_poll_screenshot edit-empty.png 30 box_emptied || xt_fail "the generation time box was not emptied by the click (edit-empty.png)"

# 3. Type 2 and press Enter: the box keeps "2" (a rejected value would bring back "20.0").
xt_log "typing 2 and Enter"
xdotool type --delay 100 2 || xt_fail "xdotool cannot type"
xdotool key Return || xt_fail "xdotool cannot press Enter"
box_holds_2() {
    read -r dark width <<<"$(pic_dark_extent "$1" "$TIME_BOX")"
    xt_log "$(basename "$1"): generation time box: $dark dark pixels over $width columns"
    ((dark >= 10 && width <= 20))
}
xt_poll_screenshot edit-typed.png 30 box_holds_2 || xt_fail "the generation time box does not show the typed 2 (edit-typed.png)"

# 4. Start evolution: the camera and run windows replace the dialog; vehicles drive,
# seen from the same overview as the panel.
xt_log "clicking Start evolution at $START_CX,$START_CY"
xt_click "$START_CX" "$START_CY"
run_started() { running_state "$1" && vehicles_shown "$1"; }
xt_poll_screenshot running.png 120 run_started ||
    xt_fail "no running evolution on screen (running.png): windows or vehicles missing ($VEHICLE_FIGURES)"
overview_diff=$(pic_diff_share "$XT_ARTIFACT_DIR/start.png" "$XT_ARTIFACT_DIR/running.png" "$BESIDE")
xt_log "running.png: share of pixels that differ from start.png beside the dialog: $overview_diff"
pic_below "$overview_diff" 0.15 || xt_fail "running.png is not the overview of start.png (differs by $overview_diff)"

# 5. Follow best: the camera leaves the overview and glides to the best vehicle. The
# sensor lines must be drawn where they are while it glides (the first picture that shows
# the camera away from the overview is taken in the first seconds of the glide).
xt_log "clicking Follow best at $BUTTON_X,$FOLLOW_Y"
xt_click "$BUTTON_X" "$FOLLOW_Y"
camera_moved() {
    local diff
    diff=$(pic_diff_share "$XT_ARTIFACT_DIR/start.png" "$1" "$BESIDE")
    xt_log "$(basename "$1"): share of pixels that differ from the overview beside the dialog: $diff"
    pic_at_least "$diff" 0.3 && running_state "$1"
}
xt_poll_screenshot follow.png 60 camera_moved || xt_fail "the camera did not leave the overview after Follow best (follow.png)"
vehicles_shown "$XT_ARTIFACT_DIR/follow.png" ||
    xt_fail "vehicles or their sensor lines missing while the camera glides (follow.png: $VEHICLE_FIGURES)"

# 6. Fast mode: only the fast-mode window is shown. A few seconds later, back to normal speed.
xt_log "clicking Fast mode at $BUTTON_X,$FAST_Y"
xt_click "$BUTTON_X" "$FAST_Y"
xt_poll_screenshot fast.png 60 fast_state || xt_fail "the fast-mode window did not replace the camera and run windows (fast.png)"
sleep 3
xt_log "clicking Normal speed at $BUTTON_X,$NORMAL_Y"
xt_click "$BUTTON_X" "$NORMAL_Y"
xt_poll_screenshot normal.png 60 running_state || xt_fail "the camera and run windows did not come back after Normal speed (normal.png)"

# 7. Generation reports on the screen log (two-second generations).
xt_poll_screenshot log.png 180 log_has_reports ||
    xt_fail "no generation reports on the screen log at $LOG (log.png; text cells per line: $LOG_LINES)"

# 8. Stop: the dialog comes back, the log is emptied, the vehicles are gone.
xt_log "clicking Stop at $BUTTON_X,$STOP_Y"
xt_click "$BUTTON_X" "$STOP_Y"
stopped() {
    local red log_pixels
    setup_state "$1" || return 1
    red=$(pic_count "$1" "$SCENE" "$PIC_RED")
    log_pixels=$(pic_log_text_pixels "$1" "$LOG")
    xt_log "$(basename "$1"): $red red pixels in the arena, $log_pixels text pixels in the log"
    ((red <= MAX_RED_IDLE && log_pixels < 20))
}
xt_poll_screenshot stopped.png 60 stopped ||
    xt_fail "after Stop the dialog is not back, or the log or the vehicles are still shown (stopped.png)"

# 9. Escape ends the program.
xt_log "pressing Escape"
xdotool key Escape || xt_fail "xdotool cannot send Escape"
xt_wait_app_exit
xt_check_no_crash
[[ $XT_APP_STATUS == 0 ]] || xt_fail "kinetarium did not end with status 0 on Escape: $(xt_describe_status "$XT_APP_STATUS")"

xt_pass "panel edit, start, follow camera, fast mode and back, generation reports, stop and Escape all shown on screen; status 0"
