#!/usr/bin/env bash
# End to end: drives the complete program as a user would, with real X events, on the X display
# in DISPLAY (a fresh virtual one from scripts/with-xvfb.sh, no window manager; one of its own
# where none is set), and judges it by screenshots of the window (ImageMagick).
#
# First run, tables in the plan: places table A and table B. Opens the menu near the window's
# top right corner and closes it with a left click inside A's rectangle: the click ends no drag,
# so B must still stand. Opens the menu near the top left corner and clicks off it where GLUT
# would find "Salir": nothing is chosen. Drops a new table onto A: it is taken away again. Drags
# another over free floor with one wheel notch on the way: it keeps following the pointer and
# stays where it is let go. Presses one more on free floor and grows the window before the
# release, so that the release pixel lies over A: it stays where it stands. Chooses "Salir": the
# program ends with status 0.
#
# The menu: starts the program while another program shows pop-ups as fast as it can, and clicks
# off the menu where GLUT finds "Salir": nothing is chosen. With the window near the screen's
# corner, presses the right button, moves onto an entry and releases it; presses the left button
# just off the menu while the pointer moves onto it; turns the wheel a notch over "Salir": each
# chooses nothing. Stopped while they come, so that it reads them in one go: a right press and a
# click where the last menu's "Salir" stood chooses nothing; the menu opened and closed by a click
# off it leaves no menu on the window.
#
# Full list: places 50 chairs apart and clicks on one of them with a slight movement: the list
# is full, so nothing is placed or dragged, and the 50th chair stays.
#
# Second run, wardrobes: chooses "  Armario" in the pop-up menu and places a wardrobe. Drags a
# second one onto it and opens the menu in the middle of the drag, which takes the pointer so
# that the left button's release never reaches the program: the drag must end where the menu
# opened, and the dropped wardrobe be taken away. Places one more, chooses "Visualizar", clicks
# the first wardrobe's left door and watches it swing open and shut again.
#
# Usage: tests/e2e/door_cycle.sh [path/to/room-planner]
set -euo pipefail

program=${1:-build/room-planner}

# shellcheck source=tests/checks.sh
source "$(dirname "$0")/../checks.sh"
start_check door_cycle "$@"
require_tools xdotool import compare convert python3

[ -x "$program" ] || fail "$program is not an executable program"

# Pixels of the door's rectangle that differ between two screenshots, as "changed total".
door_change() {
  echo "$(differing "$1" "$2" "$door_geometry") $door_total"
}

# ---- First run: tables, and which events take a piece away ----

start_program
choose_menu_entry 1 # "  Mesa"
pointer_away
shot empty_plan

# Table A at window pixel (100, 100): the box it covers gives the footprint of every table.
xdotool mousemove $((X + 100)) $((Y + 100)) click 1
pointer_away
shot table_a
read -r ax0 ay0 ax1 ay1 < <(changed_box empty_plan table_a 500x500+$X+$Y) ||
  fail "placing table A at (100, 100) drew nothing"
# Pixels of a table placed at window pixel ($3, $4), two pixels in from its edges, that differ
# between screenshots $1 and $2, as "changed total".
table_change() {
  window_change "$1" "$2" $((ax0 + $3 - 98)) $((ay0 + $4 - 98)) $((ax1 + $3 - 102)) \
    $((ay1 + $4 - 102))
}

xdotool mousemove $((X + 300)) $((Y + 330)) click 1
pointer_away
shot tables_a_b
read -r covered total < <(table_change table_a tables_a_b 300 330)
[ "$covered" -ge $((total * 9 / 10)) ] ||
  fail "table B at (300, 330) is not drawn: $covered of $total pixels changed"

# Open the menu with a right click near the top right corner, and close it with a left click
# inside A's rectangle, off the menu. The click ends no drag: nothing may be taken away.
xdotool mousemove $((X + 480)) $((Y + 20)) click 3
sleep 0.5
xdotool mousemove $((X + 150)) $((Y + 130)) click 1
window_as_before tables_a_b menu_closed_on_a "after the menu was closed by a left click on" \
  "table A, table B, which nobody dragged, was taken away"
echo "the menu closed by a left click on table A: table B still stands"

# A left click off the open menu, on free floor, where GLUT finds "Salir", must choose nothing
# and close the menu.
click_off_menu
window_as_before tables_a_b menu_closed_off_menu "a left click off the menu changed the plan"
echo "a left click off the menu at ($off_menu_x, $off_menu_y), where GLUT finds \"Salir\", chose nothing"

# A new table pressed at (40, 430) and dropped onto A at (150, 130) is taken away again.
xdotool mousemove $((X + 40)) $((Y + 430)) mousedown 1
sleep 0.3
move_in_steps 40 430 150 130
xdotool mouseup 1
window_as_before tables_a_b dropped_on_a "a table dropped onto table A stayed"
echo "a table dropped onto table A was taken away"

# A new table pressed at (40, 250), dragged to (180, 240), one notch of the wheel there, then
# dragged on to (330, 200) over free floor and let go: it follows the pointer all the way and
# stays where it was let go.
xdotool mousemove $((X + 40)) $((Y + 250)) mousedown 1
sleep 0.3
move_in_steps 40 250 180 240
xdotool click 4
sleep 0.3
move_in_steps 180 240 330 200
xdotool mouseup 1
pointer_away
shot wheel_drag
read -r at_end total < <(table_change tables_a_b wheel_drag 330 200)
read -r at_notch _ < <(table_change tables_a_b wheel_drag 180 240)
[ "$at_end" -ge $((total * 9 / 10)) ] && [ "$at_notch" -eq 0 ] ||
  fail "a table dragged through a wheel notch is not where it was let go: $at_end of $total" \
    "pixels changed there, $at_notch where the wheel turned"
echo "a table dragged through a wheel notch followed the pointer and stands where it was let go"

# A table pressed at (40, 215), on free floor; the window grows to 1000 x 1000 before the release,
# which makes the same pixel a point inside A's rectangle. The table is judged where it stands.
xdotool mousemove $((X + 40)) $((Y + 215)) mousedown 1
sleep 0.3
xdotool windowsize "$window" 1000 1000
sleep 0.5
eval "$(xdotool getwindowgeometry --shell "$window")"
[ "$WIDTH" = 1000 ] && [ "$HEIGHT" = 1000 ] || fail "the window was not resized: ${WIDTH}x${HEIGHT}"
xdotool mouseup 1
sleep 0.3
xdotool windowsize "$window" 500 500
sleep 0.5
pointer_away
shot resized_mid_drag
read -r covered total < <(table_change wheel_drag resized_mid_drag 40 215)
[ "$covered" -ge $((total * 9 / 10)) ] ||
  fail "a table released after the window grew under it vanished: $covered of $total pixels changed"
echo "a table released after the window grew mid-drag stands where it was pressed"

# "Salir", chosen with a second right click on it, ends the program with status 0.
choose_menu_entry 8
program_ended '"Salir"'
echo "\"Salir\" ended the program with status 0"

# ---- The menu: other programs' pop-ups while it is made, and gestures GLUT takes for choices ----

other_programs_pop_ups start
start_program
click_off_menu
echo "started among another program's pop-ups, the program knows its menu: a click off it chose" \
  "nothing"
menu_gestures_choose_nothing
echo "press, move onto an entry and release; a press off the menu as the pointer moved onto it;" \
  "a wheel notch over \"Salir\"; read in one go, a click where the last menu's \"Salir\" stood," \
  "and the menu opened and closed: each chose nothing and left the window as it was"
stop_program

# ---- A full list: 50 chairs, 4 units apart, and a click on another chair ----

start_program
choose_menu_entry 2 # "  Silla"
pointer_away
for i in $(seq 0 48); do
  xdotool mousemove $((X + 10 + 48 * (i % 10))) $((Y + 10 + 48 * (i / 10))) click 1
  sleep 0.05
done
pointer_away
shot chairs_49
xdotool mousemove $((X + 442)) $((Y + 202)) click 1
pointer_away
shot chairs_50
changed_box chairs_49 chairs_50 500x500+$X+$Y >/dev/null || fail "the 50th chair was not placed"
# With the list full, a click that shakes by a few pixels on another chair places nothing and
# drags nothing.
xdotool mousemove $((X + 10)) $((Y + 10)) mousedown 1 mousemove $((X + 11)) $((Y + 12)) \
  mousemove $((X + 13)) $((Y + 12)) mouseup 1
window_as_before chairs_50 full_list_click "a shaky click on another chair with the list full" \
  "changed the plan"
echo "with 50 chairs placed, a shaky click on another chair leaves the plan as it was"
stop_program

# ---- Second run: wardrobes, the menu opened mid-drag, and a door's open-and-shut cycle ----

start_program
shot empty

# Place a wardrobe: "  Armario", then a left click in the plan at window pixel (150, 350).
choose_menu_entry 3
xdotool mousemove $((X + 150)) $((Y + 350)) click 1
sleep 0.5
xdotool mousemove 5 5
sleep 0.3
shot one_wardrobe

# Press at (350, 150) to place a second wardrobe, drag it onto the first, to (170, 330), open
# the menu with a right click there, release the left button (the open menu swallows it) and
# close the menu with a left click on a bare part of the floor.
xdotool mousemove $((X + 350)) $((Y + 150)) mousedown 1
sleep 0.3
move_in_steps 350 150 170 330
sleep 0.3
xdotool click 3
sleep 0.5
xdotool mouseup 1
sleep 0.3
xdotool mousemove $((X + 450)) $((Y + 50)) click 1
sleep 0.3
window_as_before one_wardrobe menu_closed_again "after the drag that the menu ended, the plan" \
  "is not the first wardrobe alone: the dropped wardrobe was not taken away, or the first is gone"

# Placing still works: a wardrobe at (330, 60) covers the plan from there 119 pixels to the
# right and 86 down.
xdotool mousemove $((X + 330)) $((Y + 60)) click 1
sleep 0.3
pointer_away
shot placed_again
read -r covered total < <(window_change menu_closed_again placed_again 335 65 445 140)
[ "$covered" -ge $((total * 9 / 10)) ] ||
  fail "placing after the menu ended a drag shows no wardrobe: $covered of $total pixels changed"
echo "menu opened mid-drag: the dropped wardrobe was taken away, the first stayed, and placing" \
  "still works ($covered of $total pixels of the next wardrobe drawn)"

# The first wardrobe's left door in the perspective view of the start-up camera (distance 60,
# pitch 5, yaw 30, roll 0 about the point (20, 10, 20); a frustum of +-1 at the near plane 2):
# where to click on it, off its handle, and the window rectangle the closed door covers. The
# plan view maps the window onto the floor from -2 to 40 on both axes; the closed door is 4.95
# wide from the wardrobe's left edge, 8.25 to 24.75 high, its outer face 7.25 in front of the
# wardrobe's back.
read -r click_x click_y door_x0 door_y0 door_x1 door_y1 < <(python3 - 150 350 <<'EOF'
import math, sys

def window_pixel(x, y, z):
    x, y, z = x - 20, y - 10, z - 20
    yaw, pitch = math.radians(30), math.radians(5)
    x, z = math.cos(yaw) * x + math.sin(yaw) * z, -math.sin(yaw) * x + math.cos(yaw) * z
    y, z = math.cos(pitch) * y - math.sin(pitch) * z, math.sin(pitch) * y + math.cos(pitch) * z
    z -= 60
    return (2 * x / -z + 1) / 2 * 500, 500 - (2 * y / -z + 1) / 2 * 500

ox, oz = (int(v) * 42 / 500 - 2 for v in sys.argv[1:3])
corners = [window_pixel(ox + dx, oy, oz + 7.25) for dx in (0, 4.95) for oy in (8.25, 24.75)]
cx, cy = window_pixel(ox + 2.0, 14.0, oz + 7.25)
xs, ys = [p[0] for p in corners], [p[1] for p in corners]
print(round(cx), round(cy), math.floor(min(xs)), math.floor(min(ys)), math.ceil(max(xs)),
      math.ceil(max(ys)))
EOF
)
door_geometry="$((door_x1 - door_x0))x$((door_y1 - door_y0))+$((X + door_x0))+$((Y + door_y0))"
door_total=$(((door_x1 - door_x0) * (door_y1 - door_y0)))

# Look at the room: "Visualizar".
choose_menu_entry 0
pointer_away
shot before
read -r shown _ < <(door_change empty before)
[ "$shown" -gt 0 ] || fail "no wardrobe is shown where it was placed"

xdotool mousemove $((X + click_x)) $((Y + click_y)) click 1
clicked=$(now)
xdotool mousemove 5 5

sleep 1.5
shot opening_1
sleep 1.0
shot opening_2
read -r changed_1 total < <(door_change before opening_1)
read -r changed_2 _ < <(door_change before opening_2)
read -r moved _ < <(door_change opening_1 opening_2)
echo "door region ($door_geometry, $total pixels): changed $changed_1 after 1.5 s, $changed_2" \
  "after 2.5 s; $moved differ between the two"
[ "$changed_1" -gt $((total / 20)) ] || fail "the door did not open: $changed_1 of $total changed"
[ "$changed_2" -gt $((total / 20)) ] || fail "the door did not stay open: $changed_2 changed"
[ "$moved" -gt 0 ] || fail "the door stood still between 1.5 s and 2.5 s"

# The full cycle is 681 ticks of 1/60 s, 11.35 s, however fast the machine draws. The door is
# still well open 9 s after the click (about 35 degrees), and home again by 14 s. The closed
# door's image returns once its angle is back within a few degrees of 0, in the last few tenths
# of a second of the cycle.
sleep_until "$clicked" 9
shot nine_seconds
read -r open_at_9 _ < <(door_change before nine_seconds)
[ "$open_at_9" -gt $((total / 20)) ] ||
  fail "the door is shut already 9 s after the click: $open_at_9 of $total pixels differ"
sleep_until "$clicked" 11
while :; do
  elapsed=$(since "$clicked") # when the screenshot is taken
  shot after
  read -r left _ < <(door_change before after)
  if [ "$left" -le $((total / 1000)) ]; then
    break
  fi
  if python3 -c "import sys; sys.exit(float(sys.argv[1]) < 14)" "$elapsed"; then
    fail "the door is not shut again $elapsed s after the click: $left of $total pixels differ"
  fi
  sleep 0.25
done
stop_program
echo "PASS door_cycle: the left door opened and was shut again $elapsed s after the click" \
  "($left of $total pixels differ from before the click)"
