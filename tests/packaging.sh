#!/usr/bin/env bash
# Packaging checks on a configured and built build folder, on the X display in DISPLAY (a virtual
# one from scripts/with-xvfb.sh): the install into a staging prefix with its desktop entry and
# AppStream metadata; `make package` in a folder of its own, where it must build the program
# alone, its .deb checked by lintian, its manual page, and its program by hardening-check, with
# its two options and its window's class and icon; a build without the optional libraries; and
# ctest with no DISPLAY. Prints one line per check passed; the first check that fails ends the
# script with status 1.
#
# Usage: tests/packaging.sh [BUILD_FOLDER]   (default: build)
set -euo pipefail
cd "$(dirname "$0")/.."

build=${1:-build}
app_build=build-app-only
app_id=org.roomplanner.RoomPlanner
one_test='StartUp.FreshProcessHasWindowLightingAndInitialScene'

# shellcheck source=tests/checks.sh
source tests/checks.sh
start_check packaging "$@"
require_tools cmake make dpkg-deb lintian mandoc lexgrog man hardening-check readelf ar od \
  desktop-file-validate appstreamcli xdotool xprop python3 identify convert

# Width x height from a PNG's header.
png_size() {
  od -An -tu1 -j16 -N8 "$1" |
    awk '{ print $1 * 16777216 + $2 * 65536 + $3 * 256 + $4 "x" $5 * 16777216 + $6 * 65536 + $7 * 256 + $8 }'
}

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:[A-Z]*=//p' "$build/CMakeCache.txt")
[ -n "$version" ] || fail "$build/CMakeCache.txt names no project version"
# The icons installed, and the ones the window carries.
sizes=(48 128 256)
window_sizes=(48 128)
files=(bin/room-planner "share/applications/$app_id.desktop" "share/metainfo/$app_id.metainfo.xml"
       share/doc/room-planner/README.md.gz share/doc/room-planner/changelog.gz
       share/doc/room-planner/copyright share/man/man1/room-planner.1.gz)
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
pass "the install holds the program, desktop entry, metadata, icons ${sizes[*]}, README," \
  "changelog, copyright and manual page"

desktop=$stage/share/applications/$app_id.desktop
logged desktop desktop-file-validate "$desktop" || fail "desktop-file-validate rejects the desktop entry"
grep -qx 'Exec=room-planner' "$desktop" || fail "the desktop entry does not run room-planner"
grep -qx "Icon=$app_id" "$desktop" || fail "the desktop entry names another icon than $app_id"
window_class=$(sed -n 's/^StartupWMClass=//p' "$desktop")
[ -n "$window_class" ] || fail "the desktop entry names no StartupWMClass"
pass "desktop-file-validate accepts the desktop entry, which runs room-planner with icon $app_id"

metainfo=$stage/share/metainfo/$app_id.metainfo.xml
logged appstream appstreamcli validate --no-net "$metainfo" || fail "appstreamcli rejects the metadata"
grep -q "<launchable type=\"desktop-id\">$app_id.desktop</launchable>" "$metainfo" ||
  fail "the metadata does not launch $app_id.desktop"
grep -q "<release version=\"$version\"" "$metainfo" || fail "the metadata names no release $version"
pass "appstreamcli validate --no-net accepts the metadata of release $version"

# `make package` in a folder configured with every optional library: the tests, benchmarks and
# screenshot tool are there to build, but the package builds the program alone, with the tool that
# writes its window's icon table.
logged package-configure cmake -S . -B "$app_build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_DISABLE_FIND_PACKAGE_GTest=OFF -DCMAKE_DISABLE_FIND_PACKAGE_PNG=OFF \
  -DCMAKE_DISABLE_FIND_PACKAGE_benchmark=OFF \
  -UCMAKE_FIND_ROOT_PATH -UCMAKE_FIND_ROOT_PATH_MODE_PACKAGE ||
  fail "the configure for make package failed"
cmake --build "$app_build" --target help >"$work/targets"
for target in foundation_test room_bench room-screenshots; do
  grep -q "\.\.\. $target\$" "$work/targets" || fail "the folder of make package has no target $target"
done
rm -f "$app_build"/room-planner_*.deb
logged package make --no-print-directory package BUILD="$app_build" || fail "make package failed"
built=$(sed -n 's/.*Built target //p' "$work/package.log" | sort | tr '\n' ' ')
[ "$built" = "room-planner roomplanner window-icon-table " ] ||
  fail "make package built more than the program and its icon table: $built"
debs=("$app_build"/room-planner_"$version"_*.deb)
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
pass "make package built only the targets ${built}(no test, benchmark or tool);" \
  "$(basename "$deb") lists those files, section graphics, Depends: $depends"

# Reproducible: `make package` in another folder, a second later, gives the same bytes, and every
# file in the package and the package's own archives carry the time of the changelog's newest
# entry.
sleep 1
again=$work/package-again
logged package-again make --no-print-directory package BUILD="$again" ||
  fail "make package in a second folder failed"
second=("$again"/room-planner_"$version"_*.deb)
sums=$(sha256sum "$deb" "${second[0]}")
if [ "$(awk '{ print $1 }' <<<"$sums" | uniq | wc -l)" -ne 1 ]; then
  echo "$sums"
  for member in $(ar t "$deb"); do
    cmp -s <(ar p "$deb" "$member") <(ar p "${second[0]}" "$member") || echo "  $member differs"
  done
  diff <(dpkg-deb -c "$deb") <(dpkg-deb -c "${second[0]}") | head -n 10 || true
  fail "make package in $app_build and in $again gave two different packages"
fi
epoch=$(dpkg-parsechangelog -l data/changelog -S Timestamp)
stamp=$(date -u -d "@$epoch" '+%Y-%m-%d %H:%M:%S')
members=$(TZ=UTC0 ar tv "$deb" | awk '{ print $4, $5, $6, $7 }' | sort -u)
[ "$members" = "$(TZ=UTC0 date -d "@$epoch" '+%b %-d %H:%M %Y')" ] ||
  fail "the package's archive members are dated $members, not the changelog's $stamp"
times=$(for part in --ctrl-tarfile --fsys-tarfile; do
  dpkg-deb "$part" "$deb" | TZ=UTC0 tar -tv --full-time -f -
done | awk '{ print $4, $5 }' | sort -u)
[ "$times" = "$stamp" ] || fail "the package's files are dated $(paste -sd ' ' - <<<"$times"), not $stamp"
pass "make package in $app_build and, a second later, in $again gave the same package, sha256" \
  "$(awk 'NR == 1 { print $1 }' <<<"$sums"); every file in it and its archive members are dated" \
  "$stamp UTC, the changelog's newest entry"

# The release's time, which dates the packages, is the one dpkg reads from the changelog, and its
# date, which dates the manual page and the metadata, the one written there, for entries written
# in any time zone.
for date in 'Tue, 08 Dec 2026 12:00:00 +0000' 'Wed, 09 Dec 2026 00:30:00 +0100' \
  'Mon, 31 Dec 2029 19:45:09 -0830' 'Tue, 29 Feb 2028 23:59:59 -1200' \
  'Sun, 1 Sep 2024 00:00:00 +1400' 'Thu, 01 Jan 1970 05:30:00 +0530'; do
  printf 'room-planner (1.0.0) unstable; urgency=medium\n\n  * An entry.\n\n -- %s  %s\n' \
    "$(dpkg-parsechangelog -l data/changelog -S Maintainer)" "$date" >"$work/changelog"
  ours=$(cmake -DCHANGELOG="$work/changelog" -P cmake/changelog.cmake 2>&1)
  read -r _ day month year _ <<<"$date"
  dpkgs="$(dpkg-parsechangelog -l "$work/changelog" -S Timestamp) $(date -d "$day $month $year" +%F)"
  [ "$ours" = "$dpkgs" ] ||
    fail "a changelog entry dated $date would date the release \"$ours\", not \"$dpkgs\""
done
pass "the release's time is the changelog entry's as dpkg-parsechangelog reads it, and its date" \
  "the one written there, in six time zones from -1200 to +1400"

# lintian, with pedantic, informational and experimental tags shown: no error and no warning.
# It leaves a cache file in TMPDIR: the scratch folder, which goes at the end.
status=0
TMPDIR=$work lintian -i -I -E --pedantic --fail-on error,warning "$deb" >"$work/lintian.log" 2>&1 ||
  status=$?
if [ "$status" -ne 0 ] || grep -Eq '^[EW]: ' "$work/lintian.log"; then
  cat "$work/lintian.log"
  fail "lintian finds errors or warnings in $(basename "$deb") (status $status)"
fi
kept=$(grep -E '^[IPX]: ' "$work/lintian.log" | sed 's/^/    /' || true)
pass "lintian -i -I -E --pedantic: no error, no warning;" \
  "$(grep -Ec '^[IPX]: ' "$work/lintian.log" || true) informational, pedantic or experimental tags" \
  "${kept:+$'\n'$kept}"

unpacked=$work/unpacked
dpkg-deb -x "$deb" "$unpacked"
program=$unpacked/usr/bin/room-planner

# The manual page, as it is packaged.
manual=$unpacked/usr/share/man/man1/room-planner.1.gz
logged mandoc mandoc -Tlint "$manual" || fail "mandoc -Tlint finds problems in the manual page"
[ ! -s "$work/mandoc.log" ] || {
  cat "$work/mandoc.log"
  fail "mandoc -Tlint has remarks on the manual page"
}
whatis=$(lexgrog "$manual") || fail "lexgrog finds no name line in the manual page"
[ "$whatis" = "$manual: \"room-planner - plan a furnished room in 3D\"" ] ||
  fail "lexgrog reads the manual page's name line as: $whatis"
MANWIDTH=80 man --warnings -l "$manual" >"$work/man.txt" 2>"$work/man.warnings" ||
  fail "man -l cannot show the manual page"
[ ! -s "$work/man.warnings" ] || {
  cat "$work/man.warnings"
  fail "man -l warns about the manual page"
}
grep -q "room-planner $version" "$work/man.txt" || fail "the manual page is not of version $version"
pass "the manual page: mandoc -Tlint has no remark, lexgrog reads its name line, man -l shows" \
  "its $(wc -l <"$work/man.txt") lines (version $version) without warnings"

# The packaged program, hardened: every default check of hardening-check, control-flow protection
# included. The linker marks the program as protected whatever glibc's start files carry, so
# each of its own objects must carry the marks too.
logged hardening hardening-check "$program" || fail "hardening-check fails on the packaged program"
if [ "$(uname -m)" = x86_64 ]; then
  objects=("$app_build"/CMakeFiles/room-planner.dir/src/app/*.o)
  members=$((${#objects[@]} + $(ar t "$app_build/libroomplanner.a" | wc -l)))
  marked=$(readelf -n "${objects[@]}" "$app_build/libroomplanner.a" |
    grep -c 'x86 feature: IBT, SHSTK' || true)
  [ "$marked" -eq "$members" ] ||
    fail "only $marked of the program's $members objects are built with control-flow protection"
fi
pass "hardening-check passes on the packaged program:" \
  "$(sed -n 's/^ \([^:]*\): yes.*/\1/p' "$work/hardening.log" | paste -sd, - | sed 's/,/, /g')"

# --help and --version: their text, their exit status, and no display needed. A text that cannot
# be written is an error.
status=0
env -u DISPLAY "$program" --help >"$work/help.txt" 2>&1 || status=$?
[ "$status" -eq 0 ] || fail "room-planner --help exits with $status: $(head -n 3 "$work/help.txt")"
head -n 1 "$work/help.txt" | grep -qx 'Usage: room-planner \[--help | --version\]' ||
  fail "room-planner --help does not start with its usage: $(head -n 1 "$work/help.txt")"
grep -q 'man room-planner' "$work/help.txt" || fail "room-planner --help does not name the manual"
status=0
version_out=$(env -u DISPLAY "$program" --version 2>&1) || status=$?
[ "$status" -eq 0 ] && [ "$version_out" = "room-planner $version" ] ||
  fail "room-planner --version exits with $status and prints: $version_out"
status=0
env -u DISPLAY "$program" --help >/dev/full 2>"$work/full.log" || status=$?
[ "$status" -eq 1 ] && grep -q 'cannot write' "$work/full.log" ||
  fail "room-planner --help into a full disk exits with $status: $(cat "$work/full.log")"
pass "with no display, --help prints $(wc -l <"$work/help.txt") lines of usage and --version" \
  "\"$version_out\", both with status 0; --help into a full disk fails with status 1"

# Where no window can be opened, the program says so itself, in one line with the toolkit's
# reason, and ends with status 1: with no display, one that is not there, and one that refuses the
# indirect GLX context asked for.
for setting in DISPLAY= DISPLAY=nonexistent:9 LIBGL_ALWAYS_INDIRECT=1; do
  status=0
  timeout 20 env "$setting" "$program" >"$work/no-window.log" 2>&1 || status=$?
  [ "$status" -eq 1 ] && [ "$(wc -l <"$work/no-window.log")" -eq 1 ] &&
    grep -q '^room-planner: cannot create the window: .' "$work/no-window.log" ||
    fail "with $setting the program ends with status $status: $(cat "$work/no-window.log")"
done
pass "with no display, one that is not there or an indirect GLX context, the program ends with" \
  "status 1 and its own message: $(cat "$work/no-window.log")"

# Any other argument is ignored, and the toolkit sees none: a display named on the command line
# would make it fail.
start_program "$program" -display nonexistent:9 -geometry 10x10 --helpme
kill -0 "$pid" 2>/dev/null || fail "the packaged program ended after opening its window"
pass "the packaged program, unpacked, ignores the arguments -display nonexistent:9 -geometry" \
  "10x10 --helpme and opens its 500 x 500 window \"$window_title\""

# Its window's class is the desktop entry's StartupWMClass, and its icon the packaged icons'
# pixels (a table written at build time from the icon files).
wm_class=""
for _ in $(seq 20); do
  wm_class=$(xprop -id "$window" WM_CLASS)
  [[ $wm_class == *=* ]] && break
  sleep 0.1
done
[ "$wm_class" = "WM_CLASS(STRING) = \"room-planner\", \"$window_class\"" ] ||
  fail "the window's class is not room-planner, $window_class: $wm_class"
xprop -id "$window" -notype -f _NET_WM_ICON 32c _NET_WM_ICON >"$work/icon.property"
icons=()
for size in "${window_sizes[@]}"; do
  icons+=("$unpacked/usr/share/icons/hicolor/${size}x${size}/apps/$app_id.png")
done
icon_sizes=$(python3 - "$work/icon.property" "${icons[@]}" <<'PYTHON'
import subprocess, sys

# _NET_WM_ICON: for each icon its width and height, then its pixels as 0xAARRGGBB.
text = open(sys.argv[1]).read()
if "=" not in text:
    sys.exit("the window has no _NET_WM_ICON: " + text.strip())
words = [int(w) for w in text.split("=", 1)[1].replace(",", " ").split()]
at = 0
for png in sys.argv[2:]:
    size = subprocess.run(["identify", "-format", "%w %h", png], check=True,
                          capture_output=True, text=True).stdout.split()
    width, height = int(size[0]), int(size[1])
    if words[at:at + 2] != [width, height]:
        sys.exit("the icon at word %d is %s, not %dx%d as %s" % (at, words[at:at + 2], width,
                                                                height, png))
    rgba = subprocess.run(["convert", png, "-depth", "8", "rgba:-"], check=True,
                          capture_output=True).stdout
    expected = [a << 24 | r << 16 | g << 8 | b for r, g, b, a in zip(*[iter(rgba)] * 4)]
    got = words[at + 2:at + 2 + width * height]
    wrong = sum(1 for e, g in zip(expected, got) if e != g) + abs(len(expected) - len(got))
    if wrong:
        sys.exit("%d of the %dx%d icon's pixels differ from %s" % (wrong, width, height, png))
    print("%dx%d" % (width, height), end=" ")
    at += 2 + width * height
if at != len(words):
    sys.exit("_NET_WM_ICON holds %d words more than the icons" % (len(words) - at))
PYTHON
) || fail "the window's icon is not the packaged icons"
stop_program
pass "xprop: the window's WM_CLASS is \"room-planner\", \"$window_class\" (the desktop entry's" \
  "StartupWMClass) and its _NET_WM_ICON holds the packaged icons ${icon_sizes}pixel for pixel"

# The program alone, as if GoogleTest and Google Benchmark were not installed: Google Benchmark is
# looked for and not found (no package configuration file is found anywhere, and the one an
# earlier configure found is forgotten), GoogleTest is not looked for. CMake says one line for
# each, and nothing else. (libpng is no option where the window's icon is an X11 property: the
# build reads the icon files with it; tests/portability.sh builds without it and without GLX.)
logged app-configure cmake -S . -B "$app_build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_DISABLE_FIND_PACKAGE_GTest=ON \
  -DCMAKE_FIND_ROOT_PATH=/nonexistent -DCMAKE_FIND_ROOT_PATH_MODE_PACKAGE=ONLY -Ubenchmark_DIR ||
  fail "the configure without the optional libraries failed"
said=$(grep -v -e '^-- ' -e '^$' "$work/app-configure.log" || true)
skipped=$(grep -c 'not found: .* skipped$' <<<"$said" || true)
[ "$skipped" -eq 2 ] && [ "$(wc -l <<<"$said")" -eq 2 ] ||
  fail "the configure without the optional libraries said other than one line for each:"$'\n'"$said"
logged app-build cmake --build "$app_build" -j2 || fail "the build without the optional libraries failed"
[ -x "$app_build/room-planner" ] || fail "the build without the optional libraries made no program"
pass "without GoogleTest and Google Benchmark the configure says one line for each of the 2" \
  "parts it skips, and builds the program"

# ctest with no DISPLAY starts its own virtual display and ends it again.
logged ctest env -u DISPLAY ctest --test-dir "$build" -R "^${one_test//./\\.}\$" --no-tests=error ||
  fail "ctest without DISPLAY failed"
grep -Eq "Test +#[0-9]+: $one_test \.+ +Passed" "$work/ctest.log" ||
  fail "ctest without DISPLAY did not pass $one_test"
[ ! -e "$build/test-display" ] || fail "ctest without DISPLAY left its virtual display running"
pass "ctest with no DISPLAY runs and passes $one_test on a virtual display of its own"
