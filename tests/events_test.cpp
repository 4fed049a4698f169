// The program driven by real X events (XTest) on the test display, through GLUT's own event
// handling: every change a user makes shows in the next frame, after which the program rests; and
// the check of every choice the pop-up menu reports. This suite moves the pointer, so it runs
// alone.
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

// A menu of MENU_ROWS rows of 18 pixels, 120 pixels wide, standing at (100, 50).
constexpr int ROW_HEIGHT = 18;
constexpr ScreenBox box = {100, 50, 120, ROW_HEIGHT *MENU_ROWS + 2 * POP_UP_MENU_BORDER};
constexpr int RIGHT = box.left + box.width, BOTTOM = box.top + box.height;
constexpr int MIDDLE_X = box.left + box.width / 2;
constexpr int FIRST_ROW_TOP = box.top + POP_UP_MENU_BORDER;
constexpr int middleOfRow(int row) {
  return FIRST_ROW_TOP + row * ROW_HEIGHT + ROW_HEIGHT / 2;
}

// Whether the row GLUT reports counts, for an event at (x, y), on every side of the border.
TEST(MenuRows, ARowCountsOnlyWhenAButtonEndedTheMenuOnIt) {
  const struct {
    const char *name;
    MenuChoiceEvidence evidence;
    int reported;
    bool chosen;
  } cases[] = {
      {"on the row", {true, box, true, MIDDLE_X, middleOfRow(1)}, 1, true},
      {"on another row than the one reported",
       {true, box, true, MIDDLE_X, middleOfRow(1)},
       2,
       false},
      {"a wheel notch on the row", {true, box, false, MIDDLE_X, middleOfRow(1)}, 1, false},
      {"first column and row inside the border",
       {true, box, true, box.left + 2, FIRST_ROW_TOP},
       0,
       true},
      {"left border", {true, box, true, box.left + 1, FIRST_ROW_TOP}, 0, false},
      {"top border", {true, box, true, box.left + 2, FIRST_ROW_TOP - 1}, 0, false},
      {"last column inside the border", {true, box, true, RIGHT - 3, middleOfRow(4)}, 4, true},
      {"right border", {true, box, true, RIGHT - 2, middleOfRow(4)}, 4, false},
      {"last column of the window", {true, box, true, RIGHT - 1, middleOfRow(4)}, 4, false},
      {"one pixel right of the window", {true, box, true, RIGHT, middleOfRow(4)}, 4, false},
      {"last row inside the border", {true, box, true, MIDDLE_X, BOTTOM - 3}, MENU_ROWS - 1, true},
      {"bottom border", {true, box, true, MIDDLE_X, BOTTOM - 2}, MENU_ROWS - 1, false},
      {"one pixel below the window", {true, box, true, MIDDLE_X, BOTTOM}, MENU_ROWS - 1, false},
      {"last pixel of a row",
       {true, box, true, MIDDLE_X, FIRST_ROW_TOP + 3 * ROW_HEIGHT - 1},
       2,
       true},
      {"menu window unknown: the choice passes", {false, {}, false, 0, 0}, MENU_EXIT, true},
  };
  for (const auto &c : cases) {
    EXPECT_EQ(menuRowChosenByUser(c.evidence, MENU_ROWS, c.reported), c.chosen) << c.name;
  }
}

// ---- real X events through GLUT's menu ----

// Every choice GLUT reports on its way to the program, and a hook run while glutCreateMenu makes
// the menu. The suite is linked with -Wl,--wrap=glutCreateMenu.
void (*programChoice)(int) = nullptr;
int reports = 0;
std::function<void()> duringMenuCreation;

void countedChoice(int value) {
  ++reports;
  programChoice(value);
}

} // namespace

extern "C" int __real_glutCreateMenu(void (*callback)(int));
extern "C" int __wrap_glutCreateMenu(void (*callback)(int)) {
  programChoice = callback;
  if (duringMenuCreation) {
    duringMenuCreation();
  }
  return __real_glutCreateMenu(countedChoice);
}

namespace {

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

void button(unsigned int number, bool press) {
  XTestFakeButtonEvent(display(), number, press ? True : False, CurrentTime);
  XSync(display(), False);
}

// The screen's box of the top-level window under the pointer.
ScreenBox windowUnderPointer() {
  Window root, child;
  int x, y, wx, wy;
  unsigned int mask, width = 0, height = 0, border, depth;
  XQueryPointer(display(), DefaultRootWindow(display()), &root, &child, &x, &y, &wx, &wy, &mask);
  if (child == 0 ||
      !XGetGeometry(display(), child, &root, &x, &y, &width, &height, &border, &depth)) {
    return {};
  }
  return {x, y, static_cast<int>(width), static_cast<int>(height)};
}

class MenuEventsTest : public GlTest {};

enum Gesture { Click, PressMoveRelease, Wheel, PressOffMenuThenPointerOn };
constexpr int CENTRE = 1000; // the middle of the row, across

struct GestureCase {
  const char *name;
  int windowX, windowY; // GLUT mistakes a click on its window for one this far up and left
  Gesture gesture;
  int fromRight; // where the event lies across: pixels right of the menu's right edge
  int row;       // and the row it lies on
  bool chosen;
};

// Opens the menu with the right button at window pixel (40, 40), makes the gesture onto `row`
// and lets GLUT handle it. Returns how many choices GLUT reported.
int perform(const GestureCase &c) {
  glutPositionWindow(c.windowX, c.windowY);
  glutPopWindow();
  settle();
  pointerTo(c.windowX + 40, c.windowY + 40);
  button(3, true);
  settle();
  const ScreenBox menu = windowUnderPointer();
  const int rowHeight = (menu.height - 2 * POP_UP_MENU_BORDER) / MENU_ROWS;
  const int y = menu.top + POP_UP_MENU_BORDER + c.row * rowHeight + rowHeight / 2;
  const int x =
      c.fromRight == CENTRE ? menu.left + menu.width / 2 : menu.left + menu.width + c.fromRight;
  const int before = reports;
  if (c.gesture != PressMoveRelease) {
    button(3, false); // a click: the menu stays open
    settle();
  }
  pointerTo(x, y);
  settle();
  switch (c.gesture) {
  case Click:
    button(1, true);
    button(1, false);
    break;
  case PressMoveRelease:
    button(3, false);
    break;
  case Wheel:
    button(4, true);
    button(4, false);
    break;
  case PressOffMenuThenPointerOn:
    button(1, true);
    pointerTo(menu.left + menu.width / 2, y); // before GLUT handles the press
    button(1, false);
    break;
  }
  settle();
  return reports - before;
}

// "  Mesa" chosen or not, by gestures that each make GLUT report a choice.
TEST_F(MenuEventsTest, OnlyAButtonOnTheReportedEntryChoosesIt) {
  const GestureCase cases[] = {
      {"a click on the entry", 100, 100, Click, CENTRE, MENU_INSPECT + 1, true},
      {"a wheel notch over the entry", 100, 100, Wheel, CENTRE, MENU_INSPECT + 1, false},
      {"pressed, moved onto an entry and released", 30, 60, PressMoveRelease, CENTRE, 7, false},
      {"pressed just off the menu, the pointer on it when GLUT reads the press", 30, 0,
       PressOffMenuThenPointerOn, 10, MENU_INSPECT + 1, false},
      {"released on the last column of the entry", 30, 0, PressMoveRelease, -3, 1, true},
      {"released on the menu's right border", 30, 0, PressMoveRelease, -2, 1, false},
      {"released one pixel right of the menu's window", 30, 0, PressMoveRelease, 0, 1, false},
  };
  for (const GestureCase &c : cases) {
    SCOPED_TRACE(c.name);
    resetScene();
    ASSERT_GE(perform(c), 1) << "GLUT reported no choice: the gesture tests nothing";
    const bool tableChosen = scene.planView == 1 && scene.activeKind[Table] == 1;
    const bool anythingChosen = scene.planView != 0 || scene.inspectMode != 0;
    EXPECT_EQ(tableChosen, c.chosen);
    EXPECT_EQ(anythingChosen, c.chosen);
  }
}

// Other programs' pop-ups, one standing and one appearing while the menu is made, are not taken
// for the menu: a choice GLUT mistakes is still refused.
TEST_F(MenuEventsTest, OtherProgramsPopUpsAreNotTakenForTheMenu) {
  Display *other = XOpenDisplay(nullptr);
  ASSERT_NE(other, nullptr);
  auto popUp = [other] {
    XSetWindowAttributes attributes{};
    attributes.override_redirect = True;
    const Window w =
        XCreateWindow(other, DefaultRootWindow(other), 900, 700, 50, 50, 0, CopyFromParent,
                      InputOutput, CopyFromParent, CWOverrideRedirect, &attributes);
    XMapWindow(other, w);
    XSync(other, False);
  };
  popUp();
  duringMenuCreation = popUp;
  createMenu();
  duringMenuCreation = nullptr;
  resetScene();
  ASSERT_GE(perform({"", 30, 0, PressOffMenuThenPointerOn, 10, 1, false}), 1);
  EXPECT_EQ(scene.planView, 0) << "a click off the menu chose \"  Mesa\"";
  XCloseDisplay(other);
}

// ---- every change in the next frame, and rest ----

void key(KeySym symbol, bool shifted = false) {
  const KeyCode shift = XKeysymToKeycode(display(), XK_Shift_L);
  const KeyCode code = XKeysymToKeycode(display(), symbol);
  if (shifted) {
    XTestFakeKeyEvent(display(), shift, True, CurrentTime);
  }
  XTestFakeKeyEvent(display(), code, True, CurrentTime);
  XTestFakeKeyEvent(display(), code, False, CurrentTime);
  if (shifted) {
    XTestFakeKeyEvent(display(), shift, False, CurrentTime);
  }
  XSync(display(), False);
}

// The screen pixel of window pixel (x, y).
std::array<int, 2> onScreen(int x, int y) {
  return {glutGet(GLUT_WINDOW_X) + x, glutGet(GLUT_WINDOW_Y) + y};
}

void clickAt(int x, int y, unsigned int number = 1) {
  const auto p = onScreen(x, y);
  pointerTo(p[0], p[1]);
  button(number, true);
  button(number, false);
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

// What the window would show were it drawn now.
Frame frameDrawnNow() {
  applyCurrentView();
  onDisplay();
  return readFrame();
}

struct Change {
  std::string name;
  std::function<void()> before; // sets the scene up, directly
  std::function<void()> make;   // the change, by X events
  bool keepsMoving;             // a door swings on: no rest
};

// Each change, made by the window system's events, shows in the frame after one turn of the loop,
// and in every frame after; once nothing moves the program rests and asks for no frame.
TEST_F(MenuEventsTest, EveryChangeShowsInTheNextFrameAndThenTheProgramRests) {
  const auto planView = [] { onMenu(MENU_INSPECT + 1 + Table); };
  const auto inspecting = [] {
    placePiece(Wardrobe, 10, 10);
    onMenu(MENU_INSPECT);
  };
  std::vector<Change> changes = {
      {"a piece placed", planView, [] { clickAt(250, 250); }, false},
      {"a piece dragged",
       [planView] {
         planView();
         const auto p = onScreen(100, 100);
         pointerTo(p[0], p[1]);
         button(1, true);
       },
       [] {
         const auto p = onScreen(300, 320);
         pointerTo(p[0], p[1]);
       },
       false},
      {"a menu choice", [] {},
       [] {
         clickAt(40, 40, 3);
         settle();
         const ScreenBox menu = windowUnderPointer();
         const int rowHeight = (menu.height - 2 * POP_UP_MENU_BORDER) / MENU_ROWS;
         pointerTo(menu.left + menu.width / 2, menu.top + POP_UP_MENU_BORDER + rowHeight * 3 / 2);
         button(1, true);
         button(1, false);
       },
       false},
      {"the window resized", [] {},
       [] {
         glutReshapeWindow(WINDOW_SIZE + 100, WINDOW_SIZE + 100);
         settle(); // GLUT draws the resized window once itself
       },
       false},
      {"a door clicked", inspecting,
       [] {
         const auto door = mousePixelOf(scene.lists[Wardrobe].slots[1], 2.5, 12, 7.25);
         clickAt(door[0], door[1]);
       },
       true},
  };
  for (KeySym symbol : {XK_Left, XK_Right, XK_Up, XK_Down, XK_KP_Add, XK_minus, XK_z}) {
    changes.push_back({"key " + std::string(XKeysymToString(symbol)), [] {},
                       [symbol] {
                         const auto p = onScreen(250, 250); // the keyboard's window
                         pointerTo(p[0], p[1]);
                         key(symbol);
                       },
                       false});
  }
  changes.push_back({"key Z", [] {}, [] { key(XK_z, true); }, false});

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
      ASSERT_EQ(shown, frameDrawnNow()) << "a stale frame after " << t + 1 << " turns";
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
