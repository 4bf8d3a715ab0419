#!/usr/bin/env bash
# kinetarium --start --record FILE, killed with SIGKILL while recording: the clip's
# temporary file (FILE.part) plays, H.264, up to within a second of the kill (the frames
# still queued or being encoded are lost).
# Usage: record_kill_test.sh <path of kinetarium> <build dir>
source "$(dirname "${BASH_SOURCE[0]}")/xserver.sh"
source "$(dirname "${BASH_SOURCE[0]}")/recording.sh"
xt_init "$@"
command -v ffprobe >/dev/null || xt_fail "ffprobe not installed (scripts/setup.sh installs it)"

LOST_AT_MOST=1
clip=$XT_TMP/killed.mp4
xt_start_xorg
xt_start_app "$XT_BUILD_DIR" record-kill --window --start --record "$clip"
rec_wait_line "^Recording to $clip\\.\$" "$XT_WINDOW_TIMEOUT" >/dev/null || xt_fail "no 'Recording to $clip.' line"
t0=$(date +%s.%N)

# Killed once the file holds four seconds.
deadline=$((SECONDS + 180))
while :; do
    held=$(rec_probe "$clip.part" duration 2>/dev/null)
    awk -v d="${held:-0}" 'BEGIN { exit !(d + 0 >= 4) }' && break
    ((SECONDS < deadline)) || xt_fail "$clip.part never held four seconds (last: ${held:-nothing})"
    xt_alive "$XT_APP_PID" || xt_fail "kinetarium ended while recording"
    sleep 0.2
done
kill -KILL "$XT_APP_PID"
killed_at=$(awk -v t="$t0" -v now="$(date +%s.%N)" 'BEGIN { printf "%.2f", now - t }')
xt_wait_app_exit
[[ $XT_APP_STATUS == 137 ]] || xt_fail "kinetarium was not killed: $(xt_describe_status "$XT_APP_STATUS")"

[[ ! -e $clip ]] || xt_fail "$clip appeared although the recording never ended"
# What plays: the frames that decode (the last fragment may be cut off).
codec=$(rec_probe "$clip.part" codec_name 2>/dev/null) frames=$(rec_probe "$clip.part" nb_read_frames 2>/dev/null)
playable=$(awk -v f="${frames:-0}" 'BEGIN { printf "%.2f", f / 30 }')
xt_log "killed ${killed_at}s into the recording; $clip.part: $codec, $frames frames (${playable}s) decode"
[[ $codec == h264 ]] || xt_fail "$clip.part is not an H.264 clip ffprobe can read"
awk -v p="$playable" -v k="$killed_at" -v l=$LOST_AT_MOST 'BEGIN { exit !(p >= k - l) }' ||
    xt_fail "$clip.part plays ${playable}s of the ${killed_at}s recorded"
xt_pass "killed after ${killed_at}s, the temporary clip plays ${playable}s ($frames frames)"
