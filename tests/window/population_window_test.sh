#!/usr/bin/env bash
# Population files in a real window (dummy Xorg, 1280x720), driven with xdotool:
# `kinetarium --load FILE` fills the panel with a run saved by kinetarium-batch; Start
# continues it; Save population on the running evolution writes a file to
# $XDG_DATA_HOME/kinetarium; Stop; Load population picks that file in the engine's file
# dialog (the list's last entry, with End, then OK); Start; a later save holds the loaded
# file's history followed by new generations: the run went on from that generation.
# States are waited for (files written, lines printed, windows on screenshots), never times.
# Screenshots: pop-loaded.png, pop-running.png, pop-stopped.png, pop-dialog.png, pop-selected.png,
# pop-resumed.png.
# Usage: population_window_test.sh <path of kinetarium> <build dir>
# shellcheck disable=SC2317 # the checks below are called through xt_poll_screenshot
source "$(dirname "${BASH_SOURCE[0]}")/xserver.sh"
source "$(dirname "${BASH_SOURCE[0]}")/pictures.sh"
xt_init "$@"

DIALOG_W=704 DIALOG_H=404 TITLE_H=22
START_X=16 START_W=210 START_Y=322 LOAD_Y=358 BUTTON_H=30
BUTTON_X=100 STOP_Y=$((120 + 76)) SAVE_Y=$((120 + 144)) # in the run window at 10,120
RUN_WINDOW=180x$((168 - TITLE_H))+10+$((120 + TITLE_H))
FILE_DIALOG_W=350 FILE_DIALOG_H=250 # the engine's file dialog, centred on the screen
SHOWN=0.9 HIDDEN=0.3

xt_start_xorg
W=$XT_XORG_WIDTH H=$XT_XORG_HEIGHT
LEFT=$((W / 2 - DIALOG_W / 2)) TOP=$((H / 2 - DIALOG_H / 2))
DIALOG="${DIALOG_W}x$((DIALOG_H - TITLE_H))+$LEFT+$((TOP + TITLE_H))"
START_CX=$((LEFT + START_X + START_W / 2)) START_CY=$((TOP + START_Y + BUTTON_H / 2))
LOAD_CY=$((TOP + LOAD_Y + BUTTON_H / 2))
FD_LEFT=$(((W - FILE_DIALOG_W) / 2)) FD_TOP=$(((H - FILE_DIALOG_H) / 2))
FILE_DIALOG="$((FILE_DIALOG_W - 20))x$((FILE_DIALOG_H - 40))+$((FD_LEFT + 10))+$((FD_TOP + 30))"
LIST_X=$((FD_LEFT + 100)) LIST_Y=$((FD_TOP + 150))
OK_X=$((FD_LEFT + FILE_DIALOG_W - 45)) OK_Y=$((FD_TOP + 40))

# A saved run of kinetarium-batch with two-second generations.
batch=$(dirname "$XT_APP")/kinetarium-batch
(cd "$XT_BUILD_DIR" && "$batch" --generations 1 --generation-time 2 --seed 9 --save "$XT_TMP/start.json") \
    >"$XT_ARTIFACT_DIR/pop-batch.out" 2>&1 || xt_fail "kinetarium-batch could not save a population"
export XDG_DATA_HOME=$XT_TMP/data
SAVED=$XDG_DATA_HOME/kinetarium

grey_in() { pic_share "$2" "$1" "$PIC_GREY"; }
setup_state() {
    local dialog run
    dialog=$(grey_in "$DIALOG" "$1") run=$(grey_in "$RUN_WINDOW" "$1")
    xt_log "$(basename "$1"): grey share: dialog $dialog, run window $run"
    pic_at_least "$dialog" "$SHOWN" && pic_below "$run" "$HIDDEN"
}
running_state() {
    local dialog run
    dialog=$(grey_in "$DIALOG" "$1") run=$(grey_in "$RUN_WINDOW" "$1")
    xt_log "$(basename "$1"): grey share: dialog $dialog, run window $run"
    pic_below "$dialog" "$HIDDEN" && pic_at_least "$run" "$SHOWN"
}
file_dialog_shown() {
    local share
    share=$(grey_in "$FILE_DIALOG" "$1")
    xt_log "$(basename "$1"): grey share in the file dialog's place: $share"
    pic_at_least "$share" 0.5
}
# wait_for_output <regex> <seconds>: until the program has printed a matching line.
wait_for_output() {
    local deadline=$((SECONDS + $2))
    until grep -Eq "$1" "$XT_APP_STDOUT"; do
        xt_alive "$XT_APP_PID" || xt_fail "kinetarium ended while waiting for '$1'"
        ((SECONDS >= deadline)) && return 1
        sleep 0.5
    done
}
generation_of() { sed -n 's/^ "generation": \([0-9]*\),$/\1/p' "$1"; }
# The history block of a file: one line per value.
history_of() { sed -n '/^ "history": \[/,/^ \],$/p' "$1" | grep -E '"(best|mean|median)"'; }
# save_until <generation>: clicks Save population until a file past that generation is written.
save_until() {
    local deadline=$((SECONDS + 120)) newest
    while :; do
        xt_click "$BUTTON_X" "$SAVE_Y"
        wait_for_output "^Population saved to " 30 || xt_fail "no 'Population saved to' line after Save population"
        newest=$(grep '^Population saved to ' "$XT_APP_STDOUT" | tail -n 1 | sed 's/^Population saved to //')
        [[ -f $newest ]] || xt_fail "the saved file $newest does not exist"
        if (($(generation_of "$newest") > $1)); then
            SAVED_FILE=$newest
            return 0
        fi
        ((SECONDS >= deadline)) && xt_fail "no generation after $1 was saved within 120 s"
        sleep 1
    done
}

# 1. kinetarium --load: the loaded line, then Start continues the batch's run.
xt_start_app "$XT_BUILD_DIR" population --load "$XT_TMP/start.json"
xt_wait_window Kinetarium || xt_fail "no visible window named Kinetarium within ${XT_WINDOW_TIMEOUT}s"
wait_for_output "^Loaded population of 20 vehicles from $XT_TMP/start.json \(generation 1\)$" 60 ||
    xt_fail "no loaded line for --load: $(cat "$XT_APP_STDOUT")"
xt_poll_screenshot pop-loaded.png 120 setup_state || xt_fail "the parameter dialog is not shown (pop-loaded.png)"
xt_click "$START_CX" "$START_CY"
xt_poll_screenshot pop-running.png 120 running_state || xt_fail "no run window after Start (pop-running.png)"

# 2. Save population while it runs, once a generation has ended in the window.
save_until 1
FIRST=$SAVED_FILE
G=$(generation_of "$FIRST")
xt_log "saved $FIRST at generation $G"
[[ $(history_of "$FIRST" | head -n 3) == $(history_of "$XT_TMP/start.json") ]] ||
    xt_fail "the saved run does not begin with the batch run's generation 1"

# 3. Stop, Load population through the file dialog: the last file in the list is the newest.
xt_click "$BUTTON_X" "$STOP_Y"
xt_poll_screenshot pop-stopped.png 60 setup_state || xt_fail "the dialog did not come back after Stop (pop-stopped.png)"
xt_click "$START_CX" "$LOAD_CY"
xt_poll_screenshot pop-dialog.png 60 file_dialog_shown || xt_fail "no file dialog after Load population (pop-dialog.png)"
loaded_before=$(grep -c '^Loaded population' "$XT_APP_STDOUT")
xt_click "$LIST_X" "$LIST_Y"
xdotool key End || xt_fail "xdotool cannot press End"
last_selected() { # the list's selection bar (the skin's dark blue) on its last entry, not on its first
    local first last
    first=$(pic_count "$1" "200x16+$((FD_LEFT + 12))+$((FD_TOP + 57))" "$PIC_BLUE")
    last=$(pic_count "$1" "200x$((FILE_DIALOG_H - 120))+$((FD_LEFT + 12))+$((FD_TOP + 77))" "$PIC_BLUE")
    xt_log "$(basename "$1"): selection pixels: first entry $first, below it $last"
    ((last > 500 && first < 100))
}
xt_poll_screenshot pop-selected.png 30 last_selected || xt_log "the selection is not seen on pop-selected.png"
xt_click "$OK_X" "$OK_Y"
deadline=$((SECONDS + 30))
until (($(grep -c '^Loaded population' "$XT_APP_STDOUT") > loaded_before)); do
    ((SECONDS >= deadline)) && xt_fail "no file was loaded from the dialog: $(tail -n 3 "$XT_APP_STDOUT")"
    sleep 0.5
done
loaded=$(grep '^Loaded population' "$XT_APP_STDOUT" | tail -n 1)
[[ $loaded == "Loaded population of 20 vehicles from $FIRST (generation $G)" ]] ||
    xt_fail "unexpected loaded line: '$loaded' (expected the file $FIRST at generation $G)"

# 4. Start: the run goes on from generation G; a later save keeps its history and adds to it.
xt_click "$START_CX" "$START_CY"
xt_poll_screenshot pop-resumed.png 120 running_state || xt_fail "no run window after Start (pop-resumed.png)"
save_until "$G"
LATER=$SAVED_FILE
xt_log "saved $LATER at generation $(generation_of "$LATER")"
[[ $(history_of "$LATER" | head -n $((3 * G))) == $(history_of "$FIRST") ]] ||
    xt_fail "the continued run's history does not start with the loaded file's $G generations"

xdotool key Escape || xt_fail "xdotool cannot send Escape"
xt_wait_app_exit
xt_check_no_crash
[[ $XT_APP_STATUS == 0 ]] || xt_fail "kinetarium did not end with status 0: $(xt_describe_status "$XT_APP_STATUS")"
xt_pass "--load filled the panel; Save population on a running evolution, Stop, Load population in the file dialog and Start continued the run from generation $G"
