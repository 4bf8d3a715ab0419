#!/usr/bin/env bash
# Without an X display kinetarium must say so on one "Error: " line and exit non-zero.
# Usage: no_display_test.sh <path of kinetarium> <build dir>
source "$(dirname "${BASH_SOURCE[0]}")/xserver.sh"
xt_init "$@"

unset DISPLAY WAYLAND_DISPLAY
xt_start_app "$XT_BUILD_DIR" no-display
xt_wait_app_exit
xt_check_no_crash

errors=$(cat "$XT_APP_STDOUT" "$XT_APP_STDERR" | grep -c '^Error: ')
[[ $errors == 1 ]] || xt_fail "expected exactly one line starting 'Error: ', found $errors"
xt_log "error line: $(cat "$XT_APP_STDOUT" "$XT_APP_STDERR" | grep '^Error: ')"
[[ $XT_APP_STATUS != 0 ]] || xt_fail "kinetarium exited with status 0 without a display"
((XT_APP_STATUS < 128)) || xt_fail "kinetarium did not exit by itself: $(xt_describe_status "$XT_APP_STATUS")"

xt_pass "one error line, exit status $XT_APP_STATUS"
