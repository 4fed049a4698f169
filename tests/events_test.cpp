// The program driven by real X events (XTest) on the test display, through GLUT's own event
// handling: a menu entry is chosen only by a button on it, and every change a user makes shows in
// the next frame, after which the program rests. This suite moves the pointer, so it runs alone.
#include "anim/animation.h"
#include "edit/editing.h"
#include "gl_harness.h"
#include "view/views.h"

#include <GL/glx.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <functional>
#include <string>

namespace {

// Every choice GLUT reports on its way to the program, and a hook run while glutCreateMenu makes
// the menu: the suite is linked with -Wl,--wrap=glutCreateMenu.
void (*programChoice)(int) = nullptr;
int reports = 0;
std::function<void()> duringMenuCreation = [] {};

void countedChoice(int value) {
  ++reports;
  programChoice(value);
}

} // namespace

extern "C" int __real_glutCreateMenu(void (*callback)(int));
extern "C" int __wrap_glutCreateMenu(void (*callback)(int)) {
  programChoice = callback;
  duringMenuCreation();
  return __real_glutCreateMenu(countedChoice);
}

namespace {

// The menu's rows where the events below do not reach: its other edges, and the menu unknown.
TEST(MenuRows, ARowCountsOnlyWhenAButtonEndedTheMenuOnIt) {
  constexpr int rows = MENU_ROWS, rowHeight = 18, top = 50 + POP_UP_MENU_BORDER;
  constexpr ScreenBox box = {100, 50, 120, rowHeight * rows + 2 * POP_UP_MENU_BORDER};
  const struct {
    int x, y, reported;
    bool chosen;
  } cases[] = {
      {102, top, 0, true},
      {101, top, 0, false},
      {102, top - 1, 0, false},
      {160, top + rowHeight * rows - 1, rows - 1, true},
      {160, top + rowHeight * rows, rows - 1, false},
      {160, top + 3 * rowHeight - 1, 2, true},
  };
  for (const auto &c : cases) {
    EXPECT_EQ(menuRowChosenByUser({true, true, true, box, c.x, c.y}, rows, c.reported), c.chosen)
        << "at " << c.x << ", " << c.y;
  }
  EXPECT_TRUE(menuRowChosenByUser({false, false, false, {}, 0, 0}, rows, MENU_EXIT))
      << "with the menu unknown, a choice passes";
}

Display *display() {
  return glXGetCurrentDisplay();
}

// Lets the X server and GLUT handle everything sent so far.
void settle() {
  for (int i = 0; i < 10; ++i) {
    XSync(display(), False);
    glutMainLoopEvent();
  }
}

void pointerTo(int x, int y) {
  XWarpPointer(display(), None, DefaultRootWindow(display()), 0, 0, 0, 0, x, y);
  XSync(display(), False);
}

void pointerToWindow(int x, int y) {
  pointerTo(glutGet(GLUT_WINDOW_X) + x, glutGet(GLUT_WINDOW_Y) + y);
}

void button(unsigned int number, bool press) {
  XTestFakeButtonEvent(display(), number, press ? True : False, CurrentTime);
  XSync(display(), False);
}

void click(unsigned int number) {
  button(number, true);
  button(number, false);
}

// The top-level window under the pointer, and its box on the screen.
Window underPointer = 0;
ScreenBox windowUnderPointer() {
  Window root;
  int x, y, wx, wy;
  unsigned int mask, width = 0, height = 0, border, depth;
  XQueryPointer(display(), DefaultRootWindow(display()), &root, &underPointer, &x, &y, &wx, &wy,
                &mask);
  if (underPointer == 0 ||
      !XGetGeometry(display(), underPointer, &root, &x, &y, &width, &height, &border, &depth)) {
    return {};
  }
  return {x, y, static_cast<int>(width), static_cast<int>(height)};
}

bool viewable(Window window) {
  XWindowAttributes attributes{};
  return XGetWindowAttributes(display(), window, &attributes) && attributes.map_state == IsViewable;
}

class EventsTest : public GlTest {};

enum Gesture { Click, PressMoveRelease, Wheel, PressOffMenuThenPointerOn, Batched, BatchedClose };
constexpr int CENTRE = 1000; // the middle of the row, across

struct MenuGesture {
  const char *name;
  int windowX, windowY; // GLUT mistakes a click on its window for one this far up and left
  Gesture gesture;
  int fromRight; // where the event lies across: pixels right of the menu's right edge
  int row;       // and the row it lies on
  bool chosen;
  bool popUps = false; // the menu made anew among other programs' pop-ups
};

// Opens the menu with the right button at window pixel (40, 40), makes the gesture onto its row
// and lets GLUT handle it. Returns how many choices GLUT reported.
int perform(const MenuGesture &g) {
  glutPositionWindow(g.windowX, g.windowY);
  glutPopWindow();
  settle();
  pointerToWindow(40, 40);
  button(3, true);
  settle();
  const ScreenBox menu = windowUnderPointer();
  const int rowHeight = (menu.height - 2 * POP_UP_MENU_BORDER) / MENU_ROWS;
  const int y = menu.top + POP_UP_MENU_BORDER + g.row * rowHeight + rowHeight / 2;
  const int middle = menu.left + menu.width / 2;
  const int before = reports;
  if (g.gesture == Batched || g.gesture == BatchedClose) {
    // Closed by a click off it; then, GLUT reading them all in one go, the right button pressed
    // and either a click off the menu, or a click where the closed menu's row stood with the
    // pointer moved on to where GLUT then opens the menu and takes that click for one on its row.
    button(3, false);
    pointerToWindow(450, 450), click(1), settle();
    pointerToWindow(40, 40), button(3, true);
    if (g.gesture == BatchedClose) {
      button(3, false), pointerToWindow(300, 400), click(1);
    } else {
      pointerTo(middle, y), click(1);
      pointerTo(menu.left - glutGet(GLUT_WINDOW_X), menu.top - glutGet(GLUT_WINDOW_Y));
      button(3, false);
    }
    settle();
    return reports - before;
  }
  if (g.gesture != PressMoveRelease) {
    button(3, false); // a click: the menu stays open
    settle();
  }
  pointerTo(g.fromRight == CENTRE ? middle : menu.left + menu.width + g.fromRight, y);
  settle();
  if (g.gesture == PressOffMenuThenPointerOn) {
    button(1, true);
    pointerTo(middle, y); // before GLUT handles the press
    button(1, false);
  } else {
    g.gesture == PressMoveRelease ? button(3, false) : click(g.gesture == Wheel ? 4 : 1);
  }
  settle();
  return reports - before;
}

// "  Mesa" chosen or not, by gestures that each make GLUT report a choice.
TEST_F(EventsTest, OnlyAButtonOnTheReportedMenuEntryChoosesIt) {
  constexpr int MESA = MENU_INSPECT + 1 + Table;
  const MenuGesture cases[] = {
      {"a click on the entry", 100, 100, Click, CENTRE, MESA, true},
      {"a wheel notch over the entry", 100, 100, Wheel, CENTRE, MESA, false},
      {"pressed, moved onto an entry and released", 30, 60, PressMoveRelease, CENTRE, 7, false},
      {"pressed just off the menu, the pointer on it when GLUT reads the press", 30, 0,
       PressOffMenuThenPointerOn, 10, MESA, false},
      {"released on the last column of the entry", 30, 0, PressMoveRelease, -3, MESA, true},
      {"released on the menu's right border", 30, 0, PressMoveRelease, -2, MESA, false},
      {"released one pixel right of the menu's window", 30, 0, PressMoveRelease, 0, MESA, false},
      {"pressed off the menu, which was made among other programs' pop-ups", 30, 0,
       PressOffMenuThenPointerOn, 10, MESA, false, true},
      {"in one batch, a click where the last menu's \"Salir\" stood", 30, 30, Batched, CENTRE,
       MENU_EXIT, false},
      {"in one batch, the menu opened and closed by a click off it", 100, 100, BatchedClose, CENTRE,
       MESA, false},
  };
  Display *other = XOpenDisplay(nullptr);
  ASSERT_NE(other, nullptr);
  const auto popUp = [other] {
    XSetWindowAttributes attributes{};
    attributes.override_redirect = True;
    XMapWindow(other,
               XCreateWindow(other, DefaultRootWindow(other), 900, 700, 50, 50, 0, CopyFromParent,
                             InputOutput, CopyFromParent, CWOverrideRedirect, &attributes));
    XSync(other, False);
  };
  for (const MenuGesture &g : cases) {
    SCOPED_TRACE(g.name);
    if (g.popUps) { // one standing, one made while the menu is
      popUp();
      duringMenuCreation = popUp;
      constexpr XErrorHandler probe = [](Display *, XErrorEvent *) { return 0; };
      const XErrorHandler before = XSetErrorHandler(probe);
      createMenu();
      EXPECT_EQ(XSetErrorHandler(before), probe) << "the menu's search left its handler on";
    }
    resetScene();
    exitForbidden = true;
    const int choices = perform(g);
    exitForbidden = false;
    if (g.gesture == BatchedClose) { // GLUT shows the menu it had hidden: the program hides it
      EXPECT_FALSE(viewable(underPointer)) << "the closed menu still stands";
      EXPECT_EQ(pixelsDifferingFromTheWindow(readFrame()), 0) << "the room was not drawn again";
      continue;
    }
    ASSERT_GE(choices, 1) << "GLUT reported no choice: the gesture tests nothing";
    EXPECT_EQ(scene.planView == 1 && scene.activeKind[Table] == 1, g.chosen);
    EXPECT_EQ(scene.planView != 0 || scene.inspectMode != 0, g.chosen);
  }
  XCloseDisplay(other);
}

// ---- every change in the next frame, then rest ----

// A key typed, with the shift key held for a capital.
void type(KeySym symbol, bool shifted) {
  const KeyCode shift = XKeysymToKeycode(display(), XK_Shift_L);
  const KeyCode code = XKeysymToKeycode(display(), symbol);
  for (const auto &[key, press] :
       {std::pair{shift, true}, {code, true}, {code, false}, {shift, false}}) {
    if (key != shift || shifted) {
      XTestFakeKeyEvent(display(), key, press, CurrentTime);
    }
  }
  XSync(display(), False);
}

// One turn of GLUT's main loop as it takes them: the window system's events, then the idle
// callback where one is registered, then the frame it asked for.
void turn() {
  XSync(display(), False);
  glutMainLoopEvent();
  if (registeredIdle != nullptr) {
    registeredIdle();
  }
  glutMainLoopEvent();
}

// Turns until the heartbeat rests, at most `most`; whether it did.
bool rested(int most) {
  for (int i = 0; i < most && registeredIdle != nullptr; ++i) {
    turn();
  }
  return registeredIdle == nullptr;
}

struct Change {
  std::string name;
  std::function<void()> before; // sets the scene up, directly
  std::function<void()> make;   // the change, by X events
  bool keepsMoving;             // a door swings on: no rest
};

// Each change shows in the frame after one turn of the loop, and in every frame after; once
// nothing moves, the program rests and asks for no frame.
TEST_F(EventsTest, EveryChangeShowsInTheNextFrameAndThenTheProgramRests) {
  const auto planView = [] { onMenu(MENU_INSPECT + 1 + Table); };
  std::vector<Change> changes = {
      {"a piece placed", planView, [] { pointerToWindow(250, 250), click(1); }, false},
      {"a piece dragged", [&] { planView(), pointerToWindow(100, 100), button(1, true); },
       [] { pointerToWindow(300, 320); }, false},
      {"a menu choice", [] {},
       [] {
         perform({"", 100, 100, Click, CENTRE, MENU_INSPECT + 1, true});
       },
       false},
      {"the window resized", [] {},
       [] { glutReshapeWindow(WINDOW_SIZE + 100, WINDOW_SIZE + 100), settle(); }, false},
      {"a door clicked", [] { placePiece(Wardrobe, 10, 10), onMenu(MENU_INSPECT); },
       [] {
         const auto door = mousePixelOf(scene.lists[Wardrobe].slots[1], 2.5, 12, 7.25);
         pointerToWindow(door[0], door[1]), click(1);
       },
       true},
  };
  for (KeySym symbol : {XK_Left, XK_Right, XK_Up, XK_Down, XK_KP_Add, XK_minus, XK_z, XK_Z}) {
    changes.push_back({std::string("key ") + XKeysymToString(symbol), [] {},
                       [symbol] { pointerToWindow(250, 250), type(symbol, symbol == XK_Z); },
                       false});
  }
  for (const Change &c : changes) {
    SCOPED_TRACE(c.name);
    resetScene();
    glutReshapeWindow(WINDOW_SIZE, WINDOW_SIZE);
    c.before();
    wakeHeartbeat();
    ASSERT_TRUE(rested(10)) << "the program does not rest before the change";
    const Frame before = readFrame();
    c.make();
    for (int t = 0; t < (c.keepsMoving ? 30 : 1); ++t) {
      turn();
      const Frame shown = readFrame();
      applyCurrentView();
      onDisplay();
      ASSERT_EQ(shown, readFrame()) << "a stale frame after " << t + 1 << " turns";
    }
    EXPECT_NE(readFrame(), before) << "the change never showed";
    if (!c.keepsMoving) {
      EXPECT_TRUE(rested(3));
      const unsigned long requests = redisplayRequestCount;
      for (int t = 0; t < 10; ++t) {
        turn();
      }
      EXPECT_EQ(redisplayRequestCount, requests) << "frames asked for while nothing changes";
    }
    button(1, false);
    settle();
  }
}

} // namespace
