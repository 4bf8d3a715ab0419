#!/usr/bin/env bash
# Takes docs/screenshots/forage.png, maze.png and behaviour-map.png: a forage run evolved 60
# generations, a maze run evolved 40 and a MAP-Elites maze run (20 cells per axis) evolved
# 300, each loaded into the window on a virtual display at 1280x720 and pictured a few
# seconds into a generation (the mazes from the top-down camera).
# Run from the build directory: tools/task_screenshots.sh OUT_DIR (needs Xvfb, xdotool and
# ImageMagick's import).
set -euo pipefail
out=${1:?usage: task_screenshots.sh OUT_DIR}
tmp=$(mktemp -d)
display=:$((70 + RANDOM % 20))
Xvfb "$display" -screen 0 1280x720x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null; rm -rf "$tmp"' EXIT
sleep 2

# shot NAME TOP_DOWN SECONDS BATCH_ARGS...
shot() {
    local name=$1 topDown=$2 seconds=$3
    shift 3
    ./kinetarium-batch "$@" --save "$tmp/$name.json" >/dev/null
    DISPLAY=$display ./kinetarium --window 1280x720 --load "$tmp/$name.json" --start --follow-best \
        --quit-after $((seconds + 20)) >/dev/null 2>&1 &
    local program=$!
    # The window is up once it has a name.
    DISPLAY=$display timeout 60 xdotool search --sync --name . >/dev/null
    sleep 3
    if [[ $topDown == yes ]]; then
        DISPLAY=$display xdotool mousemove 100 50 click 1
    fi
    sleep "$seconds"
    DISPLAY=$display import -window root "$out/$name.png"
    kill "$program" 2>/dev/null || true
    wait "$program" 2>/dev/null || true
}

shot forage no 6 --task forage --generations 60 --seed 10
shot maze yes 9 --task maze --generations 40 --seed 2
# The behaviour map's grid over the maze's floor plan, beside the arena.
shot behaviour-map yes 6 --method map-elites --map-cells 20 --task maze --generations 300 --seed 2
