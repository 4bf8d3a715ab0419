#!/usr/bin/env bash
# Recording in a real window (dummy Xorg, full screen 1280x720), started with --start:
# R records about 5 s into the videos folder named by user-dirs.dirs; the clip is H.264
# at the window's size and 30 frames a second and lasts as long as the saved line says;
# a frame from its middle shows the arena and matches a screenshot taken at that moment
# (PSNR); the Record button reads "Stop recording" meanwhile. Then the Record button
# starts a second clip and Escape ends the program, which finishes that clip first.
# Usage: record_window_test.sh <path of kinetarium> <build dir>
source "$(dirname "${BASH_SOURCE[0]}")/xserver.sh"
source "$(dirname "${BASH_SOURCE[0]}")/pictures.sh"
source "$(dirname "${BASH_SOURCE[0]}")/recording.sh"
xt_init "$@"
for tool in ffprobe ffmpeg compare tesseract; do
    command -v $tool >/dev/null || xt_fail "$tool not installed (scripts/setup.sh installs it)"
done

W=$XT_XORG_WIDTH H=$XT_XORG_HEIGHT
RECORD_SECONDS=5
MIN_PSNR=25
# The Record button: the run window at 10,120, the button at 10,228 in it, 160x28.
RECORD_BUTTON="160x28+20+348"

# The clips go to the videos folder that user-dirs.dirs names.
export HOME=$XT_TMP/home XDG_CONFIG_HOME=$XT_TMP/config XDG_DATA_HOME=$XT_TMP/data
mkdir -p "$HOME" "$XDG_CONFIG_HOME"
# shellcheck disable=SC2016 # $HOME is for the program to expand
echo 'XDG_VIDEOS_DIR="$HOME/Clips"' >"$XDG_CONFIG_HOME/user-dirs.dirs"
VIDEOS=$HOME/Clips

xt_start_xorg
xt_start_app "$XT_BUILD_DIR" record --start
xt_wait_window Kinetarium || xt_fail "no visible window named Kinetarium within ${XT_WINDOW_TIMEOUT}s"
xt_screenshot_until_arena record-before.png 60 || xt_fail "the arena never showed (record-before.png)"

# 1. R: about five seconds, a screenshot in the middle.
xdotool key r || xt_fail "xdotool cannot press R"
started=$(rec_wait_line '^Recording to .*\.$' 60) || xt_fail "no 'Recording to' line after R"
t0=$(date +%s.%N)
xt_log "$started"
clip=${started#Recording to }
clip=${clip%.}
[[ $clip =~ ^$VIDEOS/kinetarium-[0-9]{8}-[0-9]{6}\.mp4$ ]] || xt_fail "the clip is not named as expected in $VIDEOS: $clip"
sleep $((RECORD_SECONDS / 2))
shot_start=$(date +%s.%N)
shot=$(xt_screenshot record-middle.png) || xt_fail "no screenshot while recording"
shot_end=$(date +%s.%N)
# import grabs the screen at some moment between these two.
shot_from=$(awk -v a="$shot_start" -v t="$t0" 'BEGIN { printf "%.2f", a - t - 0.1 }')
shot_span=$(awk -v a="$shot_start" -v b="$shot_end" 'BEGIN { printf "%.2f", b - a + 0.2 }')
xt_log "screenshot taken within ${shot_span}s from ${shot_from}s into the recording"
until awk -v t="$t0" -v now="$(date +%s.%N)" -v s=$RECORD_SECONDS 'BEGIN { exit !(now - t >= s) }'; do
    sleep 0.05
done
xdotool key r || xt_fail "xdotool cannot press R"
saved=$(rec_wait_line '^Recording saved to ' 120) || xt_fail "no 'Recording saved to' line after the second R"
xt_log "$saved"
[[ $saved =~ ^Recording\ saved\ to\ (.*)\ \(([0-9.]+)\ s,\ ([0-9]+)\ frames(,\ ([0-9]+)\ dropped)?\)\.$ ]] ||
    xt_fail "the saved line is not as expected: $saved"
[[ ${BASH_REMATCH[1]} == "$clip" ]] || xt_fail "saved to ${BASH_REMATCH[1]}, announced $clip"
seconds=${BASH_REMATCH[2]} frames=${BASH_REMATCH[3]}
[[ -s $clip ]] || xt_fail "no clip at $clip"
[[ ! -e $clip.part ]] || xt_fail "the temporary $clip.part is still there"

# 2. What ffprobe reads.
codec=$(rec_probe "$clip" codec_name) size="$(rec_probe "$clip" width)x$(rec_probe "$clip" height)"
rate=$(rec_probe "$clip" r_frame_rate) pixels=$(rec_probe "$clip" pix_fmt)
duration=$(rec_probe "$clip" duration) counted=$(rec_probe "$clip" nb_read_frames)
xt_log "ffprobe: $codec, $size, $rate frames/s, $pixels, ${duration}s, $counted frames; the program said ${seconds}s, $frames frames"
[[ $codec == h264 ]] || xt_fail "the clip is $codec, not h264"
[[ $size == "${W}x${H}" ]] || xt_fail "the clip is $size, the window ${W}x${H}"
[[ $rate == 30/1 ]] || xt_fail "the clip runs at $rate frames a second, not 30"
[[ $pixels == yuv420p ]] || xt_fail "the clip's pixels are $pixels, not yuv420p"
awk -v d="$duration" -v s="$seconds" 'BEGIN { exit !(d >= 0.9 * s && d <= 1.1 * s) }' ||
    xt_fail "the clip lasts ${duration}s, the recording ${seconds}s"
awk -v s="$seconds" 'BEGIN { exit !(s >= 0.9 * '$RECORD_SECONDS') }' || xt_fail "only ${seconds}s recorded"
[[ $counted == "$frames" ]] || xt_fail "the clip holds $counted frames, the program said $frames"

# 3. The middle frame: the arena, and the screen as it was. The vehicles move, so of the
# clip's frames from while the screenshot was taken the one closest to it is compared.
frames_dir=$XT_TMP/frames
mkdir -p "$frames_dir"
timeout 300 ffmpeg -v error -y -ss "$shot_from" -t "$shot_span" -i "$clip" "$frames_dir/%03d.png" &&
    [[ -s $frames_dir/001.png ]] || xt_fail "cannot take frames at ${shot_from}s from the clip"
psnr=0 frame=""
for candidate in "$frames_dir"/*.png; do
    value=$(timeout 120 compare -metric PSNR "$shot" "$candidate" null: 2>&1 | awk '{ print $1 + 0 }')
    if awk -v v="$value" -v p="$psnr" 'BEGIN { exit !(v > p) }'; then
        psnr=$value frame=$candidate
    fi
done
xt_log "$(find "$frames_dir" -name '*.png' | wc -l) frames compared; the closest, $(basename "$frame"): PSNR $psnr dB"
cp "$frame" "$XT_ARTIFACT_DIR/record-frame.png"
frame=$XT_ARTIFACT_DIR/record-frame.png
xt_check_picture "$frame" 0.03 0.03 32 || xt_fail "the clip's frame does not show the arena (record-frame.png)"
floor=$(pic_share "$frame" "${W}x${H}+0+0" "$REC_FLOOR")
xt_log "floor colour in $floor of the frame"
pic_at_least "$floor" 0.05 || xt_fail "the floor's colour is missing from the clip's frame (record-frame.png)"
awk -v p="$psnr" -v m=$MIN_PSNR 'BEGIN { exit !(p >= m) }' ||
    xt_fail "the clip's frame differs from the screenshot: PSNR $psnr dB, wanted >= $MIN_PSNR"
# The button's black text over its grey gradient, thresholded for OCR ("Record" has no
# "recording"; the font's "o" is at times read as "e").
timeout 60 convert "$shot" -crop "$RECORD_BUTTON" +repage -colorspace Gray -threshold 50% -resize 300% \
    "$XT_TMP/button.png" && timeout 60 tesseract "$XT_TMP/button.png" - --psm 7 >"$XT_TMP/button.txt" 2>/dev/null ||
    xt_fail "cannot read the Record button"
grep -Eq 'St.p recording' "$XT_TMP/button.txt" ||
    xt_fail "the Record button reads '$(tr '\n' ' ' <"$XT_TMP/button.txt")' while recording"

# 4. The Record button, then Escape while recording.
xt_click 100 362
second=$(rec_wait_line "^Recording to $VIDEOS/.*\\.mp4\\.\$" 60) || xt_fail "the Record button did not start a clip"
second=${second#Recording to }
second=${second%.}
[[ $second != "$clip" ]] || xt_fail "the second clip was named like the first"
rec_wait_picture "$second" 120 || xt_fail "no frame written to $second.part"
xdotool key Escape || xt_fail "xdotool cannot press Escape"
xt_wait_app_exit
xt_check_no_crash
[[ $XT_APP_STATUS == 0 ]] || xt_fail "Escape ended kinetarium with $(xt_describe_status "$XT_APP_STATUS")"
grep -q "^Recording saved to $second (" "$XT_APP_STDOUT" || xt_fail "Escape did not finish the second clip"
[[ $(rec_probe "$second" codec_name) == h264 ]] || xt_fail "the clip finished on Escape does not play"

xt_pass "a ${seconds}s clip ($codec, $size, $rate, ${duration}s) matched the screen at ${psnr} dB; Escape finished a second clip"
