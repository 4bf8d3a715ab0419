#!/usr/bin/env bash
# A SIGTERM that comes while kinetarium is still starting (opening its full-screen device)
# must end it through its own handler, which restores the desktop's video mode: the
# handlers are installed before start-up, and the program exits with status 0.
# Usage: startup_signal_test.sh <path of kinetarium> <build dir>
source "$(dirname "${BASH_SOURCE[0]}")/xserver.sh"
xt_init "$@"

xt_start_xorg
xt_start_app "$XT_BUILD_DIR" startup-signal

# The GL implementation is loaded while the device is being opened, well inside start-up.
deadline=$((SECONDS + XT_WINDOW_TIMEOUT))
until grep -q 'libGLX_mesa' "/proc/$XT_APP_PID/maps" 2>/dev/null; do
    if ! xt_alive "$XT_APP_PID"; then
        xt_wait_app_exit 1
        xt_fail "kinetarium ended ($(xt_describe_status "$XT_APP_STATUS")) before opening its device"
    fi
    ((SECONDS >= deadline)) && xt_fail "kinetarium did not load its GL implementation within ${XT_WINDOW_TIMEOUT}s"
    sleep 0.01
done
caught=$(awk '/^SigCgt:/ { print $2 }' "/proc/$XT_APP_PID/status")
xt_log "sending SIGTERM during start-up (caught signals: $caught)"
kill -TERM "$XT_APP_PID"
(((16#$caught >> 14) & 1)) || xt_fail "SIGTERM came during start-up before its handler was installed"
(((16#$caught >> 1) & 1)) || xt_fail "SIGINT's handler was not installed before start-up"

xt_wait_app_exit
xt_check_no_crash
[[ $XT_APP_STATUS == 0 ]] ||
    xt_fail "kinetarium did not shut down cleanly on SIGTERM during start-up: $(xt_describe_status "$XT_APP_STATUS")"
screen=$(xt_screen_size)
[[ $screen == "${XT_XORG_WIDTH}x${XT_XORG_HEIGHT}" ]] || xt_fail "the screen was left at $screen"

xt_pass "SIGTERM during start-up ended kinetarium with status 0"
