#!/usr/bin/env bash
# Recording that cannot be done: --record into a "folder" that is a file gives one line
# naming the file and the reason, and the program goes on; a videos folder that cannot be
# used falls back to the population folder, even when R is pressed twice at once; a full
# disk (the temporary file is a link to /dev/full) stops the recording with one line, and
# the program still records afterwards and ends with status 0.
# Usage: record_errors_test.sh <path of kinetarium> <build dir>
source "$(dirname "${BASH_SOURCE[0]}")/xserver.sh"
source "$(dirname "${BASH_SOURCE[0]}")/recording.sh"
xt_init "$@"
command -v ffprobe >/dev/null || xt_fail "ffprobe not installed (scripts/setup.sh installs it)"

export HOME=$XT_TMP/home XDG_CONFIG_HOME=$XT_TMP/config XDG_DATA_HOME=$XT_TMP/data
mkdir -p "$HOME" "$XDG_CONFIG_HOME"
# The videos folder is a file: nothing can be created in it.
echo "XDG_VIDEOS_DIR=\"$XT_TMP/videos-file\"" >"$XDG_CONFIG_HOME/user-dirs.dirs"
: >"$XT_TMP/videos-file"
: >"$XT_TMP/not-a-folder"
bad=$XT_TMP/not-a-folder/clip.mp4

xt_start_xorg
xt_start_app "$XT_BUILD_DIR" record-errors --window --start --record "$bad"
line=$(rec_wait_line '^Cannot record' "$XT_WINDOW_TIMEOUT") || xt_fail "no 'Cannot record' line for $bad"
xt_log "$line"
[[ $line == "Cannot record to $bad: Not a directory." ]] || xt_fail "unexpected line: $line"
xt_wait_window Kinetarium || xt_fail "no window named Kinetarium"

# The program goes on: R records into the population folder. R twice at once (before a
# frame is drawn, most times) still gives a clip with a picture.
xdotool key r r || xt_fail "xdotool cannot press R"
line=$(rec_wait_line "^Recording to $XDG_DATA_HOME/kinetarium/kinetarium-.*\\.mp4\\.\$" 60) ||
    xt_fail "R did not record into the population folder"
clip=${line#Recording to }
clip=${clip%.}
rec_wait_line "^Recording saved to $clip " 60 >/dev/null || xt_fail "the fallback clip was not saved"
[[ $(rec_probe "$clip" codec_name) == h264 ]] || xt_fail "the fallback clip does not play"

xdotool key Escape || xt_fail "xdotool cannot press Escape"
xt_wait_app_exit
[[ $XT_APP_STATUS == 0 ]] || xt_fail "kinetarium ended with $(xt_describe_status "$XT_APP_STATUS")"
count=$(grep -c '^Cannot record\|^Recording' "$XT_APP_STDOUT")
[[ $count == 3 ]] || xt_fail "$count recording lines, wanted the refusal, the start and the saved line"

# A full disk: the temporary name is a link to /dev/full.
full=$XT_TMP/full.mp4
ln -s /dev/full "$full.part"
xt_start_app "$XT_BUILD_DIR" record-full --window --start --record "$full"
# The file's start is written at once, so the disk is found full then, or at the latest
# with the first fragment.
line=$(rec_wait_line "^(Cannot record to $full|Recording to $full stopped): " 180) ||
    xt_fail "a full disk did not stop the recording"
xt_log "$line"
[[ $line == *"No space left on device"* ]] || xt_fail "the line does not give the reason: $line"
[[ $(grep -c "$full" "$XT_APP_STDOUT") == 1 ]] || xt_fail "more than one line for the full disk"
xdotool key r || xt_fail "xdotool cannot press R"
line=$(rec_wait_line "^Recording to $XDG_DATA_HOME/kinetarium/kinetarium-.*\\.mp4\\.\$" 60) ||
    xt_fail "R did not record after the full disk"
after=${line#Recording to }
rec_wait_picture "${after%.}" 120 || xt_fail "no frame written to ${after%.}.part"
xdotool key Escape || xt_fail "xdotool cannot press Escape"
xt_wait_app_exit
xt_check_no_crash
[[ $XT_APP_STATUS == 0 ]] || xt_fail "kinetarium ended with $(xt_describe_status "$XT_APP_STATUS") after the full disk"
grep -q "^Recording saved to $XDG_DATA_HOME/kinetarium/kinetarium-" "$XT_APP_STDOUT" ||
    xt_fail "the clip after the full disk was not finished on Escape"
xt_pass "an unusable folder and a full disk each gave one line; the program went on recording"
