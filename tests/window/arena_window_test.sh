#!/usr/bin/env bash
# Real window on Xorg with the dummy driver (1280x720, with the VidMode extension):
# kinetarium must open a full-screen window, show the lit arena and end cleanly on SIGTERM.
# Usage: arena_window_test.sh <path of kinetarium> <build dir>
source "$(dirname "${BASH_SOURCE[0]}")/xserver.sh"
xt_init "$@"

xt_start_xorg
screen=$(xt_screen_size)
[[ $screen == "${XT_XORG_WIDTH}x${XT_XORG_HEIGHT}" ]] ||
    xt_fail "dummy Xorg screen is $screen, expected ${XT_XORG_WIDTH}x${XT_XORG_HEIGHT}"

xt_start_app "$XT_BUILD_DIR" arena
xt_wait_window Kinetarium || xt_fail "no visible window named Kinetarium within ${XT_WINDOW_TIMEOUT}s"
xt_log "window $XT_WINDOW"

read -r w h x y <<<"$(xt_window_geometry "$XT_WINDOW")"
xt_log "window geometry ${w:-?}x${h:-?} at ${x:-?},${y:-?}"
[[ ${w:-} == "$XT_XORG_WIDTH" && ${h:-} == "$XT_XORG_HEIGHT" && ${x:-} == 0 && ${y:-} == 0 ]] ||
    xt_fail "window is ${w:-?}x${h:-?} at ${x:-?},${y:-?}, expected the whole screen ${XT_XORG_WIDTH}x${XT_XORG_HEIGHT} at 0,0"

xt_screenshot_until_arena arena.png 10 ||
    xt_fail "screenshot $XT_ARTIFACT_DIR/arena.png does not show the arena (black or one colour)"
xt_log "screenshot: $XT_ARTIFACT_DIR/arena.png"

xt_log "sending SIGTERM"
kill -TERM "$XT_APP_PID"
xt_wait_app_exit
xt_check_no_crash
[[ $XT_APP_STATUS == 0 ]] ||
    xt_fail "kinetarium did not shut down cleanly on SIGTERM: $(xt_describe_status "$XT_APP_STATUS")"

xt_pass "full-screen ${w}x${h} window showed the arena and exited with status 0 on SIGTERM"
