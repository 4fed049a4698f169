#!/usr/bin/env bash
# Packaging checks on a configured and built build folder, on the X display in DISPLAY (a virtual
# one from scripts/with-xvfb.sh): the install into a staging prefix with its desktop entry and
# AppStream metadata, the .deb of `make package` and its unpacked program, a build without the
# optional libraries, and ctest with no DISPLAY. Prints one line per check passed; the first
# check that fails ends the script with status 1.
#
# Usage: tests/packaging.sh [BUILD_FOLDER]   (default: build)
set -euo pipefail
cd "$(dirname "$0")/.."

build=${1:-build}
app_build=build-app-only
app_id=org.roomplanner.RoomPlanner
title='La Quellmar. Alumno: Tobias Wrennick'
one_test='StartUp.FreshProcessHasWindowLightingAndInitialScene'

work=$(mktemp -d)
pid=""
cleanup() {
  if [ -n "$pid" ]; then
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  fi
  rm -rf "$work"
}
trap cleanup EXIT

pass() {
  echo "PASS packaging: $*"
}
fail() {
  echo "FAIL packaging: $*"
  exit 1
}
# Runs a command with its output into $work/$1.log, and shows the log's end if it fails.
logged() {
  local name=$1
  shift
  if ! "$@" >"$work/$name.log" 2>&1; then
    tail -n 40 "$work/$name.log"
    return 1
  fi
}
# Width x height from a PNG's header.
png_size() {
  od -An -tu1 -j16 -N8 "$1" |
    awk '{ print $1 * 16777216 + $2 * 65536 + $3 * 256 + $4 "x" $5 * 16777216 + $6 * 65536 + $7 * 256 + $8 }'
}

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:[A-Z]*=//p' "$build/CMakeCache.txt")
[ -n "$version" ] || fail "$build/CMakeCache.txt names no project version"
sizes=(48 128 256)
files=(bin/room-planner "share/applications/$app_id.desktop" "share/metainfo/$app_id.metainfo.xml"
       share/doc/room-planner/README.md share/doc/room-planner/LICENSE)
for size in "${sizes[@]}"; do
  files+=("share/icons/hicolor/${size}x${size}/apps/$app_id.png")
done

# Install into a staging prefix.
stage=$work/stage
logged install cmake --install "$build" --prefix "$stage" || fail "cmake --install failed"
for f in "${files[@]}"; do
  [ -f "$stage/$f" ] || fail "the install lacks $f"
done
[ -x "$stage/bin/room-planner" ] || fail "the installed program is not executable"
for size in "${sizes[@]}"; do
  got=$(png_size "$stage/share/icons/hicolor/${size}x${size}/apps/$app_id.png")
  [ "$got" = "${size}x${size}" ] || fail "the ${size}x${size} icon is $got"
done
pass "the install holds the program, desktop entry, metadata, icons ${sizes[*]}, README and LICENSE"

desktop=$stage/share/applications/$app_id.desktop
logged desktop desktop-file-validate "$desktop" || fail "desktop-file-validate rejects the desktop entry"
grep -qx 'Exec=room-planner' "$desktop" || fail "the desktop entry does not run room-planner"
grep -qx "Icon=$app_id" "$desktop" || fail "the desktop entry names another icon than $app_id"
pass "desktop-file-validate accepts the desktop entry, which runs room-planner with icon $app_id"

metainfo=$stage/share/metainfo/$app_id.metainfo.xml
logged appstream appstreamcli validate --no-net "$metainfo" || fail "appstreamcli rejects the metadata"
grep -q "<launchable type=\"desktop-id\">$app_id.desktop</launchable>" "$metainfo" ||
  fail "the metadata does not launch $app_id.desktop"
grep -q "<release version=\"$version\"" "$metainfo" || fail "the metadata names no release $version"
pass "appstreamcli validate --no-net accepts the metadata of release $version"

# The .deb of `make package`.
rm -f "$build"/room-planner_*.deb
logged package make --no-print-directory package BUILD="$build" || fail "make package failed"
debs=("$build"/room-planner_"$version"_*.deb)
[ -f "${debs[0]}" ] && [ ${#debs[@]} -eq 1 ] || fail "make package wrote no room-planner_${version}_*.deb"
deb=${debs[0]}
dpkg-deb -c "$deb" | awk '{ print $NF }' >"$work/contents"
for f in "${files[@]}"; do
  grep -qx "./usr/$f" "$work/contents" || fail "$deb lacks /usr/$f"
done
[ "$(dpkg-deb -f "$deb" Version)" = "$version" ] || fail "$deb has version $(dpkg-deb -f "$deb" Version)"
[ "$(dpkg-deb -f "$deb" Section)" = graphics ] || fail "$deb is not in section graphics"
depends=$(dpkg-deb -f "$deb" Depends)
[[ $depends == *libglut* ]] || fail "$deb does not depend on a GLUT library: $depends"
pass "$(basename "$deb") lists those files, section graphics, Depends: $depends"

dpkg-deb -x "$deb" "$work/unpacked"
"$work/unpacked/usr/bin/room-planner" >"$work/program.log" 2>&1 &
pid=$!
timeout 15 xdotool search --sync --name "^${title//./\\.}\$" >/dev/null ||
  fail "the packaged program opened no window titled \"$title\" within 15 s"
kill -0 "$pid" 2>/dev/null || fail "the packaged program ended after opening its window"
kill "$pid"
wait "$pid" 2>/dev/null || true
pid=""
pass "the packaged program, unpacked, opens its window \"$title\""

# The program alone, as if GoogleTest, Google Benchmark and libpng were not installed.
logged app-configure cmake -S . -B "$app_build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_DISABLE_FIND_PACKAGE_GTest=ON -DCMAKE_DISABLE_FIND_PACKAGE_benchmark=ON \
  -DCMAKE_DISABLE_FIND_PACKAGE_PNG=ON || fail "the configure without the optional libraries failed"
skipped=$(grep -c 'not found: .* skipped$' "$work/app-configure.log" || true)
[ "$skipped" -eq 3 ] || fail "the configure without the optional libraries said $skipped parts were skipped, not 3"
logged app-build cmake --build "$app_build" -j2 || fail "the build without the optional libraries failed"
[ -x "$app_build/room-planner" ] || fail "the build without the optional libraries made no program"
pass "without GoogleTest, Google Benchmark and libpng the configure skips 3 parts and builds the program"

# ctest with no DISPLAY starts its own virtual display and ends it again.
logged ctest env -u DISPLAY ctest --test-dir "$build" -R "^${one_test//./\\.}\$" --no-tests=error ||
  fail "ctest without DISPLAY failed"
grep -Eq "Test +#[0-9]+: $one_test \.+ +Passed" "$work/ctest.log" ||
  fail "ctest without DISPLAY did not pass $one_test"
[ ! -e "$build/test-display" ] || fail "ctest without DISPLAY left its virtual display running"
pass "ctest with no DISPLAY runs and passes $one_test on a virtual display of its own"
