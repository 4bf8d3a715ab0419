#!/usr/bin/env bash
# The Debian package: built with CPack, installed with apt-get, kinetarium-batch run from a
# folder in /tmp, then purged. Needs root; skipped (status 77) without it, and when a
# kinetarium package or any of its files is already on this machine, which the test must
# neither replace nor remove. The package is purged on every way out.
set -uo pipefail

cpack=$1
build=$2
skip() {
    echo "SKIP: $*"
    exit 77
}
[[ $(id -u) == 0 ]] || skip "installing a Debian package needs root; run the test as root"
command -v apt-get >/dev/null && command -v dpkg >/dev/null || skip "not a Debian system (no apt-get/dpkg)"
package_status() {
    dpkg-query -W -f='${db:Status-Status}' kinetarium 2>/dev/null || true
}
status=$(package_status)
[[ -z $status || $status == not-installed ]] || skip "a kinetarium package is already on this machine ($status); not touching it"

tmp=$(mktemp -d "${TMPDIR:-/tmp}/kinetarium-package-test.XXXXXX") || exit 1
installed=0
cleanup() {
    if ((installed)); then
        DEBIAN_FRONTEND=noninteractive dpkg --purge kinetarium >"$tmp/purge.log" 2>&1 ||
            { echo "FAIL: purging the package failed:"; cat "$tmp/purge.log"; }
    fi
    rm -rf "$tmp"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

if ! "$cpack" -G DEB --config "$build/CPackConfig.cmake" -B "$tmp/package" >"$tmp/cpack.log" 2>&1; then
    cat "$tmp/cpack.log"
    echo "FAIL: cpack failed"
    exit 1
fi
debs=("$tmp"/package/kinetarium_*.deb)
((${#debs[@]} == 1)) && [[ -f ${debs[0]} ]] || { echo "FAIL: no single kinetarium_*.deb in: $(ls "$tmp/package")"; exit 1; }
deb=${debs[0]}

# Declared dependencies: the engine's runtime library and Mesa's OpenGL.
depends=$(dpkg-deb -f "$deb" Depends)
for needed in libirrlicht libgl1 libgl1-mesa-dri; do
    grep -qE "(^|, )$needed[^,]*" <<<"$depends" || fail "Depends lacks $needed: $depends"
done
[[ -n $(dpkg-deb -f "$deb" Maintainer) ]] || fail "no Maintainer"

# Nothing of the package may exist yet: dpkg would overwrite it and the purge remove it.
while read -r path; do
    [[ -e ${path#.} ]] && skip "${path#.} already exists on this machine; not installing over it"
done < <(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ {print $6}')

installed=1
if ! DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends \
    -o DPkg::Lock::Timeout=300 "$deb" </dev/null >"$tmp/apt.log" 2>&1; then
    tail -n 30 "$tmp/apt.log"
    echo "FAIL: apt-get install failed"
    exit 1
fi
[[ $(package_status) == installed ]] || fail "package status after install: $(package_status)"
for file in /usr/bin/kinetarium /usr/bin/kinetarium-batch /usr/share/kinetarium/media/walls.b3d \
    /usr/share/kinetarium/media/maze.json /usr/share/kinetarium/media/maze.b3d \
    /usr/share/applications/kinetarium.desktop /usr/share/icons/hicolor/48x48/apps/kinetarium.png; do
    [[ -f $file ]] || fail "not installed: $file"
done

# From an empty folder in /tmp, the program found on the PATH runs with the installed data.
run_dir=$(mktemp -d /tmp/kinetarium-package-run.XXXXXX)
trap 'rm -rf "$run_dir"; cleanup' EXIT
program=$(cd "$run_dir" && PATH=/usr/local/bin:/usr/bin:/bin command -v kinetarium-batch)
[[ $program == /usr/bin/kinetarium-batch ]] || fail "kinetarium-batch on the PATH is '$program'"
run_status=0
(cd "$run_dir" && env -u KINETARIUM_MEDIA PATH=/usr/bin:/bin timeout 300 kinetarium-batch --generations 2) \
    >"$tmp/run.log" 2>&1 </dev/null || run_status=$?
((run_status == 0)) || fail "kinetarium-batch --generations 2 from $run_dir: exit status $run_status: $(cat "$tmp/run.log")"
grep -q "^Generation 2\. Best vehicle fitness in last generation was " "$tmp/run.log" ||
    fail "no report of generation 2 in: $(cat "$tmp/run.log")"

# The Python package, where the build made it, for Debian's python3 with the installed data.
if [[ -f $build/python/kinetarium/__init__.py ]]; then
    [[ -f /usr/lib/python3/dist-packages/kinetarium/__init__.py ]] || fail "not installed: the Python package"
    grep -q "python3-numpy" <<<"$(dpkg-deb -f "$deb" Recommends)" || fail "Recommends lacks python3-numpy"
    python_status=0
    (cd "$run_dir" && env -u KINETARIUM_MEDIA -u PYTHONPATH timeout 120 /usr/bin/python3 -c \
        'import kinetarium; a = kinetarium.Arena(seed=5, generation_time=1); print(a.evaluate(a.initial_genomes()).shape)') \
        >"$tmp/python.log" 2>&1 </dev/null || python_status=$?
    [[ $python_status == 0 && $(cat "$tmp/python.log") == "(20,)" ]] ||
        fail "the installed Python package: exit status $python_status: $(cat "$tmp/python.log")"
fi

# Purged, nothing of it is left.
installed=0
DEBIAN_FRONTEND=noninteractive dpkg --purge kinetarium >"$tmp/purge.log" 2>&1 || fail "purge failed: $(cat "$tmp/purge.log")"
status=$(package_status)
[[ -z $status || $status == not-installed ]] || fail "package status after purge: $status"
[[ -e /usr/bin/kinetarium-batch || -e /usr/share/kinetarium || -e /usr/lib/python3/dist-packages/kinetarium ]] &&
    fail "files left after purge"

if ((failures > 0)); then
    echo "$failures check(s) failed"
    exit 1
fi
echo "all checks passed"
