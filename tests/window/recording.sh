# shellcheck shell=bash
# Helpers for the recording tests, sourced after xserver.sh: the program's recording lines
# (errors on standard error, the others on standard output), and what ffprobe reads from a clip.

# rec_wait_line <extended regex> <seconds> [file]: waits (bounded) until the program's
# standard output (or that file, e.g. "$XT_APP_STDERR" for errors) has a line matching it;
# prints the last such line. Fails at once if the program ends.
rec_wait_line() {
    local pattern=$1 deadline=$((SECONDS + $2)) file=${3:-$XT_APP_STDOUT} line
    while :; do
        line=$(grep -E "$pattern" "$file" 2>/dev/null | tail -n 1)
        if [[ -n $line ]]; then
            echo "$line"
            return 0
        fi
        if ! xt_alive "$XT_APP_PID"; then
            xt_wait_app_exit 1
            xt_fail "kinetarium ended ($(xt_describe_status "$XT_APP_STATUS")) while waiting for a line like '$pattern'"
        fi
        ((SECONDS >= deadline)) && return 1
        sleep 0.05
    done
}

# rec_probe <file> <entry>: one value of the video stream (e.g. codec_name, width,
# r_frame_rate, nb_read_frames) or of the format (duration).
rec_probe() {
    local file=$1 entry=$2
    case $entry in
        duration) timeout 120 ffprobe -v error -show_entries format=duration -of csv=p=0 "$file" ;;
        nb_read_frames) timeout 120 ffprobe -v error -count_frames -select_streams v:0 \
                            -show_entries stream=nb_read_frames -of csv=p=0 "$file" ;;
        *) timeout 120 ffprobe -v error -select_streams v:0 -show_entries "stream=$entry" -of csv=p=0 "$file" ;;
    esac
}

# rec_wait_picture <clip> <seconds>: waits (bounded) until the clip's temporary file holds a
# frame that decodes, so that a stop that follows has something to save.
rec_wait_picture() {
    local part=$1.part deadline=$((SECONDS + $2)) frames
    while :; do
        frames=$(rec_probe "$part" nb_read_frames 2>/dev/null)
        [[ $frames =~ ^[0-9]+$ ]] && ((frames > 0)) && return 0
        ((SECONDS >= deadline)) && return 1
        sleep 0.2
    done
}

# The arena's floor: a pale, warm checker (see pictures.sh); H.264's colour subsampling
# moves it a little.
REC_FLOOR='r - b >= 22 && r - b <= 50 && mn >= 110'
