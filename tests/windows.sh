#!/usr/bin/env bash
# The Windows program, built and run: scripts/build-windows.sh cross-builds freeglut and the
# program with MinGW-w64 (every program source compiled with warnings as errors) and packs the
# zip and the installer; the zip holds the program, the freeglut DLL, README.md and LICENSE, and
# every DLL that the program and that DLL import is either in the zip or part of Windows; the
# program holds its icon and version information as resources. Then, on the X display in
# DISPLAY (a virtual one from scripts/with-xvfb.sh, no window manager), the Linux program and the
# Windows program unpacked from the zip and run under Wine in a fresh prefix are driven alike: the
# window with its title opens at 500 x 500, "  Armario" is chosen in the right button's pop-up
# menu and a wardrobe placed with a left click, and Escape ends the program with status 0. Three
# frames of the two programs must be identical, pixel for pixel: Wine's OpenGL passes the calls to
# the same Mesa renderer on the same display, so any difference is the Windows build's own (the
# GLUT window set up otherwise, a different view, a piece placed elsewhere). Last, in the same
# prefix, the installer installs silently, the program started from its Start menu entry draws the
# same first frame with its own icon on its window and ends on Escape, and the silent uninstall
# leaves nothing of the install behind. Prints one line per check passed; the first check that
# fails ends the script with status 1.
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
  convert wrestool icotool python3 xprop
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

# The program's resources (wrestool): the icon group GLUT_ICON, which freeglut gives its window
# class, with the program's icon in 16, 32, 48 and 256 pixels, the 48 and 256 pixel images those
# of data/icons/; and the version information with the project's version and the licence's
# copyright line.
wrestool -l "$app/room-planner.exe" >"$work/resources" 2>&1 || true
grep -q -- "--type=14 --name='GLUT_ICON' .*type=group_icon" "$work/resources" ||
  fail "room-planner.exe has no icon group GLUT_ICON: wrestool -l says $(head -n 3 "$work/resources")"
wrestool -x --type=14 --name=GLUT_ICON "$app/room-planner.exe" >"$work/program.ico"
mkdir "$work/icon"
icotool -x -o "$work/icon" "$work/program.ico" || fail "icotool cannot read the icon GLUT_ICON"
icon_images=$(icotool -l "$work/program.ico" |
  sed -En 's/.*--width=([0-9]+) --height=([0-9]+) --bit-depth=([0-9]+).*/\1x\2x\3/p' | paste -sd ' ' -)
[ "$icon_images" = "16x16x32 32x32x32 48x48x32 256x256x32" ] ||
  fail "the icon GLUT_ICON holds the images $icon_images (width x height x bits), not 16, 32, 48" \
    "and 256 pixels with an alpha channel"
for size in 48 256; do
  out=$(compare -metric AE "$work"/icon/*_"${size}x${size}x32.png" "data/icons/room-planner-$size.png" \
    null: 2>&1) || fail "the icon's $size-pixel image differs from data/icons/room-planner-$size.png: $out"
done
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:[A-Z]*=//p' "$win_build/CMakeCache.txt")
copyright=$(grep -m 1 '^Copyright (c) ' LICENSE)
strings -el <(wrestool -x --raw --type=16 "$app/room-planner.exe") >"$work/version.txt"
for text in FileVersion ProductVersion "$version" LegalCopyright "$copyright"; do
  grep -qxF "$text" "$work/version.txt" ||
    fail "the version information of room-planner.exe lacks \"$text\": $(paste -sd ' ' "$work/version.txt")"
done
pass "room-planner.exe holds the icon group GLUT_ICON ($icon_images, the 48 and 256 pixel" \
  "images those of data/icons/) and version information $version with the licence's copyright"

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
  echo "  $name: the $frame frame equals the Linux program's, 0 of 250000 pixels differ" \
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
# The installer beside the zip: a 64-bit NSIS installer. Run silently (/S) as an administrator,
# as Wine's user is, it installs for every user of the machine: the zip's files and the
# uninstaller into Program Files\room-planner, a Start menu entry in the Start menu of all users,
# and the uninstaller's key in Apps and features with the program's name, version, publisher (the
# licence's copyright holder) and icon.
installers=("$win_build"/room-planner-*-win64.exe)
installer=${installers[0]}
[ -f "$installer" ] && [ ${#installers[@]} -eq 1 ] ||
  fail "scripts/build-windows.sh wrote no room-planner-*-win64.exe beside the zip"
x86_64-w64-mingw32-objdump -f "$installer" | grep -q 'file format pei-x86-64' ||
  fail "$(basename "$installer") is not a 64-bit Windows program"
uninstall_keys='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall'
uninstall_key=$uninstall_keys'\room-planner'
# Drive C:'s files and folders, and the subkeys of the keys where programs register, into
# $work/$1.files and $work/$1.keys.
snapshot() {
  (cd "$WINEPREFIX/drive_c" && find . | LC_ALL=C sort) >"$work/$1.files"
  : >"$work/$1.keys"
  for key in 'HKLM\Software' 'HKCU\Software' "$uninstall_keys"; do
    wine reg query "$key" >"$work/query" 2>&1 || fail "wine reg query $key failed: $(head -n 2 "$work/query")"
    tr -d '\r' <"$work/query" | { grep '^HKEY_' || true; } >>"$work/$1.keys"
  done
  LC_ALL=C sort -o "$work/$1.keys" "$work/$1.keys"
}
snapshot before-install
started=$(now)
status=0
wine "$installer" /S >"$work/install.log" 2>&1 || status=$?
[ "$status" -eq 0 ] || fail "$(basename "$installer") /S ended with status $status"
snapshot installed
menu='./ProgramData/Microsoft/Windows/Start Menu/Programs/Room Planner'
printf '%s\n' "./Program Files/room-planner" "$menu" "$menu/Room Planner.lnk" "$menu/Uninstall.lnk" \
  "./Program Files/room-planner/"{LICENSE,README.md,Uninstall.exe,libfreeglut.dll,room-planner.exe} |
  LC_ALL=C sort >"$work/expected"
LC_ALL=C comm -13 "$work/before-install.files" "$work/installed.files" >"$work/added"
diff "$work/expected" "$work/added" >/dev/null ||
  fail "the silent install added to drive C: $(tr '\n' ' ' <"$work/added")instead of" \
    "$(tr '\n' ' ' <"$work/expected")"
installed=$WINEPREFIX/drive_c/Program\ Files/room-planner
for file in LICENSE README.md libfreeglut.dll room-planner.exe; do
  cmp -s "$app/$file" "$installed/$file" || fail "the installed $file differs from the zip's"
done
lnk=$WINEPREFIX/drive_c/${menu#./}/Room\ Planner.lnk
strings -a "$lnk" | grep -qxF 'C:\Program Files\room-planner\room-planner.exe' ||
  fail "the Start menu entry does not start C:\\Program Files\\room-planner\\room-planner.exe"
wine reg query "$uninstall_key" | tr -d '\r' >"$work/uninstall.key" ||
  fail "the install registered no uninstaller under $uninstall_key"
# The text of the value $1 of the uninstaller's key.
value() {
  sed -n "s/^ *$1 *REG_SZ *//p" "$work/uninstall.key"
}
publisher=$(value Publisher)
[ "$(value DisplayName)" = "Room Planner" ] && [ "$(value DisplayVersion)" = "$version" ] &&
  [ -n "$publisher" ] && [[ $copyright == *" $publisher" ]] &&
  [ "$(value DisplayIcon)" = 'C:\Program Files\room-planner\room-planner.exe' ] &&
  [ "$(value UninstallString)" = '"C:\Program Files\room-planner\Uninstall.exe"' ] ||
  fail "the uninstaller's key $uninstall_key holds:"$'\n'"$(cat "$work/uninstall.key")"
sed -n 's/^ *\(Display[A-Za-z]*\|Publisher\|UninstallString\) *REG_SZ */  \1: /p' "$work/uninstall.key"
pass "$(basename "$installer") ($(stat -c %s "$installer") bytes, 64-bit) installed silently in" \
  "$(since "$started") s: the zip's files and Uninstall.exe in C:\\Program Files\\room-planner, the" \
  "Start menu entry Room Planner for all users, and the uninstaller's key with name, version," \
  "publisher and icon"

# The installed program, started from its Start menu entry: its first frame, its window's icon
# (Wine hands the window class's icon to X11 as _NET_WM_ICON), which must be the program's own
# image of each size, and Escape. The window takes the keyboard once it has been clicked; a left
# click in the perspective view before any menu choice changes nothing.
name=installed
start_program wine start /wait /unix "$lnk"
pointer_away
capture perspective
xprop -id "$window" -notype -f _NET_WM_ICON 32c _NET_WM_ICON >"$work/icon.property"
window_icons=$(python3 - "$work/icon.property" "$work/icon" 2>&1 <<'PYTHON'
import glob, subprocess, sys

text = open(sys.argv[1]).read()
if "=" not in text:
    sys.exit("the window has no _NET_WM_ICON: " + text.strip())
words = [int(w) for w in text.split("=", 1)[1].replace(",", " ").split()]
at = 0
while at < len(words):  # each icon: width, height, then its pixels as 0xAARRGGBB
    width, height = words[at:at + 2]
    images = glob.glob("%s/*_%dx%dx32.png" % (sys.argv[2], width, height))
    if not images:
        sys.exit("the window's icon has a %dx%d image, which the program's icon has not" % (width, height))
    rgba = subprocess.run(["convert", images[0], "-depth", "8", "rgba:-"], check=True,
                          capture_output=True).stdout
    expected = [a << 24 | r << 16 | g << 8 | b for r, g, b, a in zip(*[iter(rgba)] * 4)]
    got = words[at + 2:at + 2 + width * height]
    wrong = sum(1 for e, g in zip(expected, got) if e != g) + abs(len(expected) - len(got))
    if wrong:
        sys.exit("%d of the %dx%d pixels of the window's icon differ from the program's icon" %
                 (wrong, width, height))
    print("%dx%d" % (width, height), end=" ")
    at += 2 + width * height
PYTHON
) || fail "$name: $window_icons"
xdotool mousemove $((X + 450)) $((Y + 50)) click 1
sleep 0.3
xdotool key Escape
program_ended "Escape ($name)"
pass "the installed program, started from its Start menu entry, drew the Linux program's first" \
  "frame, its window's icon is the program's own (${window_icons}pixels), and Escape ended it" \
  "with status 0"

# The uninstaller, as Apps and features runs it. It copies itself into the user's temporary folder,
# starts the copy and ends at once; the copy removes the program. wineserver -w waits until every
# program of the prefix has ended. The copy is deleted when Windows starts next (Wine: when the
# prefix starts next), and an empty folder ~nsu*.tmp is left in the temporary folder: NSIS's way.
uninstaller=$(value UninstallString)
uninstaller=${uninstaller//\"/}
started=$(now)
status=0
wine "$uninstaller" /S >"$work/uninstall.log" 2>&1 || status=$?
[ "$status" -eq 0 ] || fail "$uninstaller /S ended with status $status"
timeout 60 wineserver -w || fail "the uninstaller had not ended 60 s after it started"
[ ! -e "$installed" ] || fail "the uninstall left C:\\Program Files\\room-planner: $(ls "$installed")"
snapshot uninstalled
status=0
wine reg query "$uninstall_key" >/dev/null 2>&1 || status=$?
[ "$status" -ne 0 ] || fail "the uninstall left the key $uninstall_key"
LC_ALL=C comm -3 "$work/before-install.files" "$work/uninstalled.files" |
  grep -v $'^\t\\./users/[^/]*/Temp/~nsu[^/]*\\.tmp\\(/[^/]*\\)\\?$' >"$work/left" || true
[ ! -s "$work/left" ] ||
  fail "drive C: after the uninstall differs from before the install (a tab: added):"$'\n'"$(cat "$work/left")"
diff "$work/before-install.keys" "$work/uninstalled.keys" >"$work/keys-left" ||
  fail "the registry's keys after the uninstall differ from before the install:"$'\n'"$(cat "$work/keys-left")"
temporary=$(LC_ALL=C comm -13 "$work/before-install.files" "$work/uninstalled.files" | paste -sd ' ' -)
pass "the silent uninstall, run as Apps and features runs it, took $(since "$started") s and left" \
  "no file, folder, Start menu entry or registry key of the install; in the temporary folder:" \
  "${temporary:-nothing}"
echo "windows: all checks passed in $(since "$check_started") s"
