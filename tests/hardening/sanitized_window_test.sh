#!/usr/bin/env bash
# A full start and stop of the windowed program (the sanitizer build) in the dummy X
# server: the arena and the panel are drawn, an evolution is started from the panel, runs
# in normal and fast mode with the camera following the best vehicle, is stopped and
# started again, and Escape ends the program. It must exit with status 0, and
# AddressSanitizer, UndefinedBehaviorSanitizer and LeakSanitizer (at exit) must report
# nothing. The clicks go to the controls' places in media/gui.xml on a 1280x720 screen.
# Usage: sanitized_window_test.sh <path of kinetarium> <build dir>
source "$(dirname "${BASH_SOURCE[0]}")/../window/xserver.sh"
source "$(dirname "${BASH_SOURCE[0]}")/sanitizer_reports.sh"
source "$(dirname "${BASH_SOURCE[0]}")/sanitized_app.sh"
xt_init "$@"
app_is_sanitized || xt_log "note: $XT_APP is not a sanitizer build; checking its exit only"

# The parameter dialog (704x404) is centred; the run windows sit at the top left.
DIALOG_LEFT=$((XT_XORG_WIDTH / 2 - 704 / 2))
DIALOG_TOP=$((XT_XORG_HEIGHT / 2 - 404 / 2))
START_X=$((DIALOG_LEFT + 16 + 105)) START_Y=$((DIALOG_TOP + 322 + 15))

click() { # click <x> <y> <what>
    xt_log "click $3 at $1,$2"
    xdotool mousemove --window "$XT_WINDOW" "$1" "$2" click 1 2>/dev/null ||
        xt_fail "xdotool could not click $3"
    sleep "${4:-1}"
}

xt_start_xorg
app_start "$XT_BUILD_DIR" sanitized-window
xt_wait_window Kinetarium || xt_fail "no visible window named Kinetarium within ${XT_WINDOW_TIMEOUT}s"
xt_screenshot_until_arena sanitized-window.png 15 || xt_fail "the window does not show the arena"

click "$START_X" "$START_Y" "Start evolution" 4
click 100 86 "Follow best" 2
click 100 162 "Fast mode" 4
click 100 52 "Normal speed" 2
click 100 196 "Stop" 1
click "$START_X" "$START_Y" "Start evolution" 3
xt_screenshot sanitized-window-running.png >/dev/null || xt_log "no screenshot of the run"

xt_log "pressing Escape"
xdotool key --window "$XT_WINDOW" Escape 2>/dev/null || xdotool key Escape
# Leak checking at exit takes a while in a sanitizer build.
xt_wait_app_exit 180
xt_check_no_crash
app_check_clean sanitized-window || xt_fail "sanitizer report (full output in $XT_APP_STDERR)"
[[ $XT_APP_STATUS == 0 ]] || xt_fail "kinetarium did not end cleanly on Escape: $(xt_describe_status "$XT_APP_STATUS")"
xt_pass "started, ran an evolution through the panel in both speeds, stopped, restarted and quit on Escape with status 0 and no sanitizer report"
