#!/usr/bin/env bash
# Inspecting a run in a real window (dummy Xorg, 1280x720), driven with xdotool and read
# back through the program's state report (SIGUSR1 prints it on standard output): P pauses
# (over 90 drawn frames neither the generation clock nor any vehicle moves), N makes
# exactly one step, a click on a vehicle selects it (log line, the camera glides behind it:
# its cyan marker at the screenshot's centre, select.png; the caption over the network
# panel), the Pause button resumes, + (main keyboard) and + (keypad) give "Speed: 4x real
# time." with four steps to each drawn frame and generations ending about four times
# sooner than at 1x, and F1 shows the help (help.png). Escape ends with status 0.
# Usage: inspect_window_test.sh <path of kinetarium> <build dir>
source "$(dirname "${BASH_SOURCE[0]}")/xserver.sh"
source "$(dirname "${BASH_SOURCE[0]}")/pictures.sh"
source "$(dirname "${BASH_SOURCE[0]}")/state.sh"
xt_init "$@"

W=$XT_XORG_WIDTH H=$XT_XORG_HEIGHT
# media/gui.xml: the dialog (704x404, centred), its first box and Start; the run window
# at 10,120 with Pause at 10,164-170,192 inside it.
DIALOG_L=$((W / 2 - 352)) DIALOG_T=$((H / 2 - 202))
TIME_BOX_X=$((DIALOG_L + 196 + 74)) TIME_BOX_Y=$((DIALOG_T + 34 + 12))
START_X=$((DIALOG_L + 16 + 105)) START_Y=$((DIALOG_T + 322 + 15))
PAUSE_X=$((10 + 90)) PAUSE_Y=$((120 + 178))
# The network panel (src/gui/NetworkView.cpp) at 1280x720: 384x216, 10 from the corner;
# the selection's caption sits on a strip just above it (the font's height + 6, 2 above the
# panel); the crop keeps to the strip, as the arena above it confuses the OCR.
PANEL_W=384 PANEL_H=216
PANEL_X=$((W - 10 - PANEL_W)) PANEL_Y=$((H - 10 - PANEL_H))
CAPTION="${PANEL_W}x20+$PANEL_X+$((PANEL_Y - 22))"
STEP=0.033333
MAX_POLLS=3000 # state reports asked for while waiting for one state (a hang guard)

STATE=$XT_TMP/state.txt

places() { sed -n 's/^Vehicle \([0-9]*\): .* place=\([^ ]*\) .*/\1 \2/p' "$STATE"; }
logged() { grep -qxF "Log: $1" "$STATE"; }


xt_start_xorg
xt_start_app "$XT_BUILD_DIR" inspect
xt_wait_window Kinetarium || xt_fail "no visible window named Kinetarium"
sleep 1 # the handler of the report signal is set before the window opens; give it a frame
wait_for "the program's loop" true

# 4-second generations, then Start.
xt_click "$TIME_BOX_X" "$TIME_BOX_Y"
xdotool type --delay 100 4 && xdotool key Return || xt_fail "xdotool cannot type"
xt_click "$START_X" "$START_Y"
running() { (($(field generation) >= 0)) && [[ $(field generation_time) == 4 ]] && (($(field steps) > 30)); }
wait_for "a run of 4 s generations" running

# --- Pause: frames go on, time does not ------------------------------------------------
xdotool key p
paused() { [[ $(field paused) == 1 ]] && logged "Simulation paused."; }
wait_for "Simulation paused." paused
cp "$STATE" "$XT_TMP/paused.txt"
frames0=$(field frames) clock0=$(field clock) steps0=$(field steps)
places >"$XT_TMP/places0.txt"
frames_past() { (($(field frames) >= $1)); }
wait_for "90 frames drawn while paused" frames_past $((frames0 + 90))
places >"$XT_TMP/places1.txt"
xt_log "paused: frames $frames0 -> $(field frames), clock $clock0 -> $(field clock), steps $steps0 -> $(field steps)"
[[ $(field clock) == "$clock0" && $(field steps) == "$steps0" ]] || xt_fail "the generation clock ran while paused"
cmp -s "$XT_TMP/places0.txt" "$XT_TMP/places1.txt" || xt_fail "vehicles moved while paused"
[[ -s $XT_TMP/places0.txt ]] || xt_fail "no vehicles in the state report"

# --- N: exactly one step ---------------------------------------------------------------
xdotool key n
stepped() { (($(field steps) > steps0)); }
wait_for "a step after N" stepped
frames1=$(field frames)
wait_for "30 more frames after the step" frames_past $((frames1 + 30))
xt_log "after N: steps $steps0 -> $(field steps), clock $clock0 -> $(field clock)"
(($(field steps) == steps0 + 1)) || xt_fail "N made $(($(field steps) - steps0)) steps"
awk -v a="$clock0" -v b="$(field clock)" -v s=$STEP 'BEGIN { d = b - a - s; exit !(d < 1e-5 && d > -1e-5 || b < a) }' ||
    xt_fail "the clock went from $clock0 to $(field clock) on one step"
places >"$XT_TMP/places2.txt"
cmp -s "$XT_TMP/places1.txt" "$XT_TMP/places2.txt" && xt_fail "no vehicle moved in the step"

# --- N faster than frames are drawn: still one step per press -----------------------------
for delay in 20 1; do
    steps1=$(field steps)
    xdotool key --delay "$delay" $(printf 'n %.0s' {1..30}) || xt_fail "xdotool cannot press keys"
    thirty() { (($(field steps) >= steps1 + 30)); }
    wait_for "30 steps after 30 presses of N $delay ms apart" thirty
    frames1=$(field frames)
    wait_for "30 more frames after them" frames_past $((frames1 + 30))
    xt_log "30 presses of N $delay ms apart: steps $steps1 -> $(field steps)"
    (($(field steps) == steps1 + 30)) || xt_fail "30 presses of N $delay ms apart made $(($(field steps) - steps1)) steps"
done

# --- Selecting: the vehicle with most room on screen, clear of the windows and panels ---
read -r number sx sy < <(sed -n 's/^Vehicle \([0-9]*\): screen=\([-0-9]*\),\([-0-9]*\) .*/\1 \2 \3/p' "$STATE" |
    awk -v w=$W -v h=$H '{ n[NR] = $1; x[NR] = $2; y[NR] = $3 }
        END { best = -1
              for (i = 1; i <= NR; i++) {
                  if (x[i] < 230 || x[i] > w - 420 || y[i] < 40 || y[i] > h - 110) continue
                  room = 1e9
                  for (j = 1; j <= NR; j++) if (j != i) { d = (x[i]-x[j])^2 + (y[i]-y[j])^2; if (d < room) room = d }
                  if (room > best) { best = room; pick = i }
              }
              if (best > 0) print n[pick], x[pick], y[pick] }')
[[ -n ${number:-} ]] || xt_fail "no vehicle clear of the windows to click"
xt_log "clicking vehicle $number at $sx,$sy"
xt_click "$sx" "$sy"
selected() { [[ $(field selected) == "$number" ]] && logged "Camera is now following vehicle $number."; }
wait_for "Camera is now following vehicle $number." selected
# Paused, the camera still glides behind the vehicle: wait until it looks at it.
behind() {
    local place target
    place=$(sed -n "s/^Vehicle $number: .* place=\([^ ]*\) .*/\1/p" "$STATE")
    target=$(field target)
    awk -v p="$place" -v t="$target" 'BEGIN { split(p, a, ","); split(t, b, ",");
        d = (a[1]-b[1])^2 + (a[2]-b[3])^2; exit !(d < 0.0004) }'
}
wait_for "the camera looking at vehicle $number" behind
read -r cx cy < <(sed -n "s/^Vehicle $number: screen=\([-0-9]*\),\([-0-9]*\) .*/\1 \2/p" "$STATE")
xt_log "vehicle $number is drawn at $cx,$cy"
((cx > W / 2 - 20 && cx < W / 2 + 20 && cy > H / 2 - 20 && cy < H / 2 + 20)) || xt_fail "vehicle $number is not at the screen's centre ($cx,$cy)"
CYAN='r < 80 && g > 200 && b > 200'
marker_shown() {
    local cyan
    cyan=$(pic_count "$1" "160x160+$((W / 2 - 80))+$((H / 2 - 80))" "$CYAN")
    xt_log "$(basename "$1"): $cyan cyan marker pixels around the centre"
    ((cyan >= 20))
}
xt_poll_screenshot select.png 60 marker_shown || xt_fail "no selection marker at the centre (select.png)"
if command -v tesseract >/dev/null; then
    caption_read() {
        # Each scaling misreads some glyphs of this font (a 9 as "S" at 300% unblurred, a
        # "V" as "Y"): the caption counts as read when one of them reads it whole.
        local scaling
        for scaling in "-resize 300% -threshold 50%" "-resize 400% -blur 0x1 -threshold 50%" \
            "-resize 300% -blur 0x1 -threshold 60%"; do
            # shellcheck disable=SC2086
            timeout 60 convert "$1" -crop "$CAPTION" +repage \
                -fx '(min(r, min(g, b)) > 140/255 && max(r, max(g, b)) - min(r, min(g, b)) < 40/255) ? 0 : 1' \
                -colorspace Gray $scaling -bordercolor white -border 30 "$XT_TMP/caption.png" 2>/dev/null &&
                timeout 60 tesseract "$XT_TMP/caption.png" - --psm 7 >"$XT_TMP/caption.txt" 2>/dev/null
            xt_log "caption read ($scaling): $(tr -d '\n' <"$XT_TMP/caption.txt")"
            grep -Eq "[VY]ehicle $number ?[:;.,]? [0-9]+ items" "$XT_TMP/caption.txt" && return 0
        done
        return 1
    }
    xt_poll_screenshot caption.png 60 caption_read || xt_fail "no caption 'Vehicle $number: F items' over the network panel (caption.png)"
else
    xt_log "tesseract not installed: caption not read back"
fi

# --- The Pause button resumes ------------------------------------------------------------
xt_click "$PAUSE_X" "$PAUSE_Y"
resumed() { [[ $(field paused) == 0 ]] && logged "Simulation resumed."; }
wait_for "Simulation resumed." resumed

# --- Speed: generations at 1x, then at 4x ------------------------------------------------
# generation_ms <n>: from the next generation boundary, the program's milliseconds per
# generation over <n> generations, in GENERATION_MS.
past_generation() { (($(field generation) > $1)); }
generation_ms() {
    local n=$1 g t0
    wait_for "a generation boundary" past_generation "$(field generation)"
    g=$(field generation) t0=$(field time_ms)
    wait_for "$n more generations" past_generation $((g + n - 1))
    GENERATION_MS=$((($(field time_ms) - t0) / n))
}
generation_ms 1
one_x=$GENERATION_MS
xt_log "1x: a generation takes $one_x ms"
xdotool key plus
wait_for "Speed: 2x real time." logged "Speed: 2x real time."
xdotool key KP_Add
four() { [[ $(field speed) == 4 ]] && logged "Speed: 4x real time."; }
wait_for "Speed: 4x real time." four
f0=$(field frames) s0=$(field steps) g0=$(field generation)
generation_ms 2
four_x=$GENERATION_MS
xt_log "4x: a generation takes $four_x ms"
dump_state
f1=$(field frames) s1=$(field steps)
xt_log "4x: $((s1 - s0)) steps in $((f1 - f0)) frames"
((s1 - s0 == 4 * (f1 - f0))) || xt_fail "at 4x the frames made $((s1 - s0)) steps in $((f1 - f0)) frames"
awk -v a="$one_x" -v b="$four_x" 'BEGIN { r = a / b; printf "[inspect_window_test] generations end %.2f times sooner at 4x\n", r; exit !(r >= 2.5 && r <= 6) }' ||
    xt_fail "generations at 4x take $four_x ms against $one_x ms at 1x"
[[ $(field selected) == 0 ]] || xt_fail "the selection outlived its generation"

# --- F1: the help ------------------------------------------------------------------------
xdotool key F1
help_shown() {
    local white
    white=$(pic_count "$1" "400x260+$((W / 2 - 200))+$((H / 2 - 130))" 'r > 200 && g > 200 && b > 200')
    xt_log "$(basename "$1"): $white white pixels in the help's place"
    ((white >= 400)) || return 1
    command -v tesseract >/dev/null || return 0
    pic_ocr "$1" "520x300+$((W / 2 - 260))+$((H / 2 - 150))" "$XT_TMP/help.txt"
    xt_log "help read: $(tr -s '\n' '|' <"$XT_TMP/help.txt")"
    grep -q "F2" "$XT_TMP/help.txt" && grep -q "Escape" "$XT_TMP/help.txt" && grep -q "Mouse wheel" "$XT_TMP/help.txt"
}
xt_poll_screenshot help.png 60 help_shown || xt_fail "F1 shows no help (help.png)"

xdotool key Escape
xt_wait_app_exit
xt_check_no_crash
[[ $XT_APP_STATUS == 0 ]] || xt_fail "Escape ended with $(xt_describe_status "$XT_APP_STATUS")"
xt_pass "pause, one step, selection of vehicle $number, 4x speed ($one_x ms against $four_x ms a generation) and the help"
