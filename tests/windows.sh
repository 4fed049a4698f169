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
title='La Quellmar. Alumno: Tobias Wrennick'
# DLLs that come with Windows itself.
system_dlls='kernel32 user32 gdi32 advapi32 msvcrt opengl32 glu32 winmm shell32 ole32 oleaut32
comdlg32 imm32 version ws2_32'

work=$(mktemp -d)
pid=""
prefix=""
cleanup() {
  if [ -n "$pid" ]; then
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  fi
  if [ -n "$prefix" ]; then
    WINEPREFIX=$prefix wineserver -k 2>/dev/null || true
    rm -rf "$prefix"
  fi
  rm -rf "$work"
}
trap cleanup EXIT

check=windows
# shellcheck source=tests/checks.sh
source tests/checks.sh
now() {
  date +%s.%N
}
since() {
  awk -v start="$1" -v end="$(now)" 'BEGIN { printf "%.1f", end - start }'
}

for tool in wine wineserver wineboot x86_64-w64-mingw32-objdump unzip xdotool import compare convert; do
  command -v "$tool" >/dev/null 2>&1 || fail "$tool is not installed (scripts/install-deps.sh test)"
done
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
# engine installers, and no menu entries written into the home folder.
prefix=$(cd "$win_build" && pwd)/wine-prefix
rm -rf "$prefix"
export WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES='mscoree,mshtml,winemenubuilder.exe=d'
unset WINEDLLPATH WINEPATH
started=$(now)
logged wineboot wineboot -i || fail "wineboot could not create the prefix $prefix"
pass "a fresh Wine prefix ($(wine --version)) made in $(since "$started") s"

# A screenshot of the whole screen. Taking it once failed with BadMatch on X_GetImage while the
# Windows program ran; it is tried again before the check gives up.
shot() {
  for _ in 1 2 3; do
    import -window root -silent "$work/$1.png" 2>"$work/shot.log" && return
    echo "  the screenshot $1 failed ($(head -n 1 "$work/shot.log")); trying again" >&2
    sleep 0.2
  done
  fail "$name: could not take the screenshot $1: $(head -n 1 "$work/shot.log")"
}

# Cuts the rectangle WIDTHxHEIGHT+X+Y (root coordinates) out of screenshot $1 into the file $3.
cut_out() {
  convert "$work/$1.png" -crop "$2" +repage "$3"
}

# Pixels that differ between two screenshots in the rectangle X0 Y0 X1 Y1 (root coordinates) of
# the first and, where BX0 BY0 follow, the rectangle of the same size there in the second, as
# "changed total".
region_diff() {
  local width=$(($5 - $3)) height=$(($6 - $4)) out status=0
  cut_out "$1" "${width}x$height+$3+$4" "$work/region_a.png"
  cut_out "$2" "${width}x$height+${7:-$3}+${8:-$4}" "$work/region_b.png"
  out=$(compare -metric AE "$work/region_a.png" "$work/region_b.png" null: 2>&1) || status=$?
  [ "$status" -le 1 ] || fail "ImageMagick could not compare $1 and $2: $out"
  echo "$(awk '{ printf "%d", $1 }' <<<"$out") $((width * height))"
}

# The bounding box "x0 y0 x1 y1" (root coordinates, the second corner exclusive) of the pixels
# that differ between screenshots $1 and $2 inside the rectangle WIDTHxHEIGHT+X+Y; fails when
# none differ.
changed_box() {
  local status=0 w h x y origin_x origin_y
  cut_out "$1" "$3" "$work/box_a.png"
  cut_out "$2" "$3" "$work/box_b.png"
  compare "$work/box_a.png" "$work/box_b.png" -compose src -highlight-color white \
    -lowlight-color black "$work/mask.png" 2>/dev/null || status=$?
  [ "$status" -eq 1 ] || return 1 # 0: nothing differs; 2: an error
  IFS='x+' read -r w h x y <<<"$(convert "$work/mask.png" -format '%@' info:)"
  IFS='x+' read -r _ _ origin_x origin_y <<<"$3"
  echo "$((origin_x + x)) $((origin_y + y)) $((origin_x + x + w)) $((origin_y + y + h))"
}

# Opens the pop-up menu with a right click inside the window at (X, Y), finds entry $1 (0-based,
# of 9) on a screenshot of the open menu, the box of what changed around the pointer, and chooses
# it with a second right click.
choose_menu_entry() {
  local mx=$((X + 100)) my=$((Y + 50)) x0 y0 x1 y1
  xdotool mousemove "$mx" "$my"
  sleep 0.3
  shot menu_closed
  xdotool click 3
  sleep 0.5
  # Moving inside the menu makes it redraw completely before the screenshot.
  xdotool mousemove $((mx + 8)) $((my + 8))
  for _ in $(seq 10); do
    sleep 0.5
    shot menu_open
    # Nine rows of text are at least 90 pixels high: a smaller box is a menu still being drawn.
    if read -r x0 y0 x1 y1 < <(changed_box menu_closed menu_open "400x600+$mx+$my") &&
      [ $((y1 - y0)) -ge 90 ]; then
      xdotool mousemove $(((x0 + x1) / 2)) $((y0 + (2 * $1 + 1) * (y1 - y0) / 18))
      sleep 0.3
      xdotool click 3
      return
    fi
  done
  fail "$name: the pop-up menu did not open"
}

# Takes the screenshot $name-$1 of the window, once the program has drawn it. The Linux program,
# the reference, draws within half a second. The Windows program's frame is taken again every
# half second until it equals the Linux program's (Wine closes the menu a little later), for up to
# 10 s; then the two windows' pictures are kept as PNGs in the Windows build folder.
capture() {
  local frame=$1 started changed total lx ly
  if [ "$name" = linux ]; then
    sleep 0.5
    shot "linux-$frame"
    return
  fi
  read -r lx ly <<<"$linux_xy"
  started=$(now)
  while :; do
    shot "windows-$frame"
    read -r changed total <<<"$(region_diff "linux-$frame" "windows-$frame" "$lx" "$ly" \
      $((lx + 500)) $((ly + 500)) "$X" "$Y")"
    [ "$changed" -eq 0 ] && [ "$total" -eq 250000 ] && break
    if awk -v s="$(since "$started")" 'BEGIN { exit !(s > 10) }'; then
      mkdir -p "$win_build/frames"
      cut_out "linux-$frame" "500x500+$lx+$ly" "$win_build/frames/linux-$frame.png"
      cut_out "windows-$frame" "500x500+$X+$Y" "$win_build/frames/windows-$frame.png"
      fail "the $frame frame: $changed of $total pixels of the Windows program's window differ" \
        "from the Linux program's after 10 s (both in $win_build/frames/)"
    fi
    sleep 0.5
  done
  echo "  windows: the $frame frame equals the Linux program's, 0 of $total pixels differ" \
    "($(since "$started") s)"
}

# Drives one program, started by the command in the arguments, as $name: frames "perspective"
# (the window as it opens), "plan" (after choosing "  Armario") and "placed" (after a left click
# at (150, 350)), then Escape. The window's position goes into ${name}_xy.
drive() {
  local window status started covered total
  started=$(now)
  (cd "$work" && exec "$@") >"$work/$name.log" 2>&1 &
  pid=$!
  window=$(timeout 30 xdotool search --sync --name "^${title//./\\.}\$" | head -n 1) ||
    fail "$name: no window titled \"$title\" opened within 30 s"
  eval "$(xdotool getwindowgeometry --shell "$window")"
  [ "$WIDTH" = 500 ] && [ "$HEIGHT" = 500 ] || fail "$name: the window is ${WIDTH}x$HEIGHT, not 500x500"
  printf -v "${name}_xy" '%s %s' "$X" "$Y"
  echo "  $name: window \"$title\" open $(since "$started") s after the start, at $X,$Y"
  xdotool mousemove 5 5 # out of the window, so the pointer is in none of the screenshots
  sleep 0.5
  capture perspective
  choose_menu_entry 3 # "  Armario"
  xdotool mousemove 5 5
  capture plan
  xdotool mousemove $((X + 150)) $((Y + 350)) click 1
  sleep 0.3
  xdotool mousemove 5 5
  capture placed
  # The wardrobe covers the plan from the click 119 pixels to the right and 86 down: without it
  # the frames would hold no piece to compare.
  read -r covered total <<<"$(region_diff "$name-plan" "$name-placed" $((X + 155)) $((Y + 355)) \
    $((X + 265)) $((Y + 430)))"
  [ "$covered" -ge $((total * 9 / 10)) ] ||
    fail "$name: placing a wardrobe changed $covered of the $total pixels it covers"
  # Escape, with the pointer over the window. Without a window manager the X server gives the
  # keyboard to the window under the pointer, and Wine to its window once it has been clicked.
  xdotool mousemove $((X + 450)) $((Y + 50))
  sleep 0.3
  xdotool key Escape
  for _ in $(seq 50); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.2
  done
  kill -0 "$pid" 2>/dev/null && fail "$name: still running 10 s after Escape"
  status=0
  wait "$pid" || status=$?
  pid=""
  [ "$status" -eq 0 ] || fail "$name: ended with status $status after Escape"
  echo "  $name: the wardrobe placed covers $covered of $total pixels; Escape ended it with status 0"
}

name=linux
drive "$linux_program"
name=windows
drive wine "$app/room-planner.exe"
pass "under Wine the program unpacked from the zip opened its window \"$title\" at 500 x 500, drew" \
  "the perspective view, the plan and the plan with a wardrobe placed through the menu identical" \
  "to the Linux program's, pixel for pixel, and ended with status 0 on Escape"
echo "windows: all checks passed in $(since "$check_started") s"
