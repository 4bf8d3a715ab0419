#!/usr/bin/env bash
# Takes docs/screenshots/behaviour-map.png: a MAP-Elites run on the maze (20 cells per axis)
# evolved 300 generations by kinetarium-batch, loaded into the window on a virtual display
# at 1280x720 and pictured from the top-down camera a few seconds into a generation, the
# behaviour map's grid over the maze's floor plan beside the arena.
# Run from the build directory: tools/behaviour_map_screenshot.sh OUT_DIR (needs Xvfb,
# xdotool and ImageMagick's import).
set -euo pipefail
out=${1:?usage: behaviour_map_screenshot.sh OUT_DIR}
tmp=$(mktemp -d)
display=:$((70 + RANDOM % 20))
Xvfb "$display" -screen 0 1280x720x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null; rm -rf "$tmp"' EXIT
sleep 2

./kinetarium-batch --method map-elites --map-cells 20 --task maze --generations 300 --seed 2 \
    --save "$tmp/map.json" >/dev/null
DISPLAY=$display ./kinetarium --window 1280x720 --load "$tmp/map.json" --start --follow-best \
    --quit-after 40 >/dev/null 2>&1 &
program=$!
# The window is up once it has a name.
DISPLAY=$display timeout 60 xdotool search --sync --name . >/dev/null
sleep 3
# The top-down camera (the camera window's second button).
DISPLAY=$display xdotool mousemove 100 50 click 1
sleep 6
DISPLAY=$display import -window root "$out/behaviour-map.png"
kill "$program" 2>/dev/null || true
wait "$program" 2>/dev/null || true
