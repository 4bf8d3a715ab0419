#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test with CTest. The output ends
# with CTest's summary and the exit status is CTest's. The real-window tests start
# and stop their own X servers; screenshots and logs go to build/artifacts
# (or $ARTIFACT_DIR).
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${BUILD_DIR:-$root/build}

bash "$root/scripts/setup.sh"
bash "$root/scripts/build.sh"

cd "$build"
exec ctest --output-on-failure --parallel "$(nproc)" </dev/null
