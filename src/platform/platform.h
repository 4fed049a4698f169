// What the program asks of the platform beyond the OpenGL calls themselves: frames presented and
// paced by one clock, the buffer swaps the driver is asked for, the pop-up menu's window and the
// event that ended it, and the window's identity on the desktop.
//
// Every platform shares the frame clock (frame_clock.cpp), presenting frames (frames.cpp), and the
// menu's layout and the rule a choice must pass (menu_choice.cpp). The functions marked "Each
// platform" below each platform provides in one file of its own; the build compiles exactly one:
//   platform_x11_glx.cpp   X11 with GLX
//   platform_windows.cpp   Windows
//   platform_portable.cpp  anything else GLUT runs on: no swap control, no check of the menu's
//                          choices, no identity to set
// The clock is a plain record whose time source tests replace, so that they drive time without
// sleeping.
#pragma once

#include <chrono>
#include <ratio>

// Time in sixtieths of a nanosecond: a sixtieth and a seventy-fifth of a second are whole
// numbers of these units, and a steady clock's nanoseconds convert to them exactly.
using ClockTime = std::chrono::duration<long long, std::ratio<1, 60'000'000'000>>;

// Frames are paced to 60 a second, and doors and drawers move one step per tick of the same
// length.
constexpr ClockTime CLOCK_TICK = std::chrono::duration<long long, std::ratio<1, 60>>{1};

// Buffer swaps that complete faster than a 75 Hz display could show them mean that no vertical
// sync holds the loop back.
constexpr ClockTime FASTEST_SYNCED_FRAME = std::chrono::duration<long long, std::ratio<1, 75>>{1};

// However long a stall (a suspended machine, a window being dragged), one idle call advances the
// animations by at most this many ticks, a quarter of a second's worth, rather than fling doors
// open.
constexpr int MAX_TICKS_PER_IDLE = 15;

// The steady clock, counted from its first reading, and a real sleep.
ClockTime steadyClockNow();
void sleepFor(ClockTime duration);

// Each platform: asks the driver, through the platform's swap-control extension, to swap the
// buffers once per `refreshes` display refreshes. Returns whether it took the request.
bool requestDriverSwapInterval(int refreshes);

struct FrameClock {
  // The time source and the wait: a steady clock and a real sleep, unless a test puts its own.
  ClockTime (*now)() = steadyClockNow;
  void (*wait)(ClockTime) = sleepFor;
  bool (*requestSwapInterval)(int refreshes) = requestDriverSwapInterval;

  // Off until the running program turns it on: tests and tools draw at full speed, one
  // animation step per idle call.
  bool pacing = false;
  // Whether the driver took a swap interval of 1 when pacing was turned on.
  bool swapControl = false;

  // The frame being timed: when it started, and whether one was shown since the last idle call.
  bool frameStarted = false;
  ClockTime frameStart{};
  bool shownSinceIdle = false;

  // The time the animations have been advanced to.
  bool ticking = false;
  ClockTime advancedTo{};
};

extern FrameClock frameClock;

// A frame was shown by a buffer swap. Returns how long to wait before the next frame starts:
// nothing when the display's vertical sync held the frame back, else the rest of its tick. The
// next frame is timed from the end of that wait, so late wake-ups do not add up.
ClockTime frameShown(FrameClock &clock);

// An idle call. When no frame was shown since the previous one (GLUT does not redraw a hidden
// or covered window), it closes the frame itself and returns how long to wait; else nothing.
ClockTime idleCallWait(FrameClock &clock);

// The animation ticks due at an idle call. Without pacing, always 1. With it, the whole ticks
// between the time the animations have been advanced to and now, at most MAX_TICKS_PER_IDLE:
// the part of a tick left over carries to the next call, ticks beyond the cap are dropped. The
// first call, and one whose time lies before the last, (re)start the account half a tick back
// and give none: frames that come at the tick rate then fall halfway between ticks, and their
// jitter changes no count.
int animationTicksDue(FrameClock &clock);

// Starts the clock afresh, as after a pause: no frame being timed, no tick account.
void restartFrameClock(FrameClock &clock);

// Turns pacing on: asks the driver for one buffer swap per display refresh and restarts the
// clock. Turns it off.
void enableFramePacing();
void disableFramePacing();

// Shows the frame drawn, with a buffer swap, and waits as the clock says; in selection mode, where
// the pick draws the scene and no frame is drawn, does neither. Returns whether it showed one.
bool presentFrame();

// Waits at an idle call as the clock says.
void paceIdleCall();

// The pop-up menu. GLUT (freeglut) compares a button event that reaches the program's window,
// counted in window pixels, with the menu's place on the screen, counted in screen pixels; on X11
// it also takes a wheel notch over the menu for a click. Either way it can report an entry the user
// never chose, "Salir" among them. At each choice GLUT reports, the platform tells which event
// ended the menu and where the menu's window stood when that event happened, and
// menuRowChosenByUser whether that event chose the reported row.

// A rectangle of the screen, in screen pixels from its top-left corner.
struct ScreenBox {
  int left, top, width, height;
};

struct MenuChoiceEvidence {
  // false where the check cannot be made: the menu's window was not identified, or the window
  // system reports no events to the program.
  bool known;
  bool buttonEvent; // the event that ended the menu was a press or release of button 1, 2 or 3
  bool menuStood;   // the menu's window stood at `menu` when that event happened
  ScreenBox menu;
  int x, y; // where the event lay, counted as `menu` is
};

// Each platform: makes the menu with glutCreateMenu and remembers the window GLUT made for it.
int createPopUpMenu(void (*onChoice)(int value));
// Each platform: hears whether GLUT has the menu in use, as the menu-status callback reports it. A
// menu window that shows while GLUT has no menu in use is taken down.
void notePopUpMenuInUse(bool inUse);
// Each platform: what the event that ended the menu, which GLUT is handling while it reports a
// choice, says.
MenuChoiceEvidence menuChoiceEvidence();

// GLUT lays its pop-up menu out as `rows` rows of equal height inside a border of this many
// pixels, and takes a click on the border for no entry.
constexpr int POP_UP_MENU_BORDER = 2;

// The row of such a menu standing at `menu` under screen pixel (x, y); -1 on its border or off it.
int popUpMenuRowAt(const ScreenBox &menu, int rows, int x, int y);

// Whether the user chose row `row` of a menu of `rows` rows: the event that ended the menu was a
// button's press or release on that row of the menu shown. True where the check cannot be made, so
// that the menu stays usable.
bool menuRowChosenByUser(const MenuChoiceEvidence &evidence, int rows, int row);

// Each platform: sets the class and the icon of the current window where the window system takes
// them from the program (X11: WM_CLASS, whose class is the desktop entry's StartupWMClass, and
// _NET_WM_ICON).
void setWindowIdentity();
