#!/usr/bin/env bash
# Damaged installs, with the real windowed program in a dummy X server: each data file
# cut short or replaced by garbage (walls.b3d, vehicle.b3d, ground.b3d, gui.xml, the font
# font.xml and its glyph sheet font1.png), a mesh whose chunk size runs past the end of
# the file, the damage that crashes or hangs the engine (make_test_media's damaged cases:
# broken comments, an ItemCount of another type, TEXS after BRUS, walls whose octree
# splits forever, ...), an empty media folder, a media that is a file, and no media at all.
# Each must end the program by itself, before any window opens, with exactly one line
# starting "Error: " that names the file (or the media folder), a non-zero status and no
# crash. A missing ground.b3d is the one documented fallback: the program runs without a
# floor and ends with status 0 on Escape; so does an animated vehicle of the kind real
# projects ship. (A font.xml cut between two glyphs is no damage to the engine: it reads
# the glyphs before the cut, and the program runs.) With the sanitizer build, no sanitizer
# report either.
# Usage: damaged_media_window_test.sh <path of kinetarium> <build dir>
source "$(dirname "${BASH_SOURCE[0]}")/../window/xserver.sh"
source "$(dirname "${BASH_SOURCE[0]}")/sanitizer_reports.sh"
source "$(dirname "${BASH_SOURCE[0]}")/sanitized_app.sh"
xt_init "$@"

media=$XT_BUILD_DIR/media
for f in walls.b3d vehicle.b3d ground.b3d gui.xml font1/font.xml font1/font1.png; do
    [[ -f $media/$f ]] || xt_fail "the build has no media/$f to begin with"
done

failures=0
case_fail() {
    xt_log "FAIL: $*"
    failures=$((failures + 1))
}

# A fresh copy of the media folder for one case, in $XT_TMP/<name>; prints the directory.
fresh_copy() {
    local dir=$XT_TMP/$1
    rm -rf "$dir"
    mkdir -p "$dir"
    cp -r "$media" "$dir/"
    echo "$dir"
}

# Bytes that are no data file of any kind (a fixed pattern, so every run sees the same).
garbage() {
    local size=$1 out=$2
    head -c "$size" /dev/zero | tr '\0' '\327' >"$out"
    printf 'garbage \001\002\003 <not <xml "' | dd of="$out" bs=1 conv=notrunc status=none
}

# cut_half <file>: keeps the first half.
cut_half() {
    local size
    size=$(stat -c %s "$1")
    truncate -s $((size / 2)) "$1"
}

# run_case <name> <dir> <text the error line must contain>: the program refuses to start.
run_case() {
    local name=$1 dir=$2 expected=$3 errors line
    app_start "$dir" "damaged-$name"
    if ! xt_wait_child "$XT_APP_PID" "$XT_EXIT_TIMEOUT"; then
        case_fail "$name: still running ${XT_EXIT_TIMEOUT}s after start"
        xt_stop_child "$XT_APP_PID" 10
        XT_APP_PID=""
        return
    fi
    XT_APP_STATUS=$XT_STATUS
    XT_APP_PID=""
    errors=$(grep -c '^Error: ' "$XT_APP_STDOUT")
    line=$(grep -m 1 '^Error: ' "$XT_APP_STDOUT")
    xt_log "$name: $(xt_describe_status "$XT_APP_STATUS"): ${line:-<no error line>}"
    ((XT_APP_STATUS != 0)) || case_fail "$name: exit status 0"
    ((XT_APP_STATUS < 128)) || case_fail "$name: did not exit by itself: $(xt_describe_status "$XT_APP_STATUS")"
    ((errors == 1)) || case_fail "$name: $errors lines starting 'Error: ' on standard output, expected 1"
    [[ $line == *"$expected"* ]] || case_fail "$name: the error line does not name '$expected'"
    app_check_clean "$name" || case_fail "$name: sanitizer report (see $XT_APP_STDERR)"
}

xt_start_xorg

dir=$(fresh_copy walls_cut) && cut_half "$dir/media/walls.b3d"
run_case walls_cut "$dir" walls.b3d
dir=$(fresh_copy walls_garbage) && garbage 4571 "$dir/media/walls.b3d"
run_case walls_garbage "$dir" walls.b3d
# A top-level chunk size far beyond the end of the file: the engine's loader would read on forever.
dir=$(fresh_copy walls_size) && printf '\377\377\377\000' | dd of="$dir/media/walls.b3d" bs=1 seek=4 conv=notrunc status=none
run_case walls_size "$dir" walls.b3d
dir=$(fresh_copy vehicle_cut) && cut_half "$dir/media/vehicle.b3d"
run_case vehicle_cut "$dir" vehicle.b3d
dir=$(fresh_copy vehicle_garbage) && cp "$media/font1/font1.png" "$dir/media/vehicle.b3d"
run_case vehicle_garbage "$dir" vehicle.b3d
dir=$(fresh_copy ground_cut) && cut_half "$dir/media/ground.b3d"
run_case ground_cut "$dir" ground.b3d
dir=$(fresh_copy gui_cut) && cut_half "$dir/media/gui.xml"
run_case gui_cut "$dir" gui.xml
dir=$(fresh_copy gui_garbage) && garbage 4096 "$dir/media/gui.xml"
run_case gui_garbage "$dir" gui.xml
dir=$(fresh_copy font_garbage) && garbage 3000 "$dir/media/font1/font.xml"
run_case font_garbage "$dir" font.xml
dir=$(fresh_copy font_image_cut) && cut_half "$dir/media/font1/font1.png"
run_case font_image_cut "$dir" font.xml
dir=$(fresh_copy font_image_garbage) && garbage 8804 "$dir/media/font1/font1.png"
run_case font_image_garbage "$dir" font.xml
dir=$XT_TMP/media_empty && mkdir -p "$dir/media"
run_case media_empty "$dir" walls.b3d
dir=$XT_TMP/media_file && mkdir -p "$dir" && echo "not a folder" >"$dir/media"
run_case media_file "$dir" "media folder"
dir=$XT_TMP/media_none && mkdir -p "$dir"
run_case media_none "$dir" "media folder"

# run_ok_case <name> <dir>: the program opens its window and ends with status 0 on Escape.
run_ok_case() {
    local name=$1 dir=$2
    app_start "$dir" "damaged-$name"
    if xt_wait_window Kinetarium; then
        sleep 2
        xdotool key --window "$XT_WINDOW" Escape 2>/dev/null || xdotool key Escape
        if xt_wait_child "$XT_APP_PID" "$XT_EXIT_TIMEOUT"; then
            XT_APP_STATUS=$XT_STATUS
            xt_log "$name: ran, then $(xt_describe_status "$XT_APP_STATUS") on Escape"
            ((XT_APP_STATUS == 0)) || case_fail "$name: $(xt_describe_status "$XT_APP_STATUS") after Escape"
            grep -q '^Error: ' "$XT_APP_STDOUT" && case_fail "$name: printed an error line"
        else
            case_fail "$name: still running ${XT_EXIT_TIMEOUT}s after Escape"
            xt_stop_child "$XT_APP_PID" 10
        fi
        XT_APP_PID=""
        app_check_clean "$name" || case_fail "$name: sanitizer report (see $XT_APP_STDERR)"
    else
        case_fail "$name: no window within ${XT_WINDOW_TIMEOUT}s"
        xt_stop_child "$XT_APP_PID" 10
        XT_APP_PID=""
    fi
}

# The damage that crashes or hangs the engine itself.
"$XT_BUILD_DIR/tests/make_test_media" "$media" "$XT_TMP/cases" || xt_fail "make_test_media failed"
damaged=0
for dir in "$XT_TMP"/cases/damaged/*/; do
    name=$(basename "$dir")
    case $name in
    walls_*) file=walls.b3d ;; vehicle_*) file=vehicle.b3d ;; gui_*) file=gui.xml ;; *) file=font.xml ;;
    esac
    run_case "$name" "$dir" "$file"
    damaged=$((damaged + 1))
done
((damaged > 0)) || case_fail "make_test_media wrote no damaged cases"

# The fallback: without ground.b3d the arena has no floor, and the program runs.
dir=$(fresh_copy ground_missing) && rm -f "$dir/media/ground.b3d"
run_ok_case ground_missing "$dir"
# A skinned, animated vehicle with a texture and two brushes runs as vehicle.b3d.
run_ok_case vehicle_anim_12_frames "$XT_TMP/cases/accepted/vehicle_anim_12_frames"

((failures == 0)) || xt_fail "$failures check(s) failed"
xt_pass "$((14 + damaged)) damaged installs refused with one error line naming the file; the missing floor and an animated vehicle ran"
