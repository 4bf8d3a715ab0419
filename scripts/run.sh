#!/usr/bin/env bash
# Installs what is missing, builds, and starts kinetarium full screen on the current
# X display; its arguments go to the program (./scripts/run.sh --window). The program runs
# from the build directory, where the build puts media/.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${BUILD_DIR:-$root/build}

bash "$root/scripts/setup.sh"
bash "$root/scripts/build.sh"

# Without a reachable X display there is no window to open: a few quick generations of
# the same simulation run without one instead, so the evolution can still be seen at work.
run_without_display() {
    echo "No X display reachable (DISPLAY=${DISPLAY:-<unset>}): running 10 generations without a window (kinetarium-batch) instead."
    cd "$build"
    exec ./kinetarium-batch --generations 10
}

if [[ -z ${DISPLAY:-} ]] || ! xdpyinfo >/dev/null 2>&1; then
    run_without_display
fi

cd "$build"
exec ./kinetarium "$@"
