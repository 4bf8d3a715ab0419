# shellcheck shell=bash
# Picture checks for the real-window tests that drive the panel: pixel counts in parts
# of a screenshot, the screen log's lines, OCR, and polling screenshots until a check
# holds. Sourced after xserver.sh.
#
# Colours that the checks rely on (the program's default skin and scene):
# - the panel's windows are drawn in pure greys (R = G = B), with black text;
# - the arena floor is a pale, warm checker (R - B about 35), its walls are bluish
#   (B > R), the ground outside is a light grey with R - B = 5;
# - each vehicle is dark blue with a yellow nose, and its two sensor lines are pure red;
# - the screen log writes translucent black text (alpha 160) over the scene: its glyphs
#   come out as the floor's or the walls' colours darkened to about 37 % (near grey, between
#   40 and 160), unlike the vehicles' blue bodies and their nearly black wheels and windows.
#
# Geometry arguments are ImageMagick crop geometries, WIDTHxHEIGHT+LEFT+TOP, in screen pixels.

# Pixel classes, as awk conditions on r, g, b (0..255), mx = max, mn = min of the three.
# shellcheck disable=SC2034 # used by the tests that source this file
PIC_GREY='mx - mn <= 2'                               # panel skin, its text, white boxes
PIC_DARK='mx < 100'                                   # black panel text
PIC_RED='r > 200 && g < 60 && b < 60'                 # sensor lines
PIC_YELLOW='r > 200 && g > 150 && b < 60'             # vehicle noses
PIC_BLUE='b > r + 40 && b > g && r < 80'              # vehicle bodies
PIC_LOG_TEXT='mx < 160 && mn >= 40 && r - b <= r / 4 + 8 && b - r <= 16' # screen-log glyph

# The awk statements that set r, g, b, mx and mn from a line of pic_pixels.
# shellcheck disable=SC2016 # awk's fields, not the shell's
PIC_RGB='r = $1; g = $2; b = $3
    mx = r; if (g > mx) mx = g; if (b > mx) mx = b
    mn = r; if (g < mn) mn = g; if (b < mn) mn = b'

# pic_pixels <file> <geometry>: one "R G B" line per pixel of that part, row by row.
pic_pixels() {
    timeout 60 convert "$1" -crop "$2" +repage -depth 8 rgb:- 2>/dev/null | od -An -v -tu1 -w3
}

# pic_count <file> <geometry> <condition>: prints how many pixels of the part meet the condition.
pic_count() {
    pic_pixels "$1" "$2" | awk '
        { '"$PIC_RGB"'
          if ('"$3"') n++ }
        END { print n + 0 }'
}

# pic_share <file> <geometry> <condition>: prints the fraction (0..1, three decimals) of
# the part's pixels that meet the condition.
pic_share() {
    local n w h
    n=$(pic_count "$1" "$2" "$3")
    w=${2%%x*}
    h=${2#*x}; h=${h%%+*}
    awk -v n="$n" -v t=$((w * h)) 'BEGIN { printf "%.3f\n", t ? n / t : 0 }'
}

# pic_dark_extent <file> <geometry>: prints "COUNT WIDTH": the number of dark pixels in the
# part and the width of the columns that hold them (0 when there are none).
pic_dark_extent() {
    local w=${2%%x*}
    pic_pixels "$1" "$2" | awk -v w="$w" '
        { x = (NR - 1) % w; '"$PIC_RGB"'
          if ('"$PIC_DARK"') { n++; if (lo == "" || x < lo) lo = x; if (x > hi) hi = x } }
        END { print n + 0, (n ? hi - lo + 1 : 0) }'
}

# pic_log_lines <file> <geometry of the log, 500x80+LEFT+TOP>: for each of the log's five
# 16-pixel lines, top to bottom, prints how many of its twenty 25-pixel wide cells hold
# glyph-like pixels of the log's text (between 3 and 160 of them: a vehicle or an item in
# the cell is either too small or too dense). A line of text covers a cell for every
# 25 pixels of its width: "Evolution started!" about 6, a generation report about 19;
# a vehicle, even close to the camera, covers far fewer.
pic_log_lines() {
    pic_pixels "$1" "$2" | awk '
        { i = NR - 1; x = i % 500; y = int(i / 500); '"$PIC_RGB"'
          if ('"$PIC_LOG_TEXT"') c[int(y / 16), int(x / 25)]++ }
        END { for (l = 0; l < 5; l++) {
                  n = 0
                  for (k = 0; k < 20; k++) if (c[l, k] >= 3 && c[l, k] <= 160) n++
                  printf "%s%d", (l ? " " : ""), n }
              print "" }'
}

# pic_log_text_pixels <file> <geometry>: prints the number of the log text's glyph-like
# pixels in the part.
pic_log_text_pixels() {
    pic_count "$1" "$2" "$PIC_LOG_TEXT"
}

# pic_diff_share <reference file> <file> <geometry>: prints the fraction (0..1, three
# decimals) of the part's pixels that differ between the two pictures by more than 2 %
# (the floor's two checker colours differ by about 5 %).
pic_diff_share() {
    local out n w h
    out=$(timeout 60 compare -metric AE -fuzz 2% -extract "$3" "$1" "$2" null: 2>&1 >/dev/null)
    n=${out%% *}
    [[ $n =~ ^[0-9]+$ ]] || { echo "compare failed: $out" >&2; echo 1.000; return 1; }
    w=${3%%x*}
    h=${3#*x}; h=${h%%+*}
    awk -v n="$n" -v t=$((w * h)) 'BEGIN { printf "%.3f\n", t ? n / t : 0 }'
}

# pic_at_least / pic_below <value> <bound>: numeric comparisons for fractions.
pic_at_least() { awk -v v="$1" -v b="$2" 'BEGIN { exit !(v >= b) }'; }
pic_below() { awk -v v="$1" -v b="$2" 'BEGIN { exit !(v < b) }'; }

# pic_ocr <file> <geometry> <output text file> [log]: reads the part's text with tesseract
# (enlarged twice). With "log" the part is read a second time with only the screen log's
# glyph colours kept, in black on white, so that the 3D scene behind them disturbs the
# reading less; both readings go to the output file, one after the other. Returns 2 when
# tesseract is not installed.
pic_ocr() {
    local file=$1 geometry=$2 out=$3 mode=${4:-} work
    command -v tesseract >/dev/null || return 2
    work="$XT_TMP/ocr-$(basename "$out" .txt)"
    timeout 60 convert "$file" -crop "$geometry" +repage -resize 200% "$work.png" 2>/dev/null &&
        timeout 60 tesseract "$work.png" - --psm 6 >"$out" 2>/dev/null || return 1
    [[ $mode == log ]] || return 0
    timeout 60 convert "$file" -crop "$geometry" +repage \
        -fx 'm = max(r, max(g, b)); n = min(r, min(g, b));
             (m < 160/255 && n >= 40/255 && r - b <= r / 4 + 8/255 && b - r <= 16/255) ? 0 : 1' \
        -colorspace Gray -resize 200% "$work-mask.png" 2>/dev/null &&
        timeout 60 tesseract "$work-mask.png" - --psm 6 >>"$out" 2>/dev/null
}

# xt_poll_screenshot <file name> <seconds> <check command> [arguments...]
# Takes screenshots into the artifact dir until the check command, called with the
# screenshot's path after the given arguments, succeeds; the last screenshot is kept.
# Returns 1 when the time is up; fails at once if the program ends. The bound only
# guards against a hang (llvmpipe draws slowly, so every state is polled for).
xt_poll_screenshot() {
    local name=$1 secs=$2 shot deadline
    shift 2
    deadline=$((SECONDS + secs))
    while :; do
        if [[ -n $XT_APP_PID ]] && ! xt_alive "$XT_APP_PID"; then
            xt_wait_app_exit 1
            xt_fail "kinetarium ended ($(xt_describe_status "$XT_APP_STATUS")) while waiting for $name"
        fi
        if shot=$(xt_screenshot "$name"); then
            "$@" "$shot" && return 0
        else
            xt_log "screenshot $name failed"
        fi
        ((SECONDS >= deadline)) && return 1
        sleep 0.5
    done
}

# xt_click <x> <y>: moves the pointer there and clicks the left button.
xt_click() {
    xdotool mousemove "$1" "$2" || xt_fail "xdotool cannot move the pointer to $1,$2"
    sleep 0.2
    xdotool click 1 || xt_fail "xdotool cannot click at $1,$2"
}
