#!/usr/bin/env bash
# Configures and builds everything (program, data files, tests, benchmarks) into ./build.
# Quiet: prints only compiler diagnostics and errors. BUILD_DIR overrides the directory;
# arguments are passed to CMake's configure step (e.g. -DKINETARIUM_SANITIZE=ON).
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${BUILD_DIR:-$root/build}
mkdir -p "$build"
configure_log="$build/configure.log"
log="$build/build.log"

if ! cmake -S "$root" -B "$build" "$@" >"$configure_log" 2>&1; then
    cat "$configure_log" >&2
    echo "Error: CMake configuration failed (log: $configure_log)" >&2
    exit 1
fi
if ! cmake --build "$build" --parallel "$(nproc)" >"$log" 2>&1; then
    # Leave out the progress lines; what remains are the diagnostics.
    grep -Ev '^\[ *[0-9]+%\] |^g?make(\[[0-9]+\])?: (Entering|Leaving) directory' "$log" >&2 || true
    echo "Error: build failed (log: $log)" >&2
    exit 1
fi
# Warnings are kept visible even when the build succeeds.
grep -E ': warning: ' "$log" >&2 || true
