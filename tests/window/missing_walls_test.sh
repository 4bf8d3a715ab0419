#!/usr/bin/env bash
# With media/walls.b3d missing, kinetarium must print one "Error: " line on standard
# output that names the file and where it was looked for, and exit non-zero without crashing.
# Usage: missing_walls_test.sh <path of kinetarium> <build dir>
source "$(dirname "${BASH_SOURCE[0]}")/xserver.sh"
xt_init "$@"

[[ -f $XT_BUILD_DIR/media/walls.b3d ]] || xt_fail "the build has no media/walls.b3d to begin with"
workdir="$XT_TMP/run"
mkdir -p "$workdir"
cp -r "$XT_BUILD_DIR/media" "$workdir/"
rm -f "$workdir/media/walls.b3d"

xt_start_xorg
xt_start_app "$workdir" missing-walls
xt_wait_app_exit
xt_check_no_crash

errors=$(grep -c '^Error: ' "$XT_APP_STDOUT")
[[ $errors == 1 ]] || xt_fail "expected exactly one line starting 'Error: ' on standard output, found $errors"
line=$(grep '^Error: ' "$XT_APP_STDOUT")
xt_log "error line: $line"
[[ $line == *walls.b3d* ]] || xt_fail "the error line does not name walls.b3d"
[[ $line == *media* ]] || xt_fail "the error line does not say where walls.b3d was looked for (the media folder)"
[[ $XT_APP_STATUS != 0 ]] || xt_fail "kinetarium exited with status 0 although walls.b3d is missing"
((XT_APP_STATUS < 128)) || xt_fail "kinetarium did not exit by itself: $(xt_describe_status "$XT_APP_STATUS")"

xt_pass "one error line naming walls.b3d, exit status $XT_APP_STATUS"
