#include "gl_harness.h"

#include "anim/animation.h"
#include "edit/editing.h"
#include "view/views.h"

#include <cmath>
#include <cstdio>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <functional>
#include <string>
#include <unistd.h>
#include <vector>
#if defined(__SANITIZE_ADDRESS__)
// Public interface of the sanitizer runtime; GCC ships no header for it.
extern "C" std::size_t __sanitizer_get_current_allocated_bytes();
#endif

namespace {

// Menu values as the pop-up menu reports them.
enum MenuValue : int { VISUALIZAR, MESA, SILLA, ARMARIO, MESILLA, ESTANTERIA, SOFA, CAMA };

constexpr int LEFT = GLUT_LEFT_BUTTON;
constexpr int MIDDLE = GLUT_MIDDLE_BUTTON;
constexpr int DOWN = GLUT_DOWN;
constexpr int UP = GLUT_UP;

constexpr int SENTINEL = 77; // a pendingAction / pickedIndex no operation here would write

using Counts = std::array<int, KIND_COUNT>; // indexed by FurnitureKind

Counts counts() {
  Counts c{};
  for (int k = 0; k < KIND_COUNT; ++k) {
    c[k] = scene.lists[k].count;
  }
  return c;
}

void expectAt(const Placement &p, float x, float z) {
  EXPECT_EQ(p.x, x);
  EXPECT_EQ(p.z, z);
}

// One event as GLUT reports it to the program, in the order a user's actions produce them.
struct Event {
  enum Kind { Menu, Mouse, Motion, MenuStatus, Reshape } kind;
  int a, b; // Menu: value. Mouse: button, state. MenuStatus: status. Reshape: width, height.
  int x, y;
};
using Events = std::vector<Event>;

Events menu(int value) {
  return {{Event::Menu, value, 0, 0, 0}};
}
Events button(int b, int state, int x, int y) {
  return {{Event::Mouse, b, state, x, y}};
}
Events press(int x, int y) {
  return button(LEFT, DOWN, x, y);
}
Events release(int x, int y) {
  return button(LEFT, UP, x, y);
}
Events motion(int x, int y) {
  return {{Event::Motion, 0, 0, x, y}};
}
Events reshape(int width, int height) {
  return {{Event::Reshape, width, height, 0, 0}};
}
// A click of another button, or one notch of a wheel (buttons 3 to 6): a press and a release.
Events click(int b, int x, int y) {
  return {{Event::Mouse, b, DOWN, x, y}, {Event::Mouse, b, UP, x, y}};
}
// The pop-up menu opened with a right click at one pixel and closed at another (the click that
// closes it is consumed by the menu).
Events menuOpenedAndClosed(int ox, int oy, int cx, int cy) {
  return {{Event::MenuStatus, GLUT_MENU_IN_USE, 0, ox, oy},
          {Event::MenuStatus, GLUT_MENU_NOT_IN_USE, 0, cx, cy}};
}
Events operator+(Events first, const Events &then) {
  first.insert(first.end(), then.begin(), then.end());
  return first;
}

// A user's press at one pixel, drag and release at another, with the kind chosen in the menu
// first.
Events drop(int menuValue, int px, int py, int rx, int ry) {
  return menu(menuValue) + press(px, py) + motion(rx, ry) + release(rx, ry);
}
Events at(int menuValue, int x, int y) {
  return menu(menuValue) + press(x, y) + release(x, y);
}
// The pointer dragged to the second pixel and the pop-up menu opened there: GLUT then reports
// the menu in use, and never the left button's release.
Events menuMidDrag(int menuValue, int px, int py, int rx, int ry) {
  return menu(menuValue) + press(px, py) + motion(rx, ry) + menuOpenedAndClosed(rx, ry, rx, ry);
}

void perform(const Events &events) {
  for (const Event &e : events) {
    switch (e.kind) {
    case Event::Menu:
      onMenu(e.a);
      break;
    case Event::Mouse:
      onMouse(e.a, e.b, e.x, e.y);
      break;
    case Event::Motion:
      onMotion(e.x, e.y);
      break;
    case Event::MenuStatus:
      onMenuStatus(e.a, e.x, e.y);
      break;
    case Event::Reshape:
      onReshape(e.a, e.b);
      break;
    }
  }
}

const Mat4 squarePerspective = frustumMatrix(-1, 1, -1, 1, 2, 200);
const Mat4 planProjection = orthoMatrix(-2, 40, -2, 40, 2, 1000);
const Mat4 planCamera = translation(0, 38, -42) * rotation(90, 1, 0, 0);
const Mat4 initialCamera = translation(0, 0, -60) * rotation(5, 1, 0, 0) * rotation(30, 0, 1, 0) *
                           translation(-20, -10, -20);

void expectView(const Mat4 &projection, const Mat4 &camera) {
  EXPECT_EQ(currentMatrixMode(), GL_MODELVIEW);
  EXPECT_TRUE(matrixNear(GL_PROJECTION_MATRIX, projection));
  EXPECT_TRUE(matrixNear(GL_MODELVIEW_MATRIX, camera));
}

class EditingTest : public GlTest {};

// ---------------------------------------------------------------------------------------------
// Placing

TEST_F(EditingTest, PlacingPressPutsNewPieceUnderPointer) {
  struct Case {
    int width, height, menu;
    FurnitureKind kind;
    int px, py;
    float x, z;
  };
  const Case cases[] = {
      {500, 500, MESA, Table, 250, 250, 19, 19},
      {500, 500, CAMA, Bed, 0, 0, -2, -2},
      {500, 500, ARMARIO, Wardrobe, 500, 500, 40, 40},
      {420, 420, SILLA, Chair, 100, 100, 8, 8},
      {420, 420, MESILLA, BedsideTable, 210, 0, 19, -2},
      {420, 420, SOFA, Sofa, 219, 101, 19.9f, 8.1f},
      {840, 420, ESTANTERIA, Shelf, 420, 210, 19, 19}, // a wide window stretches the plan
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height) + " menu " +
                 std::to_string(c.menu));
    resetScene();
    onReshape(c.width, c.height);
    onMenu(c.menu);
    const unsigned long before = redisplayRequestCount;
    onMouse(LEFT, DOWN, c.px, c.py);
    Counts expected{};
    expected[c.kind] = 1;
    EXPECT_EQ(counts(), expected);
    expectAt(scene.lists[c.kind].slots[1], c.x, c.z);
    expectAt(scene.lists[c.kind].slots[0], 0, 0);
    EXPECT_EQ(scene.dragging, 1);
    EXPECT_EQ(redisplayRequestCount, before + 1);

    // The release of the only piece in the room keeps it and asks for no redraw.
    onMouse(LEFT, UP, c.px, c.py);
    EXPECT_EQ(counts(), expected);
    EXPECT_EQ(scene.dragging, 0);
    EXPECT_EQ(redisplayRequestCount, before + 1);
  }
}

TEST_F(EditingTest, FullListIgnoresFurtherPressesAndStartsNoDrag) {
  onReshape(420, 420); // pixel p lands at p / 10 - 2
  onMenu(SILLA);
  const unsigned long before = redisplayRequestCount;
  // Presses only: each ends the drag before it where its chair stands, 4 apart from the others.
  for (int i = 0; i < MAX_PIECES_PER_KIND; ++i) {
    onMouse(LEFT, DOWN, 40 * (i % 10), 40 * (i / 10) + 5);
  }
  const FurnitureList &chairs = scene.lists[Chair];
  ASSERT_EQ(chairs.count, 50);
  EXPECT_EQ(redisplayRequestCount, before + 50);
  for (int i = 0; i < MAX_PIECES_PER_KIND; ++i) {
    expectAt(chairs.slots[i + 1], 4.0f * (i % 10) - 2, 4.0f * (i / 10) - 1.5f);
  }

  onMouse(MIDDLE, DOWN, 410, 0); // ends the drag of the 50th chair, which stands clear
  ASSERT_EQ(scene.dragging, 0);
  const FurnitureList full = chairs;
  onMouse(LEFT, DOWN, 300, 300);
  EXPECT_EQ(chairs.count, 50);
  for (int slot = 0; slot <= 50; ++slot) {
    expectAt(chairs.slots[slot], full.slots[slot].x, full.slots[slot].z);
  }
  EXPECT_EQ(scene.dragging, 0);
  EXPECT_EQ(redisplayRequestCount, before + 50);

  // Nothing follows the pointer: the 50th chair stays where it was placed.
  onMotion(300, 200);
  expectAt(chairs.slots[50], 34, 14.5f);
}

TEST_F(EditingTest, PressesOutsideThePlanViewPlaceNothing) {
  struct Case {
    const char *what;
    std::function<void()> setUp;
    int pendingAfter; // the floor's name after a pick; untouched without one
  };
  const Case cases[] = {
      {"before any menu choice", [] {}, SENTINEL},
      {"inspecting after choosing a kind",
       [] {
         onMenu(MESA);
         onMenu(VISUALIZAR);
       },
       -1},
      {"inspecting after placing",
       [] {
         perform(at(MESA, 400, 20));
         onMenu(VISUALIZAR);
       },
       -1},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    resetScene();
    // A floor point clear of every piece, as the perspective view shows it.
    applyPerspectiveView();
    const auto pixel = mousePixelOf(Placement{}, 20, -0.01, 30);
    c.setUp();
    scene.pendingAction = SENTINEL;
    scene.pickedIndex = SENTINEL;
    const Counts before = counts();
    const unsigned long requests = redisplayRequestCount;
    onMouse(LEFT, DOWN, pixel[0], pixel[1]);
    EXPECT_EQ(counts(), before);
    EXPECT_EQ(scene.dragging, 0);
    EXPECT_EQ(redisplayRequestCount, requests);
    EXPECT_EQ(scene.pendingAction, c.pendingAfter);
  }
}

// ---------------------------------------------------------------------------------------------
// Rejection on release

TEST_F(EditingTest, ReleaseRemovesNewestPieceDroppedOntoAnother) {
  struct SlotAt {
    FurnitureKind kind;
    int slot;
    float x, z;
  };
  struct Scenario {
    const char *what;
    std::vector<Events> steps;
    Counts counts; // Table, Chair, Wardrobe, BedsideTable, Shelf, Sofa, Bed
    std::vector<SlotAt> slots;
  };
  // In a 420 x 420 window pixel (p, q) is room (p / 10 - 2, q / 10 - 2).
  std::vector<Scenario> scenarios = {
      {"upper x bound is strict", {at(MESA, 100, 100), at(MESA, 220, 100)}, {2}, {}},
      {"just inside upper x bound", {at(MESA, 100, 100), at(MESA, 219, 100)}, {1}, {}},
      {"zero z bound is strict",
       {at(MESA, 100, 100), at(SILLA, 150, 100)},
       {1, 1},
       {{Chair, 1, 13, 8}}},
      {"just past zero z bound", {at(MESA, 100, 100), at(SILLA, 150, 101)}, {1, 0}, {}},
      {"wardrobe onto chair", {at(SILLA, 300, 300), at(ARMARIO, 190, 250)}, {0, 1, 0}, {}},
      {"chair onto wardrobe", {at(ARMARIO, 190, 250), at(SILLA, 300, 300)}, {0, 1, 1}, {}},
      {"bedside inside half-unit bound",
       {at(ESTANTERIA, 100, 100), at(MESILLA, 104, 100)},
       {0, 0, 0, 0, 1},
       {}},
      {"bedside on half-unit bound",
       {at(ESTANTERIA, 100, 100), at(MESILLA, 105, 100)},
       {0, 0, 0, 1, 1},
       {}},
      {"inside three rectangles removes one piece",
       {at(MESA, 100, 100), at(MESA, 300, 100), at(SILLA, 240, 150), at(MESA, 200, 100)},
       {2, 1},
       {{Table, 1, 8, 8}, {Table, 2, 28, 8}, {Chair, 1, 22, 13}}},
      {"off-floor release outside every rectangle",
       {at(MESA, 100, 100), drop(MESA, 300, 300, -50, 300)},
       {2},
       {{Table, 2, -7, 28}}},
      {"off-floor release inside a rectangle",
       {at(MESA, 20, 100), drop(MESA, 300, 100, -50, 100)},
       {1},
       {}},
      {"inspection release tests nothing",
       {at(MESA, 100, 100), at(SILLA, 300, 300), at(VISUALIZAR, 110, 110)},
       {1, 1},
       {{Chair, 1, 28, 28}}},
      {"placing again after inspecting",
       {at(MESA, 100, 100), at(VISUALIZAR, 300, 300), at(MESA, 110, 110)},
       {1},
       {}},
      {"freed slot is reused",
       {at(MESA, 100, 100), at(MESA, 219, 100), at(MESA, 300, 300)},
       {2},
       {{Table, 2, 28, 28}}},
      {"menu opened mid-drag onto another piece",
       {at(MESA, 100, 100), menuMidDrag(MESA, 300, 300, 219, 100), at(MESA, 300, 300)},
       {2},
       {{Table, 1, 8, 8}, {Table, 2, 28, 28}}},
      {"menu opened mid-drag clear of other pieces",
       {at(MESA, 100, 100), menuMidDrag(MESA, 300, 300, 220, 100)},
       {2},
       {{Table, 2, 20, 8}}},
      // Every drag is judged once, where it ends; events that end no drag take nothing away.
      // Table A stands at (8, 8); the table dragged in each row is B.
      {"left click that closes the menu, onto another piece",
       {at(MESA, 100, 100), at(MESA, 300, 330), menuOpenedAndClosed(400, 20, 110, 110),
        release(110, 110)},
       {2},
       {{Table, 2, 28, 31}}},
      {"menu mid-drag, then the left release onto another piece",
       {at(MESA, 100, 100), menuMidDrag(MESA, 300, 300, 400, 380), click(MIDDLE, 300, 20),
        motion(110, 110), release(110, 110)},
       {2},
       {{Table, 2, 38, 36}}},
      {"middle click mid-drag ends it where it happens",
       {at(MESA, 100, 100), menu(MESA) + press(300, 300) + motion(400, 380),
        click(MIDDLE, 400, 380), motion(110, 110), release(110, 110)},
       {2},
       {{Table, 2, 38, 36}}},
      {"middle press mid-drag onto another piece ends it there",
       {at(MESA, 100, 100), menu(MESA) + press(300, 300) + motion(110, 110),
        button(MIDDLE, DOWN, 110, 110), motion(400, 380), button(MIDDLE, UP, 400, 380),
        release(400, 380)},
       {1},
       {}},
      {"wheel notches mid-drag: the piece keeps following",
       {at(MESA, 100, 100), menu(MESA) + press(300, 300) + motion(400, 380), click(3, 400, 380),
        click(4, 400, 380), click(5, 400, 380), click(6, 400, 380), motion(200, 380),
        release(200, 380)},
       {2},
       {{Table, 2, 18, 36}}},
      {"wheel notch mid-drag, dropped onto another piece",
       {at(MESA, 100, 100), menu(MESA) + press(300, 300) + motion(400, 380), click(4, 400, 380),
        motion(110, 110), release(110, 110)},
       {1},
       {}},
      {"release after a pick, onto another piece",
       {at(MESA, 100, 100), at(MESA, 300, 300), menu(VISUALIZAR) + press(110, 110),
        menu(MESA) + release(110, 110)},
       {2},
       {{Table, 2, 28, 28}}},
      {"menu opened mid-drag while inspecting",
       {at(MESA, 100, 100), at(VISUALIZAR, 300, 300), menuMidDrag(VISUALIZAR, 110, 110, 110, 110)},
       {1},
       {}},
      // A piece is judged where it stands, wherever the pointer is when its drag ends. B rests
      // on free floor at (28, 31) unless dragged onto A.
      {"release lost while the window was unmapped, then a middle click over another piece",
       {at(MESA, 100, 100), menu(MESA) + press(300, 330), click(MIDDLE, 110, 110)},
       {2},
       {{Table, 2, 28, 31}}},
      {"window grown mid-drag: the release pixel now lies over another piece",
       {at(MESA, 100, 100),
        menu(MESA) + press(300, 330) + motion(300, 330) + reshape(1000, 1000) + release(300, 330)},
       {2},
       {{Table, 2, 28, 31}}},
      {"window shrunk mid-drag: the release pixel now lies clear of the piece dropped onto",
       {at(MESA, 100, 100),
        menu(MESA) + press(300, 330) + motion(110, 110) + reshape(210, 210) + release(110, 110)},
       {1},
       {}},
      {"window moved mid-drag: released over another piece without motion",
       {at(MESA, 100, 100), menu(MESA) + press(300, 330) + motion(300, 330) + release(110, 110)},
       {2},
       {{Table, 2, 28, 31}}},
      {"left press while a drag onto another piece is still running",
       {at(MESA, 100, 100), menu(MESA) + press(300, 330) + motion(110, 110), at(MESA, 300, 20)},
       {2},
       {{Table, 2, 28, 0}}},
  };
  const int menus[KIND_COUNT] = {MESA, SILLA, ARMARIO, MESILLA, ESTANTERIA, SOFA, CAMA};
  for (int k = 0; k < KIND_COUNT; ++k) {
    Counts one{};
    one[k] = 1;
    scenarios.push_back({"first piece stays", {at(menus[k], 100, 100)}, one, {}});
  }

  // A full list: the refused 51st press drags nothing, so its release judges nothing; the 50th
  // piece, which the user did not touch, stays where it stands.
  std::vector<Events> fiftyChairs;
  for (int i = 0; i < MAX_PIECES_PER_KIND; ++i) {
    fiftyChairs.push_back(at(SILLA, 40 * (i % 10), 40 * (i / 10) + 5));
  }
  const std::vector<std::pair<Scenario, Events>> fullList = {
      {{"full list, a drag to free floor", {}, {0, 50}, {{Chair, 50, 34, 14.5f}}},
       press(300, 300) + motion(300, 350) + release(300, 350)},
      {{"full list, a shaky click on another piece", {}, {0, 50}, {{Chair, 50, 34, 14.5f}}},
       press(120, 125) + motion(121, 127) + motion(122, 128) + release(122, 128)},
      {{"full list, a click on another piece", {}, {0, 50}, {{Chair, 50, 34, 14.5f}}},
       press(120, 125) + release(120, 125)},
  };
  for (auto [scenario, last] : fullList) {
    scenario.steps = fiftyChairs;
    scenario.steps.push_back(last);
    scenarios.push_back(scenario);
  }

  for (const Scenario &s : scenarios) {
    SCOPED_TRACE(s.what);
    resetScene();
    onReshape(420, 420);
    for (const Events &step : s.steps) {
      perform(step);
    }
    EXPECT_EQ(counts(), s.counts);
    for (const SlotAt &p : s.slots) {
      expectAt(scene.lists[p.kind].slots[p.slot], p.x, p.z);
    }
    EXPECT_EQ(scene.dragging, 0);
    for (int flag : scene.overlapFlag) {
      EXPECT_EQ(flag, 0);
    }
  }
}

TEST_F(EditingTest, ReleaseWithoutActiveKindOrPieceRemovesNothing) {
  onReshape(420, 420);
  // No kind chosen yet: pieces exist, the release point lies inside their rectangles.
  placePiece(Table, 8, 8);
  placePiece(Table, 9, 9);
  scene.dragging = 1;
  onMouse(LEFT, UP, 110, 110);
  EXPECT_EQ(counts(), (Counts{2}));
  EXPECT_EQ(scene.dragging, 0);

  // A change of kind between press and release leaves the released kind's list empty.
  onMenu(MESA);
  onMouse(LEFT, DOWN, 300, 300);
  onMenu(SILLA);
  onMouse(LEFT, UP, 150, 101); // inside the chair-onto-table rectangle of the table at (8, 8)
  EXPECT_EQ(counts(), (Counts{3, 0}));
  for (int flag : scene.overlapFlag) {
    EXPECT_EQ(flag, 0);
  }

  // The pop-up menu opened with no drag running ends none, wherever it opens.
  onMenu(MESA);
  onMenuStatus(GLUT_MENU_IN_USE, 110, 110);
  EXPECT_EQ(counts(), (Counts{3, 0}));
}

// Every ordered pair, just inside, on and just outside each of the four bounds, released through
// the mouse in a window fine enough for steps of 0.01 room units.
TEST_F(EditingTest, EveryPairRejectsExactlyInsideItsStrictRectangle) {
  // xLower, xUpper, zLower, zUpper around the other piece; newest kind by row, other kind by
  // column, both in the order of `kinds`.
  const FurnitureKind kinds[KIND_COUNT] = {Table, Chair, Wardrobe, BedsideTable, Shelf, Sofa, Bed};
  // clang-format off
  const double rects[KIND_COUNT][KIND_COUNT][4] = {
      {{-12, 12, -7, 7}, {-12, 4, -11, 0}, {-12, 10, -7, 7}, {-12, 5, -7, 3},
       {-15, 0, -7, 8}, {-12, 9, -27, 0}, {-12, 15, -6, 8}},     // newest Table
      {{-4, 12, 0, 11}, {-4, 4, -4, 4}, {-5, 10, 0, 12}, {-4, 5, 0, 7},
       {-8, 0, 0, 12}, {-4, 9, -20, 4}, {-4, 14, 0, 11}},        // newest Chair
      {{-10, 12, -7, 7}, {-12, 4, -11, 0}, {-10, 10, -7, 7}, {-10, 6, -7, 4},
       {-15, 0, -7, 8}, {-12, 9, -27, 0}, {-10, 15, -8, 8}},     // newest Wardrobe
      {{-5, 12, -3, 7}, {-5, 4, -8, 0}, {-12, 10, -7, 7}, {-5, 5, -4, 4},
       {-9, 0.5, -4, 8}, {-5, 9, -24, 0}, {-6, 15, -3, 8}},      // newest BedsideTable
      {{0, 16, -8, 7}, {0, 8, -12, 0}, {0, 14, -8, 7}, {0, 10, -8, 4},
       {-4, 4, -8, 8}, {0, 13, -27, 0}, {-1, 19, -8, 8}},        // newest Shelf
      {{-9, 12, 0, 27}, {-9, 4, -4, 20}, {-9, 10, 0, 27}, {-9, 5, 0, 24},
       {-13, 0, 0, 28}, {-9, 9, -20, 20}, {-10, 15, 0, 28}},     // newest Sofa
      {{-15, 12, -7, 7}, {-15, 5, -12, 0}, {-14, 8, -8, 8}, {-15, 6, -8, 3},
       {-18, 1, -8, 8}, {-15, 10, -27, 0}, {-15, 16, -8, 8}},    // newest Bed
  };
  // clang-format on
  const int menus[KIND_COUNT] = {MESA, SILLA, ARMARIO, MESILLA, ESTANTERIA, SOFA, CAMA};
  const Placement other{20, 30};
  // Steps across a bound: whether the point is then inside, for a lower and an upper bound.
  struct Step {
    double delta;
    bool insideAtLower, insideAtUpper;
  };
  const Step steps[] = {{-0.01, false, true}, {0, false, false}, {0.01, true, false}};

  onReshape(4200, 4200); // pixel p lands at p / 100 - 2
  for (int n = 0; n < KIND_COUNT; ++n) {
    for (int o = 0; o < KIND_COUNT; ++o) {
      const double *r = rects[n][o]; // xLower, xUpper, zLower, zUpper
      const double midX = other.x + (r[0] + r[1]) / 2, midZ = other.z + (r[2] + r[3]) / 2;
      for (int bound = 0; bound < 4; ++bound) {
        const bool alongX = bound < 2, upper = bound % 2 == 1;
        const double at = (alongX ? other.x : other.z) + r[bound];
        for (const Step &s : steps) {
          const double X = alongX ? at + s.delta : midX, Z = alongX ? midZ : at + s.delta;
          const bool inside = upper ? s.insideAtUpper : s.insideAtLower;
          SCOPED_TRACE("newest " + std::to_string(kinds[n]) + " other " + std::to_string(kinds[o]) +
                       " at (" + std::to_string(X) + ", " + std::to_string(Z) + ")");
          for (FurnitureList &list : scene.lists) {
            list.count = 0;
          }
          placePiece(kinds[o], other.x, other.z);
          const int px = static_cast<int>(std::lround((X + 2) * 100));
          const int py = static_cast<int>(std::lround((Z + 2) * 100));
          perform(menu(menus[n]) + press(px, py) + release(px, py));
          // The older piece always stays; the dropped one only when outside.
          if (n == o) {
            EXPECT_EQ(scene.lists[kinds[n]].count, inside ? 1 : 2);
          } else {
            EXPECT_EQ(scene.lists[kinds[o]].count, 1);
            EXPECT_EQ(scene.lists[kinds[n]].count, inside ? 0 : 1);
          }
        }
      }
    }
  }
}

// ---------------------------------------------------------------------------------------------
// Dragging

TEST_F(EditingTest, DragMovesOnlyNewestPieceOfActiveKind) {
  onReshape(420, 420);
  perform(at(MESA, 50, 50));   // table at (3, 3)
  perform(at(SILLA, 400, 50)); // chair at (38, 3)
  onMenu(MESA);
  onMouse(LEFT, DOWN, 100, 100);
  expectAt(scene.lists[Table].slots[2], 8, 8);

  for (const auto &p : {std::array<int, 2>{300, 200}, std::array<int, 2>{260, 180}}) {
    scrambleMatrices(GL_MODELVIEW);
    const unsigned long before = redisplayRequestCount;
    onMotion(p[0], p[1]);
    EXPECT_EQ(redisplayRequestCount, before + 1);
    expectView(planProjection, planCamera);
  }
  expectAt(scene.lists[Table].slots[2], 24, 16); // the last motion, not an accumulation
  expectAt(scene.lists[Table].slots[1], 3, 3);
  expectAt(scene.lists[Chair].slots[1], 38, 3);
  onMotion(300, 200);
  expectAt(scene.lists[Table].slots[2], 28, 18);

  onMouse(LEFT, UP, 300, 200);
  EXPECT_EQ(counts(), (Counts{2, 1}));
}

TEST_F(EditingTest, MotionOutsideADragChangesNothing) {
  struct Case {
    const char *what;
    std::function<void()> setUp;
  };
  const Case cases[] = {
      {"before any menu choice", [] {}},
      {"after choosing a kind, before a press", [] { onMenu(MESA); }},
      {"after the release", [] { perform(at(MESA, 100, 100)); }},
      {"after a middle press",
       [] {
         onMenu(MESA);
         onMouse(LEFT, DOWN, 100, 100);
         onMouse(MIDDLE, DOWN, 120, 120);
       }},
      {"after a middle release",
       [] {
         onMenu(MESA);
         onMouse(LEFT, DOWN, 100, 100);
         onMouse(MIDDLE, UP, 120, 120);
       }},
      {"after a pick press",
       [] {
         perform(at(MESA, 100, 100));
         onMenu(VISUALIZAR);
         onMouse(LEFT, DOWN, 250, 250);
       }},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    resetScene();
    onReshape(420, 420);
    placePiece(Table, 1, 1); // a piece that a stray motion could move
    c.setUp();
    EXPECT_EQ(scene.dragging, 0);
    const FurnitureList tables = scene.lists[Table];
    scrambleMatrices(GL_MODELVIEW);
    const auto projection = readMatrix(GL_PROJECTION_MATRIX);
    const auto modelView = readMatrix(GL_MODELVIEW_MATRIX);
    const unsigned long before = redisplayRequestCount;
    onMotion(300, 200);
    for (int slot = 0; slot <= MAX_PIECES_PER_KIND; ++slot) {
      expectAt(scene.lists[Table].slots[slot], tables.slots[slot].x, tables.slots[slot].z);
    }
    EXPECT_EQ(redisplayRequestCount, before);
    EXPECT_EQ(currentMatrixMode(), GL_MODELVIEW);
    EXPECT_EQ(readMatrix(GL_PROJECTION_MATRIX), projection);
    EXPECT_EQ(readMatrix(GL_MODELVIEW_MATRIX), modelView);
  }
}

TEST_F(EditingTest, MotionWhileInspectingOnlyReappliesPerspective) {
  onReshape(420, 420);
  onMenu(MESA);
  onMouse(LEFT, DOWN, 100, 100);
  onMenu(VISUALIZAR); // leaves the drag running
  ASSERT_EQ(scene.dragging, 1);
  scrambleMatrices(GL_MODELVIEW);
  const unsigned long before = redisplayRequestCount;
  onMotion(300, 200);
  expectAt(scene.lists[Table].slots[1], 8, 8);
  EXPECT_EQ(redisplayRequestCount, before);
  expectView(squarePerspective, initialCamera);
}

// ---------------------------------------------------------------------------------------------
// Picking through the drawn scene

void expectPickLeavesPerspectiveView() {
  GLint renderMode = 0, depth = 0;
  glGetIntegerv(GL_RENDER_MODE, &renderMode);
  EXPECT_EQ(renderMode, GL_RENDER);
  glGetIntegerv(GL_PROJECTION_STACK_DEPTH, &depth);
  EXPECT_EQ(depth, 1);
  const double aspect = static_cast<float>(scene.windowHeight / scene.windowWidth);
  expectView(frustumMatrix(-1, 1, -aspect, aspect, 2, 200), initialCamera);
}

TEST_F(EditingTest, PickNamesPartAndPieceUnderPointer) {
  constexpr int NONE = -1; // the point is in room coordinates, not on a piece
  struct Case {
    const char *what;
    FurnitureKind kind;
    int index;
    double x, y, z;
    int name, pickedIndex;
  };
  const Case cases[] = {
      {"left door of the third wardrobe", Wardrobe, 2, 2.5, 12, 7.25, 101, 2},
      {"right door handle", Wardrobe, 0, 5.9, 17.25, 7.5, 102, 0},
      {"upper drawer knob", Wardrobe, 2, 5, 6.6, 7.5, 103, 2},
      {"lower drawer front", Wardrobe, 1, 8, 1.2, 7, 104, 1},
      {"bedside upper drawer knob", BedsideTable, 1, 2.6, 5.3, 3.5, 105, 1},
      {"bedside lower drawer front", BedsideTable, 0, 1, 1, 3, 106, 0},
      {"wardrobe side panel", Wardrobe, 0, -0.1, 12, 3.5, 0, 0},
      {"bedside top panel", BedsideTable, 1, 2.5, 6.1, 1.5, 1, 1},
      {"table top", Table, 0, 6, 8.7, 3.5, 200, -1},
      {"floor only", Table, NONE, 10, -0.01, 36, -1, -1},
      {"sky", Table, NONE, 20, 38, -60, 0, SENTINEL},
  };
  furnishForPicking();
  // A square window, a landscape and a portrait one: the pick region's row counts from the
  // bottom of the window, so its height matters and its width must not.
  for (const auto &size : {std::array<int, 2>{500, 500}, {640, 400}, {360, 560}}) {
    onReshape(size[0], size[1]);
    for (const Case &c : cases) {
      SCOPED_TRACE(std::string(c.what) + " in a " + std::to_string(size[0]) + " x " +
                   std::to_string(size[1]) + " window");
      applyPerspectiveView();
      const Placement origin =
          c.index == NONE ? Placement{} : scene.lists[c.kind].slots[c.index + 1];
      const auto pixel = mousePixelOf(origin, c.x, c.y, c.z);
      scene.pickedIndex = SENTINEL;
      scrambleMatrices(GL_MODELVIEW);
      const unsigned long swaps = bufferSwapCount;
      EXPECT_EQ(pickAt(pixel[0], pixel[1]), c.name);
      EXPECT_EQ(bufferSwapCount, swaps) << "the pick showed a buffer nothing was drawn into";
      EXPECT_EQ(scene.pickedIndex, c.pickedIndex);
      expectPickLeavesPerspectiveView();
    }
  }
}

TEST_F(EditingTest, PickRegionIsCentredOnRowHeightMinusY) {
  // Looking straight along -z from (20, 10, 80), the top front edge of a wardrobe at (15, 0)
  // is the horizontal line y = 25.1, z = 7, at window row 250 + 250 * 2 * 15.1 / 73 = 353.42.
  // A 5-pixel region centred on row 355 reaches down to 352.5 and meets it; centred on row 356
  // it stops at 353.5, just above.
  scene.cameraPitch = 0;
  scene.cameraYaw = 0;
  placePiece(Wardrobe, -12, 0); // list index 0, far off to the left, so the hit names index 1
  placePiece(Wardrobe, 15, 0);
  struct Case {
    int mouseY, name;
  };
  for (const Case &c : {Case{500 - 355, 1}, Case{500 - 356, 0}}) {
    SCOPED_TRACE(c.mouseY);
    EXPECT_EQ(pickAt(250, c.mouseY), c.name);
  }
}

TEST_F(EditingTest, PickThatOverflowsSelectionBufferReportsNothing) {
  // Fifty wardrobes in one place leave five records each under the pointer.
  for (int i = 0; i < MAX_PIECES_PER_KIND; ++i) {
    placePiece(Wardrobe, 12, 0);
  }
  applyPerspectiveView();
  const auto pixel = mousePixelOf(scene.lists[Wardrobe].slots[1], 5, 8.1, 7);
  scene.pickedIndex = SENTINEL;
  EXPECT_EQ(pickAt(pixel[0], pixel[1]), 0);
  EXPECT_EQ(scene.pickedIndex, SENTINEL);
  expectPickLeavesPerspectiveView();
}

// The memory this process holds, in bytes: its resident pages, as the kernel counts them. Under
// AddressSanitizer, whose quarantine keeps freed blocks resident on purpose, the bytes of the
// heap blocks still allocated.
long heldBytes() {
#if defined(__SANITIZE_ADDRESS__)
  return static_cast<long>(__sanitizer_get_current_allocated_bytes());
#else
  long pages = 0, resident = 0;
  FILE *statm = std::fopen("/proc/self/statm", "r");
  if (statm == nullptr || std::fscanf(statm, "%ld %ld", &pages, &resident) != 2) {
    ADD_FAILURE() << "cannot read /proc/self/statm";
  }
  if (statm != nullptr) {
    std::fclose(statm);
  }
  return resident * sysconf(_SC_PAGESIZE);
#endif
}

// A user clicking doors for an afternoon: every pick, idle call and frame must give back what it
// takes, however many rounds run.
TEST_F(EditingTest, PickingForHoursKeepsNoMemory) {
  furnishForPicking();
  for (int i = 0; i < 29; ++i) { // 35 pieces in all, the extra ones on a half circle in front
    const float angle = static_cast<float>(i) * 0.1083f;
    placePiece(static_cast<FurnitureKind>(i % KIND_COUNT), 19 + 17 * std::cos(angle),
               19 + 17 * std::sin(angle));
  }
  scene.inspectMode = 1;
  applyPerspectiveView();
  const auto door = mousePixelOf(scene.lists[Wardrobe].slots[7], 2.5, 12, 7.25);
  int missed = 0;
  const auto round = [&] {
    onMouse(LEFT, DOWN, door[0], door[1]);
    onMouse(LEFT, UP, door[0], door[1]);
    missed += scene.pendingAction != PICK_LEFT_DOOR || scene.pickedIndex != 6;
    onIdle();
    onDisplay();
  };
  for (int i = 0; i < 20; ++i) { // the renderer compiles its shaders in the first rounds
    round();
  }
  const long before = heldBytes();
  constexpr int ROUNDS = 300;
  for (int i = 0; i < ROUNDS; ++i) {
    round();
  }
  const long grown = heldBytes() - before;
  std::printf("[ MEASURED ] memory held grew by %ld KiB over %d rounds\n", grown / 1024, ROUNDS);
  EXPECT_EQ(missed, 0) << "rounds whose click did not hit the door";
  EXPECT_LT(grown, 2L << 20);
}

// ---------------------------------------------------------------------------------------------
// Choosing the nearest record of a selection buffer

constexpr std::uint32_t FLOOR = 0xFFFFFFFFu;
constexpr std::uint32_t TABLE = 200;
constexpr std::uint32_t FAR = 5000, NEAR = 100;

struct Record {
  std::uint32_t name, minDepth;
};

std::vector<std::uint32_t> selectionBuffer(const std::vector<Record> &records) {
  std::vector<std::uint32_t> words;
  for (const Record &r : records) {
    words.insert(words.end(), {1u, r.minDepth, r.minDepth + 10, r.name});
  }
  return words;
}

// Records written by hand, exactly as long as the buffer says, so that a read past it is caught.
TEST_F(EditingTest, NearestRecordNamesThePartAndTheBodyBeforeIt) {
  constexpr std::uint32_t k = 7, j = 4;
  struct Case {
    const char *what;
    std::vector<std::uint32_t> words;
    int hits;
    int name, pieceIndex;
    bool anyRecord;
  };
  std::vector<Case> cases = {
      {"no hits", {1, 0, 0, 101}, 0, 0, -1, false},
      {"negative hit count", {1, 0, 0, 101}, -1, 0, -1, false},
      {"nameless records are skipped",
       {0, 0, 0, 1, FAR, FAR, 7, 0, 0, 0, 1, NEAR, NEAR, 101, 0, 0, 0},
       5,
       101,
       7,
       true},
      {"only nameless records", {0, 0, 0, 0, 0, 0}, 2, 0, -1, true},
      {"two-name record: first name counts, stride follows",
       {2, FAR, FAR, 3, 9, 1, NEAR, NEAR, 103},
       2,
       103,
       3,
       true},
      {"record claims more names than the buffer holds",
       {1, FAR, FAR, 7, 1, NEAR, NEAR, 101, 1000, 0, 0},
       3,
       101,
       7,
       true},
      {"more hits than records", {1, FAR, FAR, 7, 1, NEAR, NEAR, 101}, 6, 101, 7, true},
  };
  const struct {
    const char *what;
    std::vector<Record> records;
    int name, pieceIndex;
  } recordCases[] = {
      {"floor, k, left door", {{FLOOR, FAR}, {k, FAR}, {101, NEAR}}, 101, 7},
      {"k, right door", {{k, FAR}, {102, NEAR}}, 102, 7},
      {"table, k, left door", {{TABLE, FAR}, {k, FAR}, {101, NEAR}}, 101, 7},
      {"floor, k, upper drawer", {{FLOOR, FAR}, {k, FAR}, {103, NEAR}}, 103, 7},
      {"k, lower drawer", {{k, FAR}, {104, NEAR}}, 104, 7},
      {"floor, table, k, upper drawer",
       {{FLOOR, FAR}, {TABLE, FAR}, {k, FAR}, {103, NEAR}},
       103,
       7},
      {"floor, bedside k, upper drawer", {{FLOOR, FAR}, {k, FAR}, {105, NEAR}}, 105, 7},
      {"bedside k, lower drawer", {{k, FAR}, {106, NEAR}}, 106, 7},
      {"floor, table, k, left door after a table",
       {{FLOOR, FAR}, {TABLE, FAR}, {k, FAR}, {101, NEAR}},
       101,
       7},
      {"k, upper drawer, nearest lower drawer", {{k, FAR}, {103, 300}, {104, NEAR}}, 104, 7},
      {"second wardrobe's door nearest",
       {{FLOOR, FAR}, {j, FAR}, {101, 300}, {k, FAR}, {101, NEAR}},
       101,
       7},
      {"first wardrobe's door nearest",
       {{FLOOR, FAR}, {j, FAR}, {101, NEAR}, {k, FAR}, {101, 300}},
       101,
       4},
      {"door with no body", {{101, NEAR}}, 101, -1},
      {"body nearest", {{FLOOR, FAR}, {k, NEAR}, {103, 300}}, 7, 7},
      {"table nearest", {{FLOOR, FAR}, {TABLE, NEAR}, {k, 300}}, 200, -1},
      {"floor only", {{FLOOR, NEAR}}, -1, -1},
      {"equal depths: earlier wins", {{k, FAR}, {101, NEAR}, {102, NEAR}}, 101, 7},
      {"equal depths: body before part wins", {{k, NEAR}, {101, NEAR}}, 7, 7},
      {"depths unsigned: 2^31 - 1 nearer than 2^31",
       {{k, 0x80000000u}, {101, 0x7FFFFFFFu}},
       101,
       7},
      {"depths unsigned: 2^31 farther than 2^31 - 1", {{k, 0x7FFFFFFFu}, {101, 0x80000000u}}, 7, 7},
  };
  for (const auto &c : recordCases) {
    cases.push_back({c.what, selectionBuffer(c.records), static_cast<int>(c.records.size()), c.name,
                     c.pieceIndex, true});
  }
  std::vector<std::uint32_t> longBuffer(3 * 1000, 0); // nameless records ahead of the hit
  longBuffer.insert(longBuffer.end(), {1, FAR, FAR, 7, 1, NEAR, NEAR, 101});
  cases.push_back({"a long buffer of nameless records", longBuffer, 1002, 101, 7, true});

  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    const std::vector<std::uint32_t> words(c.words); // heap copy of exactly this size
    const PickResult r = nearestHit(words.data(), static_cast<int>(words.size()), c.hits);
    EXPECT_EQ(r.name, c.name);
    EXPECT_EQ(r.pieceIndex, c.pieceIndex);
    EXPECT_EQ(r.anyRecord, c.anyRecord);
  }
}

// ---------------------------------------------------------------------------------------------
// The whole loop: place through the menu and mouse, then open a door by clicking it

TEST_F(EditingTest, ClickOnPlacedWardrobeDoorStartsItOpening) {
  perform(at(ARMARIO, 60, 120));  // (3.04, 8.08)
  perform(at(ARMARIO, 250, 120)); // (19, 8.08), clear of the first
  ASSERT_EQ(scene.lists[Wardrobe].count, 2);
  onMenu(VISUALIZAR);
  const auto pixel = mousePixelOf(scene.lists[Wardrobe].slots[2], 2.5, 12, 7.25);
  const SceneState before = scene;

  onMouse(LEFT, DOWN, pixel[0], pixel[1]);
  onMouse(LEFT, UP, pixel[0], pixel[1]);
  EXPECT_EQ(scene.pendingAction, 101);
  EXPECT_EQ(scene.pickedIndex, 1);
  onDisplay();
  EXPECT_EQ(scene.pendingAction, 200);

  const AnimatedValue &door = scene.wardrobeAnim[1].leftDoorAngle;
  EXPECT_EQ(door.opening, 1);
  EXPECT_EQ(door.closing, 0);
  EXPECT_EQ(door.value, 0);
  SceneState expected = before;
  expected.wardrobeAnim[1].leftDoorAngle = door;
  EXPECT_EQ(std::memcmp(scene.wardrobeAnim, expected.wardrobeAnim, sizeof scene.wardrobeAnim), 0)
      << "another wardrobe entry changed";
  EXPECT_EQ(std::memcmp(scene.bedsideAnim, expected.bedsideAnim, sizeof scene.bedsideAnim), 0)
      << "a bedside entry changed";
  EXPECT_EQ(counts(), (Counts{0, 0, 2}));
}

} // namespace
