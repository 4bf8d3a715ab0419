# The program's state reports (asked for with SIGUSR1), for window tests that wait on them.
# Source it after xserver.sh; the sourcing test sets $STATE, the file the newest report goes to, and
# $MAX_POLLS, the reports asked for while waiting for one state (a hang guard).

# Asks for a state report and waits (bounded) until it is complete; the newest one goes to $STATE.
dump_state() {
    local before tries=0
    before=$(grep -c '^End of state\.$' "$XT_APP_STDOUT")
    kill -USR1 "$XT_APP_PID" 2>/dev/null || xt_fail "kinetarium is gone"
    while (($(grep -c '^End of state\.$' "$XT_APP_STDOUT") <= before)); do
        xt_alive "$XT_APP_PID" || { xt_wait_app_exit 1; xt_fail "kinetarium ended while reporting its state"; }
        ((++tries > 2000)) && xt_fail "no state report"
        sleep 0.02
    done
    awk '/^State: /{ n = 0 } { block[n++] = $0 } /^End of state\.$/{ out = ""; for (i = 0; i < n; i++) out = out block[i] "\n" }
         END { printf "%s", out }' "$XT_APP_STDOUT" >"$STATE"
}
field() { grep -m1 '^State: ' "$STATE" | tr ' ' '\n' | sed -n "s/^$1=//p"; }

# wait_for <what> <command...>: state reports until the command succeeds on the newest.
wait_for() {
    local what=$1 i
    shift
    for ((i = 0; i < MAX_POLLS; i++)); do
        dump_state
        "$@" && return 0
        sleep 0.05
    done
    xt_fail "never reached: $what (last state: $(head -n 1 "$STATE"))"
}
