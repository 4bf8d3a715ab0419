#!/usr/bin/env bash
# Installs the Debian packages that the build, the program and the tests need.
# Does nothing (and prints nothing) when they are all installed; otherwise runs
# apt-get update once and installs only the missing ones. Needs root (or sudo).
set -euo pipefail

PACKAGES=(
    # build
    build-essential cmake pkg-config
    libirrlicht-dev libx11-dev libfreetype-dev libpng-dev libcli11-dev nlohmann-json3-dev
    libeigen3-dev
    googletest libgtest-dev libbenchmark-dev
    # the Debian package: dpkg-shlibdeps for its dependencies; the install tests
    dpkg-dev file
    # the study tool: statistics, runs across machines
    libboost-math-dev libopenmpi-dev openmpi-bin
    # the cluster test: a one-node Slurm cluster
    slurm-wlm munge
    # sanitizer and fuzzing builds
    clang libclang-rt-14-dev
    # running: OpenGL through Mesa, the GUI font's source
    libgl1-mesa-dri mesa-utils fonts-dejavu-core
    # real-window tests: X servers, window control, screenshots, reading text on them
    xserver-xorg-core xserver-xorg-video-dummy xvfb xdotool imagemagick x11-utils tesseract-ocr
    # the study tests: checking the SVG
    libxml2-utils
    # recording clips (H.264 through libx264) and checking them in the tests
    libavcodec-dev libavformat-dev libswscale-dev libavutil-dev libgl-dev ffmpeg
    # the comparison with the reference libraries (bench/reference): their NumPy
    python3-numpy
    # the Python module (python/) and its tests
    pybind11-dev python3-dev python3-pytest
    # the reference libraries' own needs (Gymnasium, PettingZoo) in the environments' tests
    python3-typing-extensions python3-cloudpickle
)

missing=()
for package in "${PACKAGES[@]}"; do
    status=$(dpkg-query -W -f='${db:Status-Status}' "$package" 2>/dev/null || true)
    [[ $status == installed ]] || missing+=("$package")
done
((${#missing[@]} == 0)) && exit 0

run_as_root=()
if [[ $(id -u) != 0 ]]; then
    if command -v sudo >/dev/null 2>&1; then
        run_as_root=(sudo)
    else
        echo "Error: missing Debian packages (${missing[*]}); run this script as root" >&2
        exit 1
    fi
fi

echo "setup: installing ${missing[*]}"
log=$(mktemp "${TMPDIR:-/tmp}/kinetarium-setup.XXXXXX.log")
export DEBIAN_FRONTEND=noninteractive
if ! { "${run_as_root[@]}" apt-get update -q &&
       "${run_as_root[@]}" apt-get install -y -q "${missing[@]}"; } </dev/null >"$log" 2>&1; then
    tail -n 40 "$log" >&2
    echo "Error: installing packages failed; full log: $log" >&2
    exit 1
fi
rm -f "$log"
