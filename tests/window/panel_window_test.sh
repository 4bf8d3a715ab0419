#!/usr/bin/env bash
# The parameter dialog in a real window (dummy Xorg, 1280x720): at start-up kinetarium
# shows the "Evolution parameters" window centred on the screen, with a readable label
# on each of its ten rows and a value in each control; Escape ends the program with
# status 0. Screenshot: panel.png (and panel-ocr.txt when tesseract is installed).
# Usage: panel_window_test.sh <path of kinetarium> <build dir>
# shellcheck disable=SC2317 # the checks below are called through xt_poll_screenshot
source "$(dirname "${BASH_SOURCE[0]}")/xserver.sh"
source "$(dirname "${BASH_SOURCE[0]}")/pictures.sh"
xt_init "$@"

# The dialog's size in media/gui.xml; the program centres it with integer halves.
DIALOG_W=704
DIALOG_H=404
ROWS=10 ROW_TOP=34 ROW_PITCH=28 ROW_H=24
LABEL_X=16 LABEL_W=174 # label column, inside the dialog
FIELD_X=196 FIELD_W=148 # edit boxes and the selector, inside the dialog
LABELS=("Generation time" "Items in arena" "Population size" "Elite count" "Selection"
    "Crossover rate" "Mutation rate" "Max. perturbation" "Hidden neurons" "Weight range")

xt_start_xorg
screen=$(xt_screen_size)
[[ $screen == "${XT_XORG_WIDTH}x${XT_XORG_HEIGHT}" ]] ||
    xt_fail "dummy Xorg screen is $screen, expected ${XT_XORG_WIDTH}x${XT_XORG_HEIGHT}"
W=$XT_XORG_WIDTH H=$XT_XORG_HEIGHT
LEFT=$((W / 2 - DIALOG_W / 2)) TOP=$((H / 2 - DIALOG_H / 2))
RIGHT=$((LEFT + DIALOG_W - 1)) BOTTOM=$((TOP + DIALOG_H - 1)) # last pixel column and row
DIALOG="${DIALOG_W}x${DIALOG_H}+$LEFT+$TOP"
xt_log "expected dialog: ${DIALOG_W}x${DIALOG_H} at $LEFT,$TOP"

xt_start_app "$XT_BUILD_DIR" panel
xt_wait_window Kinetarium || xt_fail "no visible window named Kinetarium within ${XT_WINDOW_TIMEOUT}s"

# The dialog is drawn in the skin's greys: wait until the computed rectangle is grey and the
# scene is drawn beside it (a window not yet drawn may show any colour, grey included).
dialog_drawn() {
    local grey beside
    grey=$(pic_share "$1" "$DIALOG" "$PIC_GREY")
    beside=$(pic_share "$1" "40x$DIALOG_H+$((LEFT - 60))+$TOP" "$PIC_GREY")
    xt_log "$(basename "$1"): share of skin grey in the dialog's rectangle $grey, beside it $beside"
    pic_at_least "$grey" 0.85 && pic_below "$beside" 0.2
}
xt_poll_screenshot panel.png 120 dialog_drawn ||
    xt_fail "no grey dialog at $DIALOG in $XT_ARTIFACT_DIR/panel.png"
shot=$XT_ARTIFACT_DIR/panel.png
xt_log "screenshot: $shot"

# Centred to the pixel: the two outermost pixel rows and columns of the rectangle are the
# window's grey border, the three just outside it are the arena's floor (not grey).
edges=(
    "left|2x$DIALOG_H+$LEFT+$TOP|3x$DIALOG_H+$((LEFT - 3))+$TOP"
    "right|2x$DIALOG_H+$((RIGHT - 1))+$TOP|3x$DIALOG_H+$((RIGHT + 1))+$TOP"
    "top|${DIALOG_W}x2+$LEFT+$TOP|${DIALOG_W}x3+$LEFT+$((TOP - 3))"
    "bottom|${DIALOG_W}x2+$LEFT+$((BOTTOM - 1))|${DIALOG_W}x3+$LEFT+$((BOTTOM + 1))"
)
for edge in "${edges[@]}"; do
    IFS='|' read -r side inside outside <<<"$edge"
    in_grey=$(pic_share "$shot" "$inside" "$PIC_GREY")
    out_grey=$(pic_share "$shot" "$outside" "$PIC_GREY")
    xt_log "$side edge: grey share $in_grey just inside ($inside), $out_grey just outside ($outside)"
    if ! pic_at_least "$in_grey" 0.99 || ! pic_below "$out_grey" 0.2; then
        xt_fail "the dialog's $side edge is not where centring puts it (grey $in_grey inside, $out_grey outside)"
    fi
done

# Visible text: dark glyph pixels on every label of the label column, and a value in
# each control (black text in the white boxes, inside their 3-pixel frames).
for ((i = 0; i < ROWS; i++)); do
    y=$((TOP + ROW_TOP + i * ROW_PITCH))
    label="${LABEL_W}x$ROW_H+$((LEFT + LABEL_X))+$y"
    field="$((FIELD_W - 6))x$((ROW_H - 6))+$((LEFT + FIELD_X + 3))+$((y + 3))"
    read -r label_dark label_width <<<"$(pic_dark_extent "$shot" "$label")"
    read -r field_dark field_width <<<"$(pic_dark_extent "$shot" "$field")"
    xt_log "row $((i + 1)) (${LABELS[i]}): label $label_dark dark pixels over $label_width columns," \
        "control $field_dark dark pixels over $field_width columns"
    # A label of 9 to 19 characters is some 60 to 150 pixels wide; a dark bar would fill the cell.
    ((label_dark >= 40 && label_width >= 40 && label_dark <= LABEL_W * ROW_H / 3)) ||
        xt_fail "no readable label '${LABELS[i]}' at $label"
    ((field_dark >= 10 && field_dark <= FIELD_W * ROW_H / 3)) ||
        xt_fail "no value shown in the control of row $((i + 1)) at $field"
done
# Nothing dark between the label column and the controls: the labels fit their cells.
gap="$((FIELD_X - LABEL_X - LABEL_W))x$((ROWS * ROW_PITCH))+$((LEFT + LABEL_X + LABEL_W))+$((TOP + ROW_TOP))"
read -r gap_dark _ <<<"$(pic_dark_extent "$shot" "$gap")"
xt_log "dark pixels between labels and controls ($gap): $gap_dark"
((gap_dark == 0)) || xt_fail "text runs into the gap between the labels and the controls ($gap)"

# The labels read back as words (when tesseract is there).
column="${LABEL_W}x$((ROWS * ROW_PITCH - ROW_PITCH + ROW_H))+$((LEFT + LABEL_X))+$((TOP + ROW_TOP))"
pic_ocr "$shot" "$column" "$XT_ARTIFACT_DIR/panel-ocr.txt"
case $? in
    0)
        xt_log "OCR of the label column: $(tr -s '\n' '|' <"$XT_ARTIFACT_DIR/panel-ocr.txt")"
        for label in "${LABELS[@]}"; do
            grep -qF "$label" "$XT_ARTIFACT_DIR/panel-ocr.txt" ||
                xt_fail "OCR does not find '$label' in the label column (see panel-ocr.txt)"
        done
        ;;
    2) xt_log "tesseract not installed: labels not read back" ;;
    *) xt_fail "OCR of the dialog failed" ;;
esac

xt_log "pressing Escape"
xdotool key Escape || xt_fail "xdotool cannot send Escape"
xt_wait_app_exit
xt_check_no_crash
[[ $XT_APP_STATUS == 0 ]] || xt_fail "kinetarium did not end with status 0 on Escape: $(xt_describe_status "$XT_APP_STATUS")"

xt_pass "dialog centred at $LEFT,$TOP (${DIALOG_W}x${DIALOG_H}) with ten labels and values; Escape ended with status 0"
