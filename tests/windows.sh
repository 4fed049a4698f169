#!/usr/bin/env bash
# The Windows program, built and run: scripts/build-windows.sh cross-builds freeglut and the
# program with MinGW-w64 (every program source compiled with warnings as errors) and packs the
# zip; the zip holds the program, the freeglut DLL, README.md and LICENSE, and every DLL that the
# program and that DLL import is either in the zip or part of Windows. Then, on the X display in
# DISPLAY (a virtual one from scripts/with-xvfb.sh, no window manager), the Linux program and the
# Windows program unpacked from the zip and run under Wine in a fresh prefix are driven alike: the
# window with its title opens at 500 x 500, "  Armario" is chosen in the right button's pop-up
# menu and a wardrobe placed with a left click, and Escape ends the program with status 0. Three
# frames of the two programs must be identical, pixel for pixel: Wine's OpenGL passes the calls to
# the same Mesa renderer on the same display, so any difference is the Windows build's own (the
# GLUT window set up otherwise, a different view, a piece placed elsewhere). Prints one line per
# check passed; the first check that fails ends the script with status 1.
#
# Usage: tests/windows.sh [LINUX_BUILD_FOLDER]   (default: build; BUILD_WINDOWS names the Windows
#        build folder, default build-windows)
set -euo pipefail
cd "$(dirname "$0")/.."

linux_program=$(realpath -m "${1:-build}/room-planner")
win_build=${BUILD_WINDOWS:-build-windows}
# DLLs that come with Windows itself.
system_dlls='kernel32 user32 gdi32 advapi32 msvcrt opengl32 glu32 winmm shell32 ole32 oleaut32
comdlg32 imm32 version ws2_32'

# shellcheck source=tests/checks.sh
source tests/checks.sh
start_check windows "$@"
prefix=""
cleanup_check() {
  if [ -n "$prefix" ]; then
    WINEPREFIX=$prefix wineserver -k 2>/dev/null || true
    rm -rf "$prefix"
  fi
}
require_tools wine wineserver wineboot x86_64-w64-mingw32-objdump unzip xdotool import compare \
  convert
[ -x "$linux_program" ] || fail "$linux_program is not an executable program"
check_started=$(now)

# Build and pack.
started=$(now)
BUILD=$win_build logged build scripts/build-windows.sh -DCMAKE_COMPILE_WARNING_AS_ERROR=ON ||
  fail "scripts/build-windows.sh failed"
zips=("$win_build"/room-planner-*-win64.zip)
zip=${zips[0]}
[ -f "$zip" ] && [ ${#zips[@]} -eq 1 ] || fail "scripts/build-windows.sh wrote no room-planner-*-win64.zip"
glut_version=$(cat "$win_build/freeglut/install/source-version")
pass "scripts/build-windows.sh built room-planner.exe with no warning against freeglut" \
  "$glut_version and packed $(basename "$zip") in $(since "$started") s"

# What the zip holds, and what its program and DLL import.
top=$(basename "$zip" .zip)
unzip -Z1 "$zip" | sort >"$work/contents"
printf '%s\n' "$top/LICENSE" "$top/README.md" "$top/libfreeglut.dll" "$top/room-planner.exe" |
  sort >"$work/expected"
diff "$work/expected" "$work/contents" >/dev/null ||
  fail "$(basename "$zip") holds $(tr '\n' ' ' <"$work/contents")instead of $(tr '\n' ' ' <"$work/expected")"
unzip -q "$zip" -d "$work/unpacked"
app=$work/unpacked/$top
shipped=$(cd "$app" && ls | tr '[:upper:]' '[:lower:]')
for binary in room-planner.exe libfreeglut.dll; do
  imports=$(x86_64-w64-mingw32-objdump -p "$app/$binary" | sed -n 's/^\tDLL Name: //p')
  [ -n "$imports" ] || fail "objdump lists no DLL that $binary imports"
  for dll in $imports; do
    lower=$(tr '[:upper:]' '[:lower:]' <<<"$dll")
    grep -qxF "$lower" <<<"$shipped" || grep -qwF "${lower%.dll}" <<<"$system_dlls" ||
      fail "$binary imports $dll, which is neither in the zip nor part of Windows"
  done
  echo "  $binary imports: $(tr '\n' ' ' <<<"$imports")"
done
pass "the zip holds room-planner.exe, libfreeglut.dll, README.md and LICENSE; every DLL they" \
  "import is one of them or part of Windows"

# A fresh Wine prefix in the build folder, no DLL search path of Wine's own, no .NET or browser
# engine installers, and no menu entries written into the home folder. The Wine server makes the
# folder of its socket in TMPDIR, and leaves it there: in the scratch folder, it goes with it.
prefix=$(cd "$win_build" && pwd)/wine-prefix
rm -rf "$prefix"
mkdir "$work/tmp"
export WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES='mscoree,mshtml,winemenubuilder.exe=d'
export TMPDIR=$work/tmp
unset WINEDLLPATH WINEPATH
started=$(now)
logged wineboot wineboot -i || fail "wineboot could not create the prefix $prefix"
pass "a fresh Wine prefix ($(wine --version)) made in $(since "$started") s"

# Takes the screenshot $name-$1 of the window, once the program has drawn it. The Linux program,
# the reference, draws within half a second. The Windows program's frame is taken again every
# half second until it equals the Linux program's (Wine closes the menu a little later), for up to
# 10 s; then the two windows' pictures are kept as PNGs in the Windows build folder.
capture() {
  local frame=$1 started changed lx ly
  if [ "$name" = linux ]; then
    sleep 0.5
    shot "linux-$frame"
    return
  fi
  read -r lx ly <<<"$linux_xy"
  started=$(now)
  while :; do
    shot "windows-$frame"
    changed=$(differing "linux-$frame" "windows-$frame" "500x500+$lx+$ly" "500x500+$X+$Y")
    [ "$changed" -eq 0 ] && break
    if awk -v s="$(since "$started")" 'BEGIN { exit !(s > 10) }'; then
      mkdir -p "$win_build/frames"
      convert "$work/linux-$frame.png" -crop "500x500+$lx+$ly" +repage \
        "$win_build/frames/linux-$frame.png"
      convert "$work/windows-$frame.png" -crop "500x500+$X+$Y" +repage \
        "$win_build/frames/windows-$frame.png"
      fail "the $frame frame: $changed of 250000 pixels of the Windows program's window differ" \
        "from the Linux program's after 10 s (both in $win_build/frames/)"
    fi
    sleep 0.5
  done
  echo "  windows: the $frame frame equals the Linux program's, 0 of 250000 pixels differ" \
    "($(since "$started") s)"
}

# Drives one program, started by the command in the arguments, as $name: frames "perspective"
# (the window as it opens), "plan" (after choosing "  Armario") and "placed" (after a left click
# at (150, 350)), then Escape. The window's position goes into ${name}_xy.
drive() {
  local started covered total
  started=$(now)
  start_program env --chdir="$work" "$@"
  printf -v "${name}_xy" '%s %s' "$X" "$Y"
  echo "  $name: window \"$window_title\" open $(since "$started") s after the start, at $X,$Y"
  pointer_away
  capture perspective
  if [ "$name" = windows ]; then
    # freeglut's Windows backend mistakes a click off the menu for one on it as on X11; the
    # perspective view must stay as it was.
    click_off_menu
    pointer_away
    capture perspective
    echo "  windows: a left click off the menu at ($off_menu_x, $off_menu_y), where GLUT finds" \
      "\"Salir\", chose nothing"
  fi
  choose_menu_entry 3 # "  Armario"
  xdotool mousemove 5 5
  capture plan
  xdotool mousemove $((X + 150)) $((Y + 350)) click 1
  sleep 0.3
  xdotool mousemove 5 5
  capture placed
  # The wardrobe covers the plan from the click 119 pixels to the right and 86 down: without it
  # the frames would hold no piece to compare.
  read -r covered total <<<"$(window_change "$name-plan" "$name-placed" 155 355 265 430)"
  [ "$covered" -ge $((total * 9 / 10)) ] ||
    fail "$name: placing a wardrobe changed $covered of the $total pixels it covers"
  # Escape, with the pointer over the window. Without a window manager the X server gives the
  # keyboard to the window under the pointer, and Wine to its window once it has been clicked.
  xdotool mousemove $((X + 450)) $((Y + 50))
  sleep 0.3
  xdotool key Escape
  program_ended "Escape ($name)"
  echo "  $name: the wardrobe placed covers $covered of $total pixels; Escape ended it with status 0"
}

name=linux
drive "$linux_program"
name=windows
drive wine "$app/room-planner.exe"
pass "under Wine the program unpacked from the zip opened its window \"$window_title\" at 500 x 500," \
  "drew the perspective view, the plan and the plan with a wardrobe placed through the menu" \
  "identical to the Linux program's, pixel for pixel, and ended with status 0 on Escape"
echo "windows: all checks passed in $(since "$check_started") s"
