#!/usr/bin/env bash
# `cmake --install` into a prefix, the prefix moved elsewhere, kinetarium-batch run from an
# unrelated folder: it finds the moved data and runs exactly as the build tree's program
# does. Then the order of the places: media/ in the working directory before the installed
# data, KINETARIUM_MEDIA before both; with no data anywhere the error names every place.
set -uo pipefail

cmake=$1
build=$2
tmp=$(mktemp -d "${TMPDIR:-/tmp}/kinetarium-install-test.XXXXXX") || exit 1
trap 'rm -rf "$tmp"' EXIT
# The programs see real paths (getcwd, /proc/self/exe); so must the expectations.
tmp=$(cd "$tmp" && pwd -P)

failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

if ! "$cmake" --install "$build" --prefix "$tmp/first" >"$tmp/install.log" 2>&1; then
    cat "$tmp/install.log"
    echo "FAIL: cmake --install failed"
    exit 1
fi
mv "$tmp/first" "$tmp/moved"
prefix=$tmp/moved
installed_media=$prefix/share/kinetarium/media

for file in bin/kinetarium bin/kinetarium-batch share/kinetarium/media/walls.b3d \
    share/kinetarium/media/vehicle.b3d share/kinetarium/media/gui.xml share/kinetarium/media/font1/font.xml \
    share/kinetarium/media/maze.json share/kinetarium/media/maze.b3d share/applications/kinetarium.desktop; do
    [[ -f $prefix/$file ]] || fail "not installed: $file"
done
desktop=$prefix/share/applications/kinetarium.desktop
grep -qx 'Exec=kinetarium' "$desktop" || fail "desktop entry: no 'Exec=kinetarium'"
grep -qx 'Icon=kinetarium' "$desktop" || fail "desktop entry: no 'Icon=kinetarium'"
grep -qx 'Exec=kinetarium --window' "$desktop" || fail "desktop entry: no windowed action"
icons=$(find "$prefix/share/icons/hicolor" -path '*/apps/kinetarium.png' | sort)
[[ -n $icons ]] || fail "no icon installed"
for icon in $icons; do
    size=$(basename "$(dirname "$(dirname "$icon")")")
    file "$icon" | grep -q "PNG image data, ${size%x*} x ${size#*x}, 8-bit/color RGBA" ||
        fail "icon $size is not a ${size} RGBA PNG: $(file "$icon")"
done

# run_installed NAME FOLDER [VAR=VALUE...]: the installed kinetarium-batch with FOLDER as
# working directory; output in $tmp/NAME.log, exit status in $status.
run_installed() {
    local name=$1 folder=$2
    shift 2
    status=0
    (cd "$folder" && env -u KINETARIUM_MEDIA "$@" timeout 120 "$prefix/bin/kinetarium-batch" \
        --generations 2 --generation-time 1 --seed 5 --csv "$tmp/$name.csv") >"$tmp/$name.log" 2>&1 </dev/null ||
        status=$?
}
# expect_error NAME TEXT: the run failed with one Error line that contains TEXT.
expect_error() {
    local name=$1 text=$2
    ((status == 1)) || fail "$name: exit status $status, expected 1: $(cat "$tmp/$name.log")"
    grep -F "Error: " "$tmp/$name.log" | grep -qF -- "$text" ||
        fail "$name: no error line naming '$text' in: $(cat "$tmp/$name.log")"
}

# From an unrelated folder, the moved install finds its data and runs like the build tree.
mkdir -p "$tmp/elsewhere"
run_installed moved "$tmp/elsewhere"
((status == 0)) || fail "moved install: exit status $status: $(cat "$tmp/moved.log")"
(cd "$build" && env -u KINETARIUM_MEDIA timeout 120 ./kinetarium-batch --generations 2 --generation-time 1 \
    --seed 5 --csv "$tmp/reference.csv") >"$tmp/reference.log" 2>&1 </dev/null || fail "build tree run failed"
cmp -s <(cut -d, -f1-5 "$tmp/reference.csv") <(cut -d, -f1-5 "$tmp/moved.csv") ||
    fail "moved install: fitness columns differ from the build tree's run"

# Copies of the data: complete, and without walls.b3d.
mkdir -p "$tmp/good" "$tmp/lacking"
cp -r "$installed_media" "$tmp/good/media"
cp -r "$installed_media" "$tmp/lacking/media"
rm "$tmp/lacking/media/walls.b3d"

# media/ in the working directory comes before the installed data.
run_installed cwd_first "$tmp/lacking"
expect_error cwd_first "$tmp/lacking/media"

# KINETARIUM_MEDIA comes before both: a complete folder rescues a working directory with a
# broken media/, and a broken one is used (and named) even where a complete media/ is.
run_installed override_good "$tmp/lacking" "KINETARIUM_MEDIA=$tmp/good/media"
((status == 0)) || fail "override to complete data: exit status $status: $(cat "$tmp/override_good.log")"
run_installed override_lacking "$tmp/good" "KINETARIUM_MEDIA=$tmp/lacking/media"
expect_error override_lacking "$tmp/lacking/media"
# A relative value is taken from the working directory; a folder that is not there is not
# replaced by another one.
run_installed override_relative "$tmp/good" "KINETARIUM_MEDIA=../lacking/media"
expect_error override_relative "$tmp/lacking/media"
run_installed override_missing "$tmp/good" "KINETARIUM_MEDIA=$tmp/nowhere"
expect_error override_missing "Error: cannot open the media folder $tmp/nowhere."

# The Python package, where the build made it: imported from the moved prefix, it finds the
# moved data and runs a generation.
if [[ -f $build/python/kinetarium/__init__.py ]]; then
    package=$prefix/lib/python3/dist-packages
    [[ -f $package/kinetarium/__init__.py ]] || fail "not installed: lib/python3/dist-packages/kinetarium"
    mkdir -p "$tmp/python-run"
    python_status=0
    (cd "$tmp/python-run" && env -u KINETARIUM_MEDIA PYTHONPATH="$package" timeout 120 /usr/bin/python3 -c \
        'import kinetarium; a = kinetarium.Arena(seed=5, generation_time=1); print(a.evaluate(a.initial_genomes()).shape)') \
        >"$tmp/python.log" 2>&1 </dev/null || python_status=$?
    [[ $python_status == 0 && $(cat "$tmp/python.log") == "(20,)" ]] ||
        fail "the installed Python package: exit status $python_status: $(cat "$tmp/python.log")"
fi

# No data anywhere: both places are named.
mv "$installed_media" "$tmp/media-away"
run_installed none "$tmp/elsewhere"
expect_error none "$tmp/elsewhere/media"
expect_error none "$installed_media"

if ((failures > 0)); then
    echo "$failures check(s) failed"
    exit 1
fi
echo "all checks passed"
