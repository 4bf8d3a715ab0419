# shellcheck shell=bash
# Helpers for the real-window tests, sourced by each test script.
#
# Every test starts its own X server (Xorg with the dummy video driver, or Xvfb),
# runs kinetarium on it and tears both down again in an EXIT trap, whatever happens.
# Every wait here is bounded; the bounds only guard against hangs and say nothing
# about how fast the program should be.
#
# Usage in a test:
#   source "$(dirname "${BASH_SOURCE[0]}")/xserver.sh"
#   xt_init "$@"                 # arguments: <path of kinetarium> <build dir>
#   xt_start_xorg                # or: xt_start_xvfb 1024 768
#   xt_start_app "$XT_BUILD_DIR" arena
#   xt_wait_window Kinetarium || xt_fail "..."   # sets XT_WINDOW
#   ...
#   xt_pass "what was shown"

set -uo pipefail

# Size of the dummy Xorg screen; the config below only knows this mode (and 800x600).
XT_XORG_WIDTH=1280
XT_XORG_HEIGHT=720

# Hang guards, in seconds.
XT_SERVER_TIMEOUT=${XT_SERVER_TIMEOUT:-60}
XT_WINDOW_TIMEOUT=${XT_WINDOW_TIMEOUT:-120}
XT_EXIT_TIMEOUT=${XT_EXIT_TIMEOUT:-60}

XT_SERVER_PID=""
XT_SERVER_KIND=""
XT_SERVER_LOG=""
XT_APP_PID=""
XT_APP_DIR=""
XT_APP_STDOUT=""
XT_APP_STDERR=""
XT_APP_STATUS=""
XT_STATUS=""
XT_WINDOW=""
XT_NAME=$(basename "$0" .sh)

xt_log() { printf '[%s] %s\n' "$XT_NAME" "$*"; }

# Prints the reason, the tail of the program's output and the server log location, then exits 1.
xt_fail() {
    printf '[%s] FAIL: %s\n' "$XT_NAME" "$*"
    xt_show_app_output
    [[ -n $XT_SERVER_LOG ]] && printf '[%s] X server log kept in %s\n' "$XT_NAME" "$XT_ARTIFACT_DIR/$(basename "$XT_SERVER_LOG")"
    exit 1
}

xt_pass() {
    printf '[%s] PASS: %s\n' "$XT_NAME" "$*"
    exit 0
}

xt_show_app_output() {
    local f
    for f in "$XT_APP_STDOUT" "$XT_APP_STDERR"; do
        [[ -n $f && -s $f ]] || continue
        printf '[%s] --- last lines of %s ---\n' "$XT_NAME" "$f"
        tail -n 20 "$f"
    done
}

# xt_init <kinetarium binary> <build dir>
xt_init() {
    if [[ $# -lt 2 ]]; then
        echo "usage: $0 <path of kinetarium> <build dir>" >&2
        exit 2
    fi
    XT_APP=$(readlink -f "$1")
    XT_BUILD_DIR=$(readlink -f "$2")
    XT_ARTIFACT_DIR=${ARTIFACT_DIR:-$XT_BUILD_DIR/artifacts}
    mkdir -p "$XT_ARTIFACT_DIR"
    XT_ARTIFACT_DIR=$(readlink -f "$XT_ARTIFACT_DIR")
    XT_TMP=$(mktemp -d "${TMPDIR:-/tmp}/kinetarium-$XT_NAME.XXXXXX")
    trap xt_cleanup EXIT
    trap 'exit 130' INT
    trap 'exit 143' TERM HUP
    [[ -x $XT_APP ]] || xt_fail "program not found or not executable: $1"
    xt_log "program: $XT_APP"
    xt_log "artifacts: $XT_ARTIFACT_DIR"
}

# True while the process exists and is not a zombie.
xt_alive() {
    local pid=$1 stat
    stat=$(cat "/proc/$pid/stat" 2>/dev/null) || return 1
    stat=${stat##*) }
    [[ -n $stat && ${stat%% *} != Z ]]
}

# xt_wait_child <pid> <seconds>: waits at most that long for a child of this shell to end.
# Sets XT_STATUS to its exit status (128+N when signal N ended it) and returns 0,
# or returns 1 if it is still running when the time is up.
xt_wait_child() {
    local pid=$1 secs=$2
    local deadline=$((SECONDS + secs))
    while xt_alive "$pid"; do
        ((SECONDS >= deadline)) && return 1
        sleep 0.1
    done
    wait "$pid"
    XT_STATUS=$?
    return 0
}

# xt_stop_child <pid> <seconds>: SIGTERM, a bounded wait, then SIGKILL.
xt_stop_child() {
    local pid=$1 secs=$2
    xt_alive "$pid" || { wait "$pid" 2>/dev/null; return 0; }
    kill -TERM "$pid" 2>/dev/null
    if ! xt_wait_child "$pid" "$secs"; then
        kill -KILL "$pid" 2>/dev/null
        xt_wait_child "$pid" 10 || true
    fi
}

xt_cleanup() {
    local status=$?
    if [[ -n $XT_APP_PID ]]; then
        xt_stop_child "$XT_APP_PID" 10
        XT_APP_PID=""
    fi
    if [[ -n $XT_SERVER_PID ]]; then
        xt_stop_child "$XT_SERVER_PID" 15
        XT_SERVER_PID=""
    fi
    # Keep the server's log next to the screenshots as evidence.
    if [[ -n $XT_SERVER_LOG && -f $XT_SERVER_LOG ]]; then
        cp -f "$XT_SERVER_LOG" "$XT_ARTIFACT_DIR/" 2>/dev/null
    fi
    [[ -n ${XT_TMP:-} && -d $XT_TMP ]] && rm -rf "$XT_TMP"
    exit "$status"
}

# Waits until the server started as XT_SERVER_PID has written its display number to
# the -displayfd file and answers xdpyinfo. Exports DISPLAY.
xt_wait_server() {
    local fdfile=$1 display="" deadline=$((SECONDS + XT_SERVER_TIMEOUT))
    while :; do
        if ! xt_alive "$XT_SERVER_PID"; then
            xt_wait_child "$XT_SERVER_PID" 1
            XT_SERVER_PID=""
            [[ -f $XT_SERVER_LOG ]] && tail -n 15 "$XT_SERVER_LOG"
            xt_fail "$XT_SERVER_KIND exited during start-up (status $XT_STATUS)"
        fi
        display=$(tr -dc '0-9' <"$fdfile" 2>/dev/null)
        if [[ -n $display ]] && DISPLAY=":$display" xdpyinfo >/dev/null 2>&1; then
            break
        fi
        ((SECONDS >= deadline)) && xt_fail "$XT_SERVER_KIND did not answer within ${XT_SERVER_TIMEOUT}s"
        sleep 0.1
    done
    export DISPLAY=":$display"
    xt_log "$XT_SERVER_KIND is up on DISPLAY=$DISPLAY ($(xt_screen_size))"
}

# Starts Xorg with the dummy video driver at 1280x720 on a free display.
# The server picks the display itself (-displayfd), so parallel runs cannot collide;
# -sharevts/-novtswitch keep it off the machine's virtual terminals.
xt_start_xorg() {
    command -v Xorg >/dev/null || xt_fail "Xorg not installed (scripts/setup.sh installs it)"
    local conf="$XT_TMP/xorg-dummy.conf" fdfile="$XT_TMP/xorg.displayfd"
    cat >"$conf" <<'EOF'
Section "ServerFlags"
    Option "AutoAddDevices" "false"
    Option "AutoAddGPU"     "false"
EndSection
Section "Device"
    Identifier "dummydev"
    Driver     "dummy"
    VideoRam   256000
EndSection
Section "Monitor"
    Identifier  "dummymon"
    HorizSync   5.0 - 1000.0
    VertRefresh 5.0 - 200.0
    Modeline "1280x720" 74.25 1280 1390 1430 1650 720 725 730 750 +hsync +vsync
    Modeline "800x600"  40.00  800  840  968 1056 600 601 605 628 +hsync +vsync
EndSection
Section "Screen"
    Identifier   "dummyscreen"
    Device       "dummydev"
    Monitor      "dummymon"
    DefaultDepth 24
    SubSection "Display"
        Depth   24
        Modes   "1280x720" "800x600"
        Virtual 1280 720
    EndSubSection
EndSection
EOF
    XT_SERVER_KIND="Xorg (dummy driver)"
    XT_SERVER_LOG="$XT_TMP/$XT_NAME-xorg.log"
    : >"$fdfile"
    Xorg -displayfd 3 -config "$conf" -logfile "$XT_SERVER_LOG" \
        -nolisten tcp -noreset -novtswitch -sharevts \
        3>"$fdfile" </dev/null >"$XT_TMP/xorg.out" 2>&1 &
    XT_SERVER_PID=$!
    xt_wait_server "$fdfile"
}

# xt_start_xvfb <width> <height>: plain Xvfb (no VidMode extension) on a free display.
xt_start_xvfb() {
    command -v Xvfb >/dev/null || xt_fail "Xvfb not installed (scripts/setup.sh installs it)"
    local w=$1 h=$2 fdfile="$XT_TMP/xvfb.displayfd"
    XT_SERVER_KIND="Xvfb"
    XT_SERVER_LOG="$XT_TMP/$XT_NAME-xvfb.log"
    : >"$fdfile"
    Xvfb -displayfd 3 -screen 0 "${w}x${h}x24" -nolisten tcp -noreset \
        3>"$fdfile" </dev/null >"$XT_SERVER_LOG" 2>&1 &
    XT_SERVER_PID=$!
    xt_wait_server "$fdfile"
}

# Prints the root window's size as WIDTHxHEIGHT.
xt_screen_size() {
    xdpyinfo 2>/dev/null | awk '/dimensions:/ { print $2; exit }'
}

# xt_start_app <working dir> <log name> [options...]: starts kinetarium in the background
# with those options. Its standard output and error go to <artifacts>/<log name>.stdout / .stderr.
xt_start_app() {
    XT_APP_DIR=$1
    XT_APP_STDOUT="$XT_ARTIFACT_DIR/$2.stdout"
    XT_APP_STDERR="$XT_ARTIFACT_DIR/$2.stderr"
    XT_APP_STATUS=""
    touch "$XT_TMP/app.started"
    # Emptied here, not only by the background job's redirection: a wait that reads the file
    # at once must not find the last run's lines there.
    : >"$XT_APP_STDOUT"
    : >"$XT_APP_STDERR"
    (cd "$XT_APP_DIR" && exec "$XT_APP" "${@:3}") </dev/null >"$XT_APP_STDOUT" 2>"$XT_APP_STDERR" &
    XT_APP_PID=$!
    xt_log "started kinetarium${3:+ ${*:3}} (pid $XT_APP_PID) in $XT_APP_DIR on DISPLAY=${DISPLAY:-<unset>}"
}

# xt_wait_app_exit [seconds]: waits (bounded) for the program to end; sets XT_APP_STATUS.
xt_wait_app_exit() {
    local secs=${1:-$XT_EXIT_TIMEOUT}
    if ! xt_wait_child "$XT_APP_PID" "$secs"; then
        xt_fail "kinetarium still running ${secs}s after it should have ended"
    fi
    XT_APP_STATUS=$XT_STATUS
    XT_APP_PID=""
    xt_log "kinetarium exited with $(xt_describe_status "$XT_APP_STATUS")"
}

# Name of the signal behind a status above 128, or empty.
xt_signal_name() {
    local status=$1
    ((status > 128)) && kill -l $((status - 128)) 2>/dev/null
}

# "status N", with the signal's name when a signal ended the process.
xt_describe_status() {
    local sig
    sig=$(xt_signal_name "$1")
    echo "status $1${sig:+ (killed by SIG$sig)}"
}

# Fails if the program left a core file in its working directory or died of a crash signal.
xt_check_no_crash() {
    local core sig
    core=$(find "$XT_APP_DIR" -maxdepth 1 -name 'core*' -type f -newer "$XT_TMP/app.started" 2>/dev/null | head -n 1)
    if [[ -n $core ]]; then
        rm -f "$core"
        xt_fail "kinetarium dumped core ($core, removed)"
    fi
    sig=$(xt_signal_name "$XT_APP_STATUS")
    case $sig in
        SEGV | ABRT | BUS | FPE | ILL | TRAP | SYS | XCPU | XFSZ | QUIT)
            xt_fail "kinetarium crashed: $(xt_describe_status "$XT_APP_STATUS")" ;;
    esac
    return 0
}

# xt_wait_window <name> [seconds]: waits for the first visible window whose name is
# exactly <name> and sets XT_WINDOW to its id. Returns 1 when the time is up; fails
# early if the program ends first. (Not meant for $(...): it must see the program.)
xt_wait_window() {
    local name=$1 secs=${2:-$XT_WINDOW_TIMEOUT} wid
    local deadline=$((SECONDS + secs))
    XT_WINDOW=""
    while :; do
        wid=$(xdotool search --onlyvisible --name "^${name}\$" 2>/dev/null | head -n 1)
        if [[ -n $wid ]]; then
            XT_WINDOW=$wid
            return 0
        fi
        if [[ -n $XT_APP_PID ]] && ! xt_alive "$XT_APP_PID"; then
            xt_wait_app_exit 1
            xt_fail "kinetarium ended ($(xt_describe_status "$XT_APP_STATUS")) before a window named '$name' appeared"
        fi
        ((SECONDS >= deadline)) && return 1
        sleep 0.2
    done
}

# xt_window_geometry <window id>: prints "WIDTH HEIGHT X Y" (absolute position).
xt_window_geometry() {
    xwininfo -id "$1" 2>/dev/null | awk '
        /Absolute upper-left X:/ { x = $NF }
        /Absolute upper-left Y:/ { y = $NF }
        /^ *Width:/  { w = $NF }
        /^ *Height:/ { h = $NF }
        END { if (w != "") print w, h, x, y }'
}

# xt_screenshot <file name>: grabs the whole screen into the artifact dir; prints the path.
xt_screenshot() {
    local out="$XT_ARTIFACT_DIR/$1"
    rm -f "$out"
    if ! timeout 60 import -silent -window root "$out" >/dev/null 2>&1 || [[ ! -s $out ]]; then
        return 1
    fi
    echo "$out"
}

# xt_image_stats <file> [crop]: prints "MEAN STDDEV COLOURS" (mean and standard
# deviation of all channels in 0..1, number of distinct colours) of the picture, or of
# the part of it that an ImageMagick crop geometry selects (e.g. 25%x100%+0+0).
xt_image_stats() {
    local crop=()
    [[ -n ${2:-} ]] && crop=(-crop "$2" +repage)
    timeout 60 convert "$1" "${crop[@]}" -format '%[fx:mean] %[fx:standard_deviation] %k' info: 2>/dev/null
}

# xt_check_picture <file> <min mean> <min stddev> <min colours> [crop]
# Returns 0 if the picture (or the cropped part) is neither black nor a single flat
# colour by these bounds; otherwise says why and returns 1. Always logs the values.
xt_check_picture() {
    local file=$1 min_mean=$2 min_sd=$3 min_colours=$4 crop=${5:-} stats mean sd colours what
    what=$(basename "$file")${crop:+ (part $crop)}
    stats=$(xt_image_stats "$file" "$crop") || { xt_log "cannot read $file"; return 1; }
    read -r mean sd colours <<<"$stats"
    xt_log "$what: mean $mean, standard deviation $sd, $colours colours"
    if ! awk -v m="$mean" -v s="$sd" -v c="$colours" -v mm="$min_mean" -v ms="$min_sd" -v mc="$min_colours" \
        'BEGIN { exit !(m >= mm && s >= ms && c >= mc) }'; then
        xt_log "$what looks blank: wanted mean >= $min_mean, standard deviation >= $min_sd, colours >= $min_colours"
        return 1
    fi
    return 0
}

# xt_screenshot_until_arena <file name> <tries>
# Takes screenshots two seconds apart until one shows the arena (the first frames may
# not be drawn yet); the last one stays in the artifact dir. The lit arena gives many
# colours and clear contrast over the whole screen, and the 3D scene must also show in
# the left quarter, away from the centred panel: ground and walls there, not black.
xt_screenshot_until_arena() {
    local name=$1 tries=$2 i shot
    for ((i = 1; i <= tries; i++)); do
        sleep 2
        if [[ -n $XT_APP_PID ]] && ! xt_alive "$XT_APP_PID"; then
            xt_wait_app_exit 1
            xt_fail "kinetarium ended ($(xt_describe_status "$XT_APP_STATUS")) while its window was expected on screen"
        fi
        shot=$(xt_screenshot "$name") || { xt_log "screenshot $i failed"; continue; }
        xt_check_picture "$shot" 0.03 0.03 32 &&
            xt_check_picture "$shot" 0.03 0.02 3 25%x100%+0+0 &&
            return 0
    done
    return 1
}
