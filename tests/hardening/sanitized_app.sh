# shellcheck shell=bash
# Starting the program under test in the X server of tests/window/xserver.sh, with what a
# sanitizer build needs, for the window tests of the hardening suite. Sourced after
# xserver.sh and sanitizer_reports.sh.
#
# For a build made with the sanitizers (it links libasan), Mesa's OpenGL driver modules
# and libXcursor (which libX11 loads when the window gets its cursor) are loaded before
# the program, so that they are known from the start and stay loaded to its end:
# otherwise LeakSanitizer cannot always tell whose memory it finds at exit (frames of an
# "unknown module", or addresses past another library's end), and no suppression can
# name the library. (Full unwinding, fast_unwind_on_malloc=0, would show the frames too,
# but makes the program too slow to close its window in time.) The sanitizer options come from the
# environment (CTest sets them) and reach only the program, not the X server.

# True when the program under test (XT_APP, set by xt_init) links AddressSanitizer.
app_is_sanitized() {
    ldd "$XT_APP" 2>/dev/null | grep -q 'libasan\.so'
}

# Prints what to preload for the program: nothing for a plain build.
app_preload() {
    app_is_sanitized || return 0
    local preload lib dir
    preload=$(ldd "$XT_APP" | awk '/libasan\.so/ { print $3; exit }')
    for lib in libGLX_mesa.so.0 dri/swrast_dri.so libXcursor.so.1; do
        for dir in /usr/lib/x86_64-linux-gnu /usr/lib64 /usr/lib; do
            if [[ -f $dir/$lib ]]; then
                preload="$preload $dir/$lib"
                break
            fi
        done
    done
    echo "$preload"
}

# app_start <working dir> <log name>: like xt_start_app, with the preload for a sanitizer build.
app_start() {
    XT_APP_DIR=$1
    XT_APP_STDOUT="$XT_ARTIFACT_DIR/$2.stdout"
    XT_APP_STDERR="$XT_ARTIFACT_DIR/$2.stderr"
    XT_APP_STATUS=""
    touch "$XT_TMP/app.started"
    : >"$XT_APP_STDOUT" # not the last run's lines, as in xt_start_app
    : >"$XT_APP_STDERR"
    local preload
    preload=$(app_preload)
    if [[ -n $preload ]]; then
        (cd "$XT_APP_DIR" && LD_PRELOAD="$preload" exec "$XT_APP") </dev/null >"$XT_APP_STDOUT" 2>"$XT_APP_STDERR" &
    else
        (cd "$XT_APP_DIR" && exec "$XT_APP") </dev/null >"$XT_APP_STDOUT" 2>"$XT_APP_STDERR" &
    fi
    XT_APP_PID=$!
    xt_log "started $(basename "$XT_APP") (pid $XT_APP_PID) in $XT_APP_DIR on DISPLAY=${DISPLAY:-<unset>}"
}

# app_check_clean <name>: false (after showing them) when the program's output holds
# sanitizer reports.
app_check_clean() {
    local f
    for f in "$XT_APP_STDOUT" "$XT_APP_STDERR"; do
        if has_sanitizer_report "$f"; then
            xt_log "$1: sanitizer report in $f:"
            show_sanitizer_reports "$f"
            return 1
        fi
    done
    return 0
}
