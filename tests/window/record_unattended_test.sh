#!/usr/bin/env bash
# Unattended runs (--quit-after, nobody at the window) that cannot do what their options
# ask: a --load that fails, --record into a missing folder, onto the loaded population, a
# pipe or a link at its temporary name, --record without a run. Each ends with status 1
# and its line on standard error, records nothing instead and leaves every file as it
# was; a run that can do it records its clip and ends with status 0.
# Usage: record_unattended_test.sh <path of kinetarium> <build dir>
source "$(dirname "${BASH_SOURCE[0]}")/xserver.sh"
source "$(dirname "${BASH_SOURCE[0]}")/recording.sh"
xt_init "$@"
command -v ffprobe >/dev/null || xt_fail "ffprobe not installed (scripts/setup.sh installs it)"

export HOME=$XT_TMP/home XDG_CONFIG_HOME=$XT_TMP/config XDG_DATA_HOME=$XT_TMP/data
mkdir -p "$HOME" "$XDG_CONFIG_HOME"
batch=$(dirname "$XT_APP")/kinetarium-batch
(cd "$XT_BUILD_DIR" && "$batch" --generations 1 --generation-time 2 --seed 3 --save "$XT_TMP/trained.json") \
    >"$XT_ARTIFACT_DIR/record-unattended-batch.out" 2>&1 || xt_fail "kinetarium-batch could not save a population"

# Each case runs in a folder of its own, @ in the table: what is there first, the options
# (--window and --quit-after are added), the exit status, the line on standard error
# (nothing when empty) and the clip that must be saved (none when empty).
setup_load_fails() { echo "not a population" >"$1/bad.json"; }
setup_loaded_file() { cp "$XT_TMP/trained.json" "$1/trained.json"; }
setup_part_link() { echo "keep me" >"$1/victim" && ln -s "$1/victim" "$1/clip.mp4.part"; }
setup_pipe() { mkfifo "$1/clip.mp4"; }
CASES=(
    "load_fails|--load @/bad.json --start --record @/clip.mp4|5|1|^Error: cannot load the population file '@/bad.json'|"
    "missing_folder|--start --record @/missing/clip.mp4|5|1|^Cannot record to @/missing/clip.mp4: its folder @/missing does not exist\\.\$|"
    "no_run|--record @/clip.mp4|2|1|^Nothing was recorded to @/clip.mp4: no run was started\\.\$|"
    "loaded_file|--load @/trained.json --start --record @/trained.json|5|1|^Cannot record to @/trained.json: the run uses that file|"
    "part_link|--start --record @/clip.mp4|5|1|^Cannot record to @/clip.mp4: @/clip.mp4.part is there already|"
    "pipe|--start --record @/clip.mp4|5|1|^Cannot record to @/clip.mp4: it is not a regular file\\.\$|"
    "recorded|--load @/trained.json --start --record @/clip.mp4|3|0||@/clip.mp4"
)
setup_recorded() { setup_loaded_file "$@"; }

# What a folder holds, to show that a failed run changed nothing in it.
listing() { (cd "$1" && find . -printf '%y %p %l\n' | sort && find . -type f -exec md5sum {} + | sort); }

xt_start_xorg
for entry in "${CASES[@]}"; do
    IFS='|' read -r name options quit want error clip <<<"$entry"
    dir=$XT_TMP/$name
    mkdir -p "$dir"
    ! declare -F "setup_$name" >/dev/null || "setup_$name" "$dir" || xt_fail "$name: cannot prepare $dir"
    before=$(listing "$dir")
    # shellcheck disable=SC2086 # the options are words
    xt_start_app "$XT_BUILD_DIR" "record-$name" --window ${options//@/$dir} --quit-after "$quit"
    xt_wait_app_exit 300
    xt_check_no_crash
    error=${error//@/$dir} clip=${clip//@/$dir}
    [[ $XT_APP_STATUS == "$want" ]] || xt_fail "$name: $(xt_describe_status "$XT_APP_STATUS"), wanted $want"
    if [[ -n $error ]]; then
        grep -Eq "$error" "$XT_APP_STDERR" || xt_fail "$name: no line like '$error' on standard error"
        ! grep -Eq '^Recording (to [^ ]*\.|saved to .*)$' "$XT_APP_STDOUT" || xt_fail "$name: it recorded instead"
        [[ $(listing "$dir") == "$before" ]] || xt_fail "$name: the files in $dir changed"
    else
        ! grep -Eq '^(Error|Cannot|Nothing)' "$XT_APP_STDERR" || xt_fail "$name: an error: $(cat "$XT_APP_STDERR")"
        grep -q "^Recording saved to $clip (" "$XT_APP_STDOUT" || xt_fail "$name: $clip was not saved"
        [[ $(rec_probe "$clip" codec_name) == h264 ]] || xt_fail "$name: $clip does not play"
    fi
    xt_log "$name: $(xt_describe_status "$XT_APP_STATUS") ${error:+with '$(grep -E "$error" "$XT_APP_STDERR")'}"
done
xt_pass "${#CASES[@]} unattended runs: each failure ended with status 1 and its line, changing nothing; the good run saved its clip"
