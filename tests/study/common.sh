# Shared helpers of the kinetarium-study tests. Source it with the study's and the batch
# program's paths as $1 and $2; the working directory is the build directory. Sets $study,
# $batch and $tmp (removed on exit).

study=$1
batch=$2
[[ -x $study ]] || { echo "FAIL: no executable at '$study'"; exit 1; }
[[ -x $batch ]] || { echo "FAIL: no executable at '$batch'"; exit 1; }
[[ -d media ]] || { echo "FAIL: no media/ in $(pwd)"; exit 1; }
tmp=$(mktemp -d "${TMPDIR:-/tmp}/kinetarium-study-test.XXXXXX")
trap 'rm -rf "$tmp"' EXIT

failures=0

fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

# run_study NAME ARGS...: runs the study with a time bound; stdout in $tmp/NAME.out, stderr
# in $tmp/NAME.err, exit status in $status.
run_study() {
    local name=$1
    shift
    status=0
    timeout 240 "$study" "$@" >"$tmp/$name.out" 2>"$tmp/$name.err" </dev/null || status=$?
}

# same_runs DIR1 DIR2: the same run files with the same fitness columns and step counts
# (wall_seconds differ), and byte-identical summaries.
same_study() {
    local a=$1 b=$2 f
    [[ $(cd "$a/runs" && ls) == $(cd "$b/runs" && ls) ]] ||
        fail "different run files: $(cd "$a/runs" && ls | tr '\n' ' ') / $(cd "$b/runs" && ls | tr '\n' ' ')"
    for f in "$a"/runs/*.csv; do
        cmp -s <(cut -d, -f1-5 "$f") <(cut -d, -f1-5 "$b/runs/${f##*/}") || fail "runs/${f##*/} differs"
    done
    for f in summary.csv comparison.csv learning-curves.svg; do
        cmp -s "$a/$f" "$b/$f" || fail "$f differs between $a and $b"
    done
}

finish() {
    if ((failures > 0)); then
        echo "$failures check(s) failed"
        exit 1
    fi
    echo "all checks passed"
}
