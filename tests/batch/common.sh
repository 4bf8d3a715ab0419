# Shared helpers of the kinetarium-batch tests. Source it with the program's path as $1;
# the working directory is the build directory. Sets $batch and $tmp (removed on exit).

batch=$1
[[ -x $batch ]] || { echo "FAIL: no executable at '$batch'"; exit 1; }
[[ -d media ]] || { echo "FAIL: no media/ in $(pwd)"; exit 1; }
tmp=$(mktemp -d "${TMPDIR:-/tmp}/kinetarium-batch-test.XXXXXX")
trap 'rm -rf "$tmp"' EXIT

failures=0

fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

# run_batch NAME ARGS...: runs the program with a time bound; stdout in $tmp/NAME.out,
# stderr in $tmp/NAME.err, exit status in $status.
run_batch() {
    local name=$1
    shift
    status=0
    timeout 120 "$batch" "$@" >"$tmp/$name.out" 2>"$tmp/$name.err" </dev/null || status=$?
}

# wait_for_lines FILE N PID: waits, at most 60 s, until FILE has N lines or PID has ended.
wait_for_lines() {
    local file=$1 lines=$2 pid=$3
    for _ in $(seq 600); do
        [[ -f $file ]] && (($(wc -l <"$file") >= lines)) && return
        kill -0 "$pid" 2>/dev/null || return
        sleep 0.1
    done
}

# program_of PID: the process id of the program that `timeout` (PID) runs. Signals go to it:
# timeout passes a signal on twice (to its child and to its process group), and the second
# Ctrl-C finds the default handler that the first leaves, which ends the program at once.
program_of() {
    local children
    children=$(cat "/proc/$1/task/$1/children" 2>/dev/null)
    echo "${children%% *}"
}

# The fitness columns (generation, best, mean, median) and the step count of a CSV file.
deterministic_columns() {
    cut -d, -f1-5,7- "$1"
}

finish() {
    if ((failures > 0)); then
        echo "$failures check(s) failed"
        exit 1
    fi
    echo "all checks passed"
}
