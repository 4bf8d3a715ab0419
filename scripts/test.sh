#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test with CTest. The output ends
# with CTest's summary and the exit status is CTest's. The real-window tests start
# and stop their own X servers; screenshots and logs go to build/artifacts
# (or $ARTIFACT_DIR).
#
# Besides build/ it builds a sanitizer tree, build-asan/ (SANITIZE_BUILD_DIR overrides
# it): the library, the unit tests, kinetarium and kinetarium-batch with AddressSanitizer,
# UndefinedBehaviorSanitizer and LeakSanitizer. The tests labelled "sanitizer" in build/
# run its programs: all unit tests, a headless soak, extreme settings, damaged data files
# and a full start and stop of the window.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${BUILD_DIR:-$root/build}

sanitize_build=${SANITIZE_BUILD_DIR:-$root/build-asan}

bash "$root/scripts/setup.sh"
bash "$root/scripts/build.sh" -DKINETARIUM_SANITIZER_BUILD_DIR="$sanitize_build"
BUILD_DIR=$sanitize_build bash "$root/scripts/build.sh" -DKINETARIUM_SANITIZE=ON -DKINETARIUM_BENCH=OFF

cd "$build"
exec ctest --output-on-failure --parallel "$(nproc)" </dev/null
