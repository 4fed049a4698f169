# The plumbing of the check scripts (tests/*.sh, tests/e2e/*.sh), sourced by each. A script calls
# start_check first, then uses the rest.
#
#   start_check NAME "$@"  names the script's checks, runs the script again on a virtual X display
#                          of its own (scripts/with-xvfb.sh) where DISPLAY is unset, and makes
#                          `work`, a scratch folder. When the script ends, however it ends, the
#                          program started by start_program is stopped, the script's own
#                          cleanup_check runs where it defines one, and `work` is removed.
# Reporting
#   pass TEXT...           one line for a check passed
#   fail TEXT...           one line for the check that failed, and the end of the script, status 1
#   logged NAME CMD...     runs CMD with its output into $work/NAME.log; shows the log's end if it
#                          fails
#   require_tools TOOL...  fails unless every tool is installed (make test installs them all)
# The program's window, on the display in DISPLAY (no window manager)
#   window_title           the title the program gives its window, as its source names it
#   start_program [CMD...] starts the program, $program unless a command is given, and waits for
#                          its 500 x 500 window: sets pid, window and the window's position X, Y;
#                          other programs' pop-ups, where they run, stop 2 s after the start
#   stop_program           stops it, failing if it ended by itself
#   program_ended WHAT     waits up to 10 s for the program to end after WHAT (a key, a menu
#                          choice), failing unless it ended with status 0
#   pointer_away           takes the pointer out of the window, so that no screenshot shows it
#   move_in_steps X0 Y0 X1 Y1  moves the pointer between window pixels in five steps
#   place_window X Y       moves the program's window to screen pixel (X, Y)
#   window_as_before A B TEXT...  takes screenshot B and fails with TEXT unless the program runs
#                          and its window shows exactly what screenshot A showed
#   open_menu_at X Y [hold]  opens the pop-up menu with a right click (or, with hold, a right
#                          press left held) at window pixel (X, Y) and finds it on a screenshot:
#                          sets its box menu_x0 menu_y0 menu_x1 menu_y1 (window pixels, the second
#                          corner exclusive)
#   menu_entry N           the middle "x y" (window pixels) of entry N (0-based, of 9) of the
#                          menu open_menu_at found
#   choose_menu_entry N    opens the pop-up menu and chooses entry N with a right click on it
#   on_entry N ACTION...   moves the pointer onto entry N of the open menu and makes the xdotool
#                          ACTION there
#   click_off_menu         opens the menu and left-clicks off it where GLUT finds "Salir",
#                          failing if the program ended; sets the spot off_menu_x off_menu_y
#                          (window pixels)
#   menu_gestures_choose_nothing  with the window near the screen's corner, where GLUT mistakes
#                          where clicks lie: the right button pressed, moved onto an entry and
#                          released; a left press just off the menu while the pointer moves onto
#                          it; a wheel notch over "Salir". Then gestures the program reads in one
#                          batch: a right press and a click where the last menu's "Salir" stood;
#                          the menu opened and closed by a click off it. Each must leave the
#                          window as it was.
#   other_programs_pop_ups start|stop  another X client showing pop-ups as fast as it can
# Screenshots of the whole screen and their regions; RECT is WIDTHxHEIGHT+X+Y in screen pixels
#   shot NAME              takes the screenshot NAME
#   differing A B RECT [RECT_B]  how many pixels differ between screenshots A and B inside RECT
#                          (in B inside RECT_B, of the same size, where given)
#   window_change A B X0 Y0 X1 Y1  the same for a rectangle of window pixels (the second corner
#                          exclusive), as "changed total"
#   changed_box A B RECT   the box "x0 y0 x1 y1" (window pixels, the second corner exclusive) of
#                          the pixels that differ inside RECT; status 1 when none do
# Timing
#   now                    seconds since the epoch, to the nanosecond
#   since START            seconds since START, to one decimal
#   sleep_until START S    sleeps until S seconds after START

checks_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

start_check() {
  check=$1
  shift
  if [ -z "${DISPLAY:-}" ]; then
    require_tools xvfb-run
    exec "$checks_root/scripts/with-xvfb.sh" "$0" "$@"
  fi
  work=$(mktemp -d)
  pid=""
  trap end_check EXIT
}

end_check() {
  if [ -n "${pop_ups:-}" ]; then
    other_programs_pop_ups stop
  fi
  if [ -n "$pid" ]; then
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  fi
  if declare -F cleanup_check >/dev/null; then
    cleanup_check
  fi
  rm -rf "$work"
}

pass() {
  echo "PASS $check: $*"
}

fail() {
  echo "FAIL $check: $*"
  exit 1
}

logged() {
  local name=$1
  shift
  if ! "$@" >"$work/$name.log" 2>&1; then
    tail -n 40 "$work/$name.log"
    return 1
  fi
}

require_tools() {
  local tool
  for tool in "$@"; do
    command -v "$tool" >/dev/null 2>&1 ||
      fail "$tool is not installed (scripts/install-deps.sh test installs it)"
  done
}

window_title=$(sed -n 's/^inline constexpr const char \*windowTitle = "\(.*\)";$/\1/p' \
  "$checks_root/src/app/app_shell.h")
[ -n "$window_title" ] || {
  echo "tests/checks.sh: src/app/app_shell.h names no windowTitle" >&2
  exit 1
}

start_program() {
  local command=("$@")
  [ ${#command[@]} -gt 0 ] || command=("$program")
  "${command[@]}" >"$work/program.log" 2>&1 &
  pid=$!
  # xdotool's search fails on a window that vanishes while it looks: other programs' pop-ups
  # stop first, once the program has had time to make its window and menu among them.
  if [ -n "${pop_ups:-}" ]; then
    sleep 2
    other_programs_pop_ups stop
  fi
  window=""
  for _ in $(seq 300); do
    window=$(xdotool search --name "^${window_title//./\\.}\$" 2>/dev/null | head -n 1) || true
    [ -n "$window" ] && break
    sleep 0.1
  done
  [ -n "$window" ] || fail "no window titled \"$window_title\" appeared within 30 s;" \
    "the program wrote: $(tail -n 5 "$work/program.log")"
  eval "$(xdotool getwindowgeometry --shell "$window")"
  if [ "$WIDTH" != 500 ] || [ "$HEIGHT" != 500 ]; then
    fail "window is ${WIDTH}x${HEIGHT}, not 500x500"
  fi
  sleep 0.5
}

stop_program() {
  kill -0 "$pid" 2>/dev/null || fail "the program ended during the run"
  kill "$pid"
  wait "$pid" 2>/dev/null || true
  pid=""
}

program_ended() {
  local status=0
  for _ in $(seq 50); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.2
  done
  kill -0 "$pid" 2>/dev/null && fail "the program still runs 10 s after $1"
  wait "$pid" || status=$?
  pid=""
  [ "$status" -eq 0 ] || fail "the program ended with status $status after $1"
}

pointer_away() {
  xdotool mousemove 5 5
  sleep 0.5
}

move_in_steps() {
  local step
  for step in 1 2 3 4 5; do
    xdotool mousemove $((X + $1 + ($3 - $1) * step / 5)) $((Y + $2 + ($4 - $2) * step / 5))
    sleep 0.1
  done
}

# The menu opens with a corner at the pointer (shifted if it would leave the screen): its window is
# the box of the pixels that changed around the pointer. Nine rows of text are at least 90 pixels
# high: a smaller box is a menu still being drawn (Wine draws it a little later), looked at again.
open_menu_at() {
  local mx=$((X + $1)) my=$((Y + $2)) search
  xdotool mousemove "$mx" "$my"
  sleep 0.3
  shot menu_closed
  if [ "${3:-}" = hold ]; then
    xdotool mousedown 3
  else
    xdotool click 3
  fi
  sleep 0.4
  # Moving inside the menu makes it redraw completely before the screenshot.
  xdotool mousemove $((mx + 8)) $((my + 8))
  local left=$((mx > 400 ? mx - 400 : 0)) top=$((my > 600 ? my - 600 : 0))
  search="$((mx + 400 - left))x$((my + 600 - top))+$left+$top"
  for _ in $(seq 10); do
    sleep 0.4
    shot menu_open
    if read -r menu_x0 menu_y0 menu_x1 menu_y1 < <(changed_box menu_closed menu_open "$search") &&
      [ $((menu_y1 - menu_y0)) -ge 90 ]; then
      return
    fi
  done
  fail "the pop-up menu did not open"
}

menu_entry() {
  echo "$(((menu_x0 + menu_x1) / 2)) $((menu_y0 + (2 * $1 + 1) * (menu_y1 - menu_y0) / 18))"
}

# Two right clicks: a press held while the pointer moves to the entry and released there chooses
# nothing with the window away from the screen's corner, because GLUT compares that release,
# which reaches the program's window, counted in window pixels, with the menu's place counted in
# screen pixels, and reports another entry or none.
choose_menu_entry() {
  open_menu_at 100 50
  on_entry "$1" click 3
  sleep 0.2
}

# Moves the pointer onto entry $1 of the menu open_menu_at found, and makes the xdotool action in
# the other arguments there.
on_entry() {
  local ex ey entry=$1
  shift
  read -r ex ey < <(menu_entry "$entry")
  xdotool mousemove $((X + ex)) $((Y + ey))
  sleep 0.3
  xdotool "$@"
  sleep 0.3
}

# GLUT (freeglut) takes a click in the program's window, counted from the window's corner, for a
# click on the menu counted from the screen's: the click as far right of and below "Salir" as the
# window stands from the screen's corner is the one it takes for a click on that entry. The menu
# opens near the window's top left corner, so that the spot lies in the window, off the menu.
click_off_menu() {
  local ex ey sx sy
  open_menu_at 20 20
  read -r ex ey < <(menu_entry 8)
  sx=$((ex + X)) sy=$((ey + Y))
  off_menu_x=$sx off_menu_y=$sy
  if [ "$sx" -ge "$menu_x0" ] && [ "$sx" -lt "$menu_x1" ] && [ "$sy" -ge "$menu_y0" ] &&
    [ "$sy" -lt "$menu_y1" ]; then
    fail "the spot ($sx, $sy) right of and below \"Salir\" lies on the menu"
  fi
  xdotool mousemove $((X + sx)) $((Y + sy)) click 1
  # Until the menu is gone: the window shows again what it showed before the menu opened. (Wine
  # takes up to two seconds to hide it.)
  local menu="$((menu_x1 - menu_x0))x$((menu_y1 - menu_y0))+$((X + menu_x0))+$((Y + menu_y0))"
  for _ in $(seq 20); do
    sleep 0.25
    kill -0 "$pid" 2>/dev/null || break
    shot menu_gone
    [ "$(differing menu_closed menu_gone "$menu")" -eq 0 ] && break
  done
  kill -0 "$pid" 2>/dev/null ||
    fail "a left click off the menu at window pixel ($sx, $sy) chose \"Salir\": the program ended"
}

# GLUT takes a button event on the program's window for one as far up and left on the menu as the
# window stands from the screen's corner: with the window near the corner it finds entries there.
# Each gesture must leave the window as it was and the program running.
menu_gestures_choose_nothing() {
  place_window 30 60
  pointer_away
  shot gestures_start
  open_menu_at 40 40 hold
  on_entry 7 mouseup 3
  window_as_before gestures_start gesture_1 'the right button pressed, moved onto "  Cama" and released'

  place_window 0 20
  pointer_away
  shot gestures_start
  open_menu_at 40 40
  # Stopped, the program reads the press only once the pointer has moved on.
  kill -STOP "$pid"
  xdotool mousemove $((X + (menu_x0 + menu_x1) / 2)) $((Y + menu_y1 + 5)) mousedown 1 \
    mousemove_relative -- 0 -8 mouseup 1
  kill -CONT "$pid"
  window_as_before gestures_start gesture_2 "a left press 5 pixels below the menu, the pointer" \
    "moved onto the menu before the program read the press"

  open_menu_at 40 40
  on_entry 8 click 4
  window_as_before gestures_start gesture_3 'a wheel notch over "Salir"'

  # Stopped, the program reads what follows in one go; GLUT opens the menu where the pointer is
  # then, and shows it only once it has handled them all.
  place_window 100 100
  pointer_away
  shot gestures_start
  open_menu_at 200 150
  read -r ex ey < <(menu_entry 8)
  xdotool mousemove $((X + 450)) $((Y + 450)) click 1
  sleep 0.5
  kill -STOP "$pid"
  xdotool mousemove $((X + 150)) $((Y + 150)) mousedown 3 mousemove $((X + ex)) $((Y + ey)) \
    click 1 mousemove "$menu_x0" "$menu_y0" mouseup 3
  kill -CONT "$pid"
  window_as_before gestures_start gesture_4 "a right press, then a click where the last menu's" \
    '"Salir" stood, read in one go'

  # The menu's window, which GLUT names so, keeps the pixels under it: only its state tells that
  # it stands.
  xdotool search --name '^freeglut menu$' >/dev/null || fail 'no window named "freeglut menu"'
  kill -STOP "$pid"
  xdotool mousemove $((X + 40)) $((Y + 40)) click 3 mousemove $((X + 300)) $((Y + 400)) click 1
  kill -CONT "$pid"
  window_as_before gestures_start gesture_5 "the menu opened and closed by a click off it, read" \
    "in one go"
  ! xdotool search --onlyvisible --name '^freeglut menu$' >/dev/null ||
    fail "the menu opened and closed by a click off it, read in one go, still stands"
}

# Fails with the message in the other arguments unless the program runs and its window shows
# exactly what screenshot $1 showed; the screenshot taken is $2.
window_as_before() {
  local reference=$1 name=$2 differ
  shift 2
  pointer_away
  shot "$name"
  kill -0 "$pid" 2>/dev/null || fail "$*: the program ended"
  read -r differ _ < <(window_change "$reference" "$name" 0 0 500 500)
  [ "$differ" -eq 0 ] || fail "$*: $differ pixels of the window differ"
}

place_window() {
  xdotool windowmove --sync "$window" "$1" "$2"
  sleep 0.3
  eval "$(xdotool getwindowgeometry --shell "$window")"
}

# Another program's pop-ups, as tooltips and notifications are: windows that bypass the window
# manager, made, shown and destroyed again as fast as the X server takes them, in the screen's
# bottom right corner.
other_programs_pop_ups() {
  if [ "$1" = stop ]; then
    kill "$pop_ups" 2>/dev/null || true
    wait "$pop_ups" 2>/dev/null || true
    pop_ups=""
    return
  fi
  python3 - >"$work/pop-ups" <<'PYTHON' &
import ctypes, ctypes.util
x, c = ctypes.CDLL(ctypes.util.find_library("X11")), ctypes
class Attributes(c.Structure):  # XSetWindowAttributes
    _fields_ = [(n, t) for t, names in [
        (c.c_ulong, "pixmap pixel border_pixmap border_pixel"), (c.c_int, "bit win backing"),
        (c.c_ulong, "planes backing_pixel"), (c.c_int, "save_under"), (c.c_long, "mask no_mask"),
        (c.c_int, "override_redirect"), (c.c_ulong, "colormap cursor")] for n in names.split()]
x.XOpenDisplay.restype = c.c_void_p
x.XDefaultRootWindow.restype = x.XCreateWindow.restype = c.c_ulong
x.XDefaultRootWindow.argtypes, x.XSync.argtypes = [c.c_void_p], [c.c_void_p, c.c_int]
x.XCreateWindow.argtypes = [c.c_void_p, c.c_ulong] + [c.c_int] * 2 + [c.c_uint] * 3 + [
    c.c_int, c.c_uint, c.c_void_p, c.c_ulong, c.POINTER(Attributes)]
x.XMapWindow.argtypes = x.XDestroyWindow.argtypes = [c.c_void_p, c.c_ulong]
display = x.XOpenDisplay(None)
root, bypass, shown = x.XDefaultRootWindow(display), Attributes(override_redirect=1), []
while True:
    shown.append(x.XCreateWindow(display, root, 1260, 1000, 10, 10, 0, 0, 1, None, 1 << 9, bypass))
    x.XMapWindow(display, shown[-1])
    if len(shown) > 3:
        x.XDestroyWindow(display, shown.pop(0))
    x.XSync(display, 0)
    if len(shown) == 1:
        print("showing", flush=True)
PYTHON
  pop_ups=$!
  for _ in $(seq 100); do
    [ -s "$work/pop-ups" ] && return
    sleep 0.1
  done
  fail "the other program showed no pop-up within 10 s"
}

# Taking a screenshot once failed with BadMatch on X_GetImage while the Windows program ran under
# Wine; it is tried again before the check gives up.
shot() {
  for _ in 1 2 3; do
    import -window root -silent "$work/$1.png" 2>"$work/shot.log" && return
    echo "  the screenshot $1 failed ($(head -n 1 "$work/shot.log")); trying again" >&2
    sleep 0.2
  done
  fail "could not take the screenshot $1: $(head -n 1 "$work/shot.log")"
}

differing() {
  local out status=0
  out=$(compare -metric AE "$work/$1.png[$3]" "$work/$2.png[${4:-$3}]" null: 2>&1) || status=$?
  [ "$status" -le 1 ] || fail "ImageMagick could not compare $1 and $2: $out"
  awk '{ printf "%d\n", $1 }' <<<"$out"
}

window_change() {
  local width=$(($5 - $3)) height=$(($6 - $4))
  echo "$(differing "$1" "$2" "${width}x${height}+$((X + $3))+$((Y + $4))") $((width * height))"
}

changed_box() {
  local status=0 box w h x y origin_x origin_y
  compare "$work/$1.png[$3]" "$work/$2.png[$3]" -compose src -highlight-color white \
    -lowlight-color black "$work/mask.png" 2>/dev/null || status=$?
  [ "$status" -eq 1 ] || return 1 # 0: nothing differs; 2: an error
  box=$(convert "$work/mask.png" -format '%@' info:)
  IFS='x+' read -r w h x y <<<"$box"
  IFS='x+' read -r _ _ origin_x origin_y <<<"$3"
  echo "$((origin_x + x - X)) $((origin_y + y - Y)) $((origin_x + x + w - X)) $((origin_y + y + h - Y))"
}

now() {
  date +%s.%N
}

since() {
  awk -v start="$1" -v end="$(now)" 'BEGIN { printf "%.1f", end - start }'
}

sleep_until() {
  sleep "$(awk -v start="$1" -v after="$2" -v now="$(now)" \
    'BEGIN { rest = start + after - now; printf "%.3f", (rest > 0 ? rest : 0) }')"
}
