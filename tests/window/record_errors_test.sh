#!/usr/bin/env bash
# Recording that cannot be done, with a user at the window: --record into a "folder" that
# is a file gives one line on standard error naming the file and the reason, and the
# program goes on; a videos folder that cannot be used falls back to the population
# folder, even when R is pressed twice at once; a link at the clip's temporary name is
# refused, not followed (what it points to stays as it was), and the program still records
# afterwards and ends with status 0.
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
line=$(rec_wait_line '^Cannot record' "$XT_WINDOW_TIMEOUT" "$XT_APP_STDERR") ||
    xt_fail "no 'Cannot record' line for $bad on standard error"
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
count=$(grep -c '^Recording' "$XT_APP_STDOUT")
[[ $count == 2 ]] || xt_fail "$count recording lines on standard output, wanted the start and the saved line"
[[ $(grep -c '^Cannot record\|^Recording' "$XT_APP_STDERR") == 1 ]] || xt_fail "more than the refusal on standard error"

# A link at the temporary name (what a killed recording's clip or another user's link may
# be): refused, and the file it points to is not written.
linked=$XT_TMP/linked.mp4
echo "keep me" >"$XT_TMP/victim"
ln -s "$XT_TMP/victim" "$linked.part"
xt_start_app "$XT_BUILD_DIR" record-linked --window --start --record "$linked"
line=$(rec_wait_line "^Cannot record to $linked: " 180 "$XT_APP_STDERR") || xt_fail "the link at $linked.part was not refused"
xt_log "$line"
[[ $line == "Cannot record to $linked: $linked.part is there already"* ]] || xt_fail "the line does not give the reason: $line"
xdotool key r || xt_fail "xdotool cannot press R"
line=$(rec_wait_line "^Recording to $XDG_DATA_HOME/kinetarium/kinetarium-.*\\.mp4\\.\$" 60) ||
    xt_fail "R did not record after the refusal"
after=${line#Recording to }
rec_wait_picture "${after%.}" 120 || xt_fail "no frame written to ${after%.}.part"
xdotool key Escape || xt_fail "xdotool cannot press Escape"
xt_wait_app_exit
xt_check_no_crash
[[ $XT_APP_STATUS == 0 ]] || xt_fail "kinetarium ended with $(xt_describe_status "$XT_APP_STATUS") after the refusal"
grep -q "^Recording saved to $XDG_DATA_HOME/kinetarium/kinetarium-" "$XT_APP_STDOUT" ||
    xt_fail "the clip after the refusal was not finished on Escape"
[[ $(cat "$XT_TMP/victim") == "keep me" && -L $linked.part && ! -e $linked ]] ||
    xt_fail "the link at $linked.part or the file it points to was changed"
xt_pass "an unusable folder and a link at the temporary name each gave one line; the program went on recording"
