#!/usr/bin/env bash
# kinetarium --window under plain Xvfb (no VidMode extension, no window manager): a
# 1024x680 window with the arena and the parameter dialog centred in it; resized to 900x700
# the dialog is centred again and the window shows exactly what a window opened at 900x700
# shows (a stretched arena or a dialog left in place would differ); made smaller than the
# smallest usable size it grows back to it; closed as a window manager's close button does
# (WM_DELETE_WINDOW) the program ends with status 0.
# Screenshots: window-900x700.png (the reference), window-1024x680.png, window-resized.png.
# Usage: resizable_window_test.sh <path of kinetarium> <build dir> <path of wm_close>
# shellcheck disable=SC2317 # the checks below are called through xt_poll_screenshot
source "$(dirname "${BASH_SOURCE[0]}")/xserver.sh"
source "$(dirname "${BASH_SOURCE[0]}")/pictures.sh"
xt_init "$1" "$2"
WM_CLOSE=$(readlink -f "${3:-}")
[[ -x $WM_CLOSE ]] || xt_fail "wm_close helper not found: ${3:-<none>}"

# The dialog's size in media/gui.xml; the smallest usable window (ScreenLayout.h).
DIALOG_W=704 DIALOG_H=404
MIN_W=724 MIN_H=584

xt_start_xvfb 1280 1024

# wait_geometry <W> <H>: waits (bounded) until the window has that size.
wait_geometry() {
    local deadline=$((SECONDS + XT_WINDOW_TIMEOUT)) w h
    while :; do
        read -r w h _ _ <<<"$(xt_window_geometry "$XT_WINDOW")"
        [[ ${w:-} == "$1" && ${h:-} == "$2" ]] && return 0
        xt_alive "$XT_APP_PID" || xt_fail "kinetarium ended while its window should become $1x$2"
        ((SECONDS >= deadline)) && xt_fail "window is ${w:-?}x${h:-?}, expected $1x$2"
        sleep 0.2
    done
}

# Set by show_window: the window's size; the screenshots' window part and dialog rectangle.
WIN_W=0 WIN_H=0 WIN_PART="" DIALOG=""
show_window() {
    WIN_W=$1 WIN_H=$2
    WIN_PART="${WIN_W}x${WIN_H}+0+0"
    local left=$((WIN_W / 2 - DIALOG_W / 2)) top=$((WIN_H / 2 - DIALOG_H / 2))
    DIALOG="${DIALOG_W}x${DIALOG_H}+$left+$top"
    xt_log "expected: window $WIN_PART, dialog $DIALOG"
}

# The window drawn at the expected size: the arena (many colours, the left quarter not
# black) and the dialog's rectangle grey, with the floor just outside its left and top edges.
window_drawn() {
    local shot=$1 left top grey outside
    left=${DIALOG#*+} top=${left#*+} left=${left%%+*}
    xt_check_picture "$shot" 0.03 0.03 32 "$WIN_PART" &&
        xt_check_picture "$shot" 0.03 0.02 3 "$((WIN_W / 4))x${WIN_H}+0+0" || return 1
    grey=$(pic_share "$shot" "$DIALOG" "$PIC_GREY")
    outside=$(pic_share "$shot" "3x$DIALOG_H+$((left - 3))+$top" "$PIC_GREY")
    outside=$(awk -v a="$outside" -v b="$(pic_share "$shot" "${DIALOG_W}x3+$left+$((top - 3))" "$PIC_GREY")" \
        'BEGIN { print (a > b ? a : b) }')
    xt_log "$(basename "$shot"): grey share $grey in the dialog's rectangle, at most $outside just outside"
    pic_at_least "$grey" 0.85 && pic_below "$outside" 0.2
}

# The window part identical, within 1 % of its pixels, to the reference picture.
matches_reference() {
    window_drawn "$1" || return 1
    local diff
    diff=$(pic_diff_share "$REFERENCE" "$1" "$WIN_PART")
    xt_log "$(basename "$1"): share of the window's pixels that differ from the reference: $diff"
    pic_below "$diff" 0.01
}

# close_window: sends WM_DELETE_WINDOW and expects status 0.
close_window() {
    "$WM_CLOSE" "$XT_WINDOW" || xt_fail "the window does not take the window manager's close message"
    xt_wait_app_exit
    xt_check_no_crash
    [[ $XT_APP_STATUS == 0 ]] ||
        xt_fail "closing the window did not end kinetarium with status 0: $(xt_describe_status "$XT_APP_STATUS")"
}

# 1. The reference: a window opened at 900x700.
xt_start_app "$XT_BUILD_DIR" window-900x700 --window 900x700
xt_wait_window Kinetarium || xt_fail "no visible window named Kinetarium within ${XT_WINDOW_TIMEOUT}s"
wait_geometry 900 700
show_window 900 700
xt_poll_screenshot window-900x700.png 120 window_drawn ||
    xt_fail "no arena with the dialog at $DIALOG in $XT_ARTIFACT_DIR/window-900x700.png"
REFERENCE=$XT_ARTIFACT_DIR/window-900x700.png
close_window

# 2. A window opened at 1024x680, then resized to 900x700 and below the smallest size.
xt_start_app "$XT_BUILD_DIR" window-1024x680 --window 1024x680
xt_wait_window Kinetarium || xt_fail "no visible window named Kinetarium within ${XT_WINDOW_TIMEOUT}s"
wait_geometry 1024 680
show_window 1024 680
xt_poll_screenshot window-1024x680.png 120 window_drawn ||
    xt_fail "no arena with the dialog at $DIALOG in $XT_ARTIFACT_DIR/window-1024x680.png"

xt_log "resizing the window to 900x700"
xdotool windowsize "$XT_WINDOW" 900 700 || xt_fail "xdotool cannot resize the window"
wait_geometry 900 700
show_window 900 700
xt_poll_screenshot window-resized.png 120 matches_reference ||
    xt_fail "the resized window ($XT_ARTIFACT_DIR/window-resized.png) does not show what a 900x700 window shows"

xt_log "resizing the window to 300x200"
xdotool windowsize "$XT_WINDOW" 300 200 || xt_fail "xdotool cannot resize the window"
wait_geometry "$MIN_W" "$MIN_H"
show_window "$MIN_W" "$MIN_H"
xt_poll_screenshot window-smallest.png 120 window_drawn ||
    xt_fail "no arena with the dialog at $DIALOG in $XT_ARTIFACT_DIR/window-smallest.png"

xt_log "closing the window (WM_DELETE_WINDOW)"
close_window

xt_pass "1024x680 window with the arena and the centred dialog; resized to 900x700 it matches a 900x700 window; held at ${MIN_W}x${MIN_H}; closed with status 0"
