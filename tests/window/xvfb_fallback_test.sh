#!/usr/bin/env bash
# Plain Xvfb has no VidMode extension, so the engine reads the desktop as 0x0; kinetarium
# must fall back to the X screen's size and open a window that shows the arena.
# Usage: xvfb_fallback_test.sh <path of kinetarium> <build dir>
source "$(dirname "${BASH_SOURCE[0]}")/xserver.sh"
xt_init "$@"

WIDTH=1024
HEIGHT=768
xt_start_xvfb "$WIDTH" "$HEIGHT"

xt_start_app "$XT_BUILD_DIR" arena-xvfb
xt_wait_window Kinetarium || xt_fail "no visible window named Kinetarium within ${XT_WINDOW_TIMEOUT}s"
read -r w h x y <<<"$(xt_window_geometry "$XT_WINDOW")"
xt_log "window $XT_WINDOW: ${w:-?}x${h:-?} at ${x:-?},${y:-?}"
[[ ${w:-} == "$WIDTH" && ${h:-} == "$HEIGHT" ]] ||
    xt_fail "window is ${w:-?}x${h:-?}, expected the X screen size ${WIDTH}x${HEIGHT}"

xt_screenshot_until_arena arena-xvfb.png 10 ||
    xt_fail "screenshot $XT_ARTIFACT_DIR/arena-xvfb.png does not show the arena (black or one colour)"
xt_log "screenshot: $XT_ARTIFACT_DIR/arena-xvfb.png"

kill -TERM "$XT_APP_PID"
xt_wait_app_exit
xt_check_no_crash
[[ $XT_APP_STATUS == 0 ]] ||
    xt_fail "kinetarium did not shut down cleanly on SIGTERM: $(xt_describe_status "$XT_APP_STATUS")"

xt_pass "window ${w}x${h} opened under Xvfb, arena drawn, clean exit"
