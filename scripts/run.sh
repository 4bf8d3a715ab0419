#!/usr/bin/env bash
# Installs what is missing, builds, and starts kinetarium full screen on the current
# X display. The program runs from the build directory, where the build puts media/.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${BUILD_DIR:-$root/build}

bash "$root/scripts/setup.sh"
bash "$root/scripts/build.sh"

# Without a reachable X display there is no window to open.
# Hook: this is where a headless run (without a window) will take over.
run_without_display() {
    echo "No X display reachable (DISPLAY=${DISPLAY:-<unset>}): kinetarium needs an X server; run this from a desktop session or set DISPLAY."
    exit 1
}

if [[ -z ${DISPLAY:-} ]] || ! xdpyinfo >/dev/null 2>&1; then
    run_without_display
fi

cd "$build"
exec ./kinetarium
