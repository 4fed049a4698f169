// The idle animator: the tick counts and values of every door and drawer cycle, toggles in the
// middle of a movement, entries without a piece, the view and redisplay that every idle call
// renews, and the continuous redrawing of the real main loop.
#include "anim/animation.h"
#include "edit/editing.h"
#include "gl_harness.h"
#include "models/furniture_models.h"
#include "view/views.h"

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <ostream>
#include <random>
#include <ratio>
#include <string>
#include <vector>

namespace {

// ---- the six animated parts, written out here rather than taken from the program ----

struct PartCase {
  const char *name;
  int code;
  FurnitureKind kind;
  double limit;
  double step;
  int ticksToLimit;     // ticks from 0 until the value first stands at or above the limit
  int ticksToRest;      // ticks of the whole first cycle, the last one finding it home
  int secondCycleTicks; // ticks of a second cycle started from where the first one ended
  float valueAtLimit;   // the value after ticksToLimit ticks
  double restValue;     // where the cycle ends: the first value not above 0.1
};

const PartCase partCases[] = {
    {"LeftDoor", 101, Wardrobe, 85, 0.25, 340, 681, 681, 85.0f, 0},
    {"RightDoor", 102, Wardrobe, 85, 0.25, 340, 681, 681, 85.0f, 0},
    {"WardrobeUpperDrawer", 103, Wardrobe, 5, 0.025, 200, 398, 395, 5.00001f, 0.075},
    {"WardrobeLowerDrawer", 104, Wardrobe, 5, 0.025, 200, 398, 395, 5.00001f, 0.075},
    {"BedsideUpperDrawer", 105, BedsideTable, 2.5, 0.025, 100, 198, 195, 2.5000005f, 0.075},
    {"BedsideLowerDrawer", 106, BedsideTable, 2.5, 0.025, 100, 198, 195, 2.5000005f, 0.075},
};

void PrintTo(const PartCase &c, std::ostream *out) {
  *out << c.name;
}

const PartCase &partCase(int code) {
  return partCases[code - 101];
}

AnimatedValue &partOf(int code, int index) {
  return partValue(scene, code, index);
}

std::string stateOf(const AnimatedValue &v) {
  if (v.opening == 0 && v.closing == 0) {
    return "Rest";
  }
  if (v.opening == 1 && v.closing == 0) {
    return "Opening";
  }
  if (v.opening == 0 && v.closing == 1) {
    return "Closing";
  }
  return "opening=" + std::to_string(v.opening) + " closing=" + std::to_string(v.closing);
}

// One step of the oracle: the stored single-precision value moved in double precision.
float stepped(float v, double delta) {
  return static_cast<float>(static_cast<double>(v) + delta);
}

// Clicks part `code` of piece `index` the way the program hands a pick to the display pass:
// the code waits in pendingAction and the next pass flips the flags. The pass acts only while
// the list of the part's kind has a piece, so one is placed if the list is empty.
void toggleThroughDisplay(int code, int index) {
  FurnitureList &list = scene.lists[partCase(code).kind];
  if (list.count == 0) {
    list.count = 1;
    list.slots[1] = {12, 12};
  }
  scene.pendingAction = code;
  scene.pickedIndex = index;
  onDisplay();
  EXPECT_EQ(scene.pendingAction, ACTION_DONE) << "the display pass did not act on " << code;
}

void ticks(int n) {
  for (int i = 0; i < n; ++i) {
    onIdle();
  }
}

// Every animated value except part `code` of piece `index` is at rest at 0.
::testing::AssertionResult othersAtRest(int code, int index) {
  for (const PartCase &c : partCases) {
    for (int i = 0; i < MAX_PIECES_PER_KIND; ++i) {
      if (c.code == code && i == index) {
        continue;
      }
      const AnimatedValue &v = partOf(c.code, i);
      if (v.value != 0 || v.opening != 0 || v.closing != 0) {
        return ::testing::AssertionFailure()
               << c.name << " of piece " << i << " moved: value " << v.value << ", " << stateOf(v);
      }
    }
  }
  return ::testing::AssertionSuccess();
}

class AnimationTest : public GlTest {};

// ---- full cycles ----

class PartCycleTest : public AnimationTest, public ::testing::WithParamInterface<PartCase> {};

TEST_P(PartCycleTest, FullCycleTakesItsTickCountAndEndsHome) {
  const PartCase &c = GetParam();
  const int k = 7; // not entry 0, so a write to the wrong entry shows
  toggleThroughDisplay(c.code, k);
  const AnimatedValue &part = partOf(c.code, k);
  ASSERT_EQ(stateOf(part), "Opening");
  ASSERT_EQ(part.value, 0.0f) << "the toggle itself moves nothing";

  float expected = 0;
  for (int t = 1; t <= c.ticksToLimit; ++t) {
    ASSERT_LT(expected, c.limit) << "the oracle reached the limit early, at tick " << t;
    onIdle();
    expected = stepped(expected, c.step);
    ASSERT_EQ(part.value, expected) << "tick " << t;
    ASSERT_EQ(stateOf(part), "Opening") << "tick " << t;
  }
  EXPECT_GE(part.value, c.limit);
  EXPECT_EQ(part.value, c.valueAtLimit);

  // The tick that finds the limit turns the part round and takes the first step back.
  onIdle();
  expected = stepped(expected, -c.step);
  EXPECT_EQ(stateOf(part), "Closing") << "tick " << c.ticksToLimit + 1;
  EXPECT_EQ(part.value, expected);
  EXPECT_LT(part.value, c.limit);

  for (int t = c.ticksToLimit + 2; t < c.ticksToRest; ++t) {
    ASSERT_GT(expected, 0.1) << "the oracle came home early, at tick " << t;
    onIdle();
    expected = stepped(expected, -c.step);
    ASSERT_EQ(part.value, expected) << "tick " << t;
    ASSERT_EQ(stateOf(part), "Closing") << "tick " << t;
  }
  EXPECT_LE(part.value, 0.1);
  EXPECT_GE(part.value, 0.0f);

  onIdle(); // the tick that finds it home changes only the state
  EXPECT_EQ(stateOf(part), "Rest") << "tick " << c.ticksToRest;
  EXPECT_EQ(part.value, expected);
  EXPECT_NEAR(part.value, c.restValue, 1e-5);
  const float restValue = part.value;
  EXPECT_TRUE(othersAtRest(c.code, k));

  ticks(5);
  EXPECT_EQ(stateOf(part), "Rest");
  EXPECT_EQ(part.value, restValue);

  // A second cycle starts from where the first one stopped.
  toggleThroughDisplay(c.code, k);
  int cycle = 0;
  while (part.opening != 0 || part.closing != 0) {
    ASSERT_LT(cycle, 2000) << "the second cycle never ends";
    ASSERT_GE(part.value, 0.0f);
    onIdle();
    ++cycle;
  }
  EXPECT_EQ(cycle, c.secondCycleTicks);
  EXPECT_EQ(part.value, restValue);
  EXPECT_TRUE(othersAtRest(c.code, k));
}

INSTANTIATE_TEST_SUITE_P(Parts, PartCycleTest, ::testing::ValuesIn(partCases), NamedAfterParam());

// ---- one step at a time ----

TEST_F(AnimationTest, OneTickOfOneValue) {
  const struct {
    const char *name;
    double step;
    double limit;
    float value;
    int opening, closing;
    float valueAfter;
    const char *stateAfter;
  } cases[] = {
      {"RestStaysPut", 0.25, 85, 0, 0, 0, 0, "Rest"},
      {"RestAwayFromHomeStaysPut", 0.025, 5, 3, 0, 0, 3, "Rest"},
      {"OpeningBelowLimitSteps", 0.25, 85, 40, 1, 0, 40.25f, "Opening"},
      {"OpeningJustBelowLimitSteps", 0.025, 5, 4.99f, 1, 0, static_cast<float>(4.99f + 0.025),
       "Opening"},
      {"OpeningAtLimitTurnsAndStepsBack", 0.25, 85, 85, 1, 0, 84.75f, "Closing"},
      {"OpeningAboveLimitTurnsAndStepsBack", 0.025, 5, 5.00001f, 1, 0,
       static_cast<float>(5.00001f - 0.025), "Closing"},
      {"ClosingAboveBoundSteps", 0.25, 85, 40, 0, 1, 39.75f, "Closing"},
      // 0.1 in single precision lies just above 0.1 in double precision: one more step is due.
      {"ClosingAtSinglePrecisionTenthSteps", 0.025, 2.5, 0.1f, 0, 1,
       static_cast<float>(0.1f - 0.025), "Closing"},
      {"ClosingBelowBoundRests", 0.025, 2.5, 0.075f, 0, 1, 0.075f, "Rest"},
      {"ClosingAtZeroRests", 0.25, 85, 0, 0, 1, 0, "Rest"},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.name);
    AnimatedValue v;
    v.value = c.value;
    v.opening = c.opening;
    v.closing = c.closing;
    stepAnimatedValue(v, AnimatedField{101, c.step, c.limit});
    EXPECT_EQ(v.value, c.valueAfter);
    EXPECT_EQ(stateOf(v), c.stateAfter);
  }
}

// ---- toggles during a movement ----

// Clicks on one part and ticks between them: after each step's clicks and ticks, the value and
// state the part has reached.
TEST_F(AnimationTest, ClicksDuringAMovementTurnThePartWhereItIs) {
  struct Step {
    int clicks, ticks;
    float value;
    const char *state;
  };
  const struct {
    const char *name;
    int code, index;
    std::vector<Step> steps;
  } scripts[] = {
      {"door cycle milestones",
       101,
       0,
       {{1, 340, 85, "Opening"},
        {0, 1, 84.75f, "Closing"},
        {0, 339, 0, "Closing"},
        {0, 1, 0, "Rest"}}},
      {"click while rising sends the door back from where it is",
       101,
       0,
       {{1, 160, 40, "Opening"},
        {1, 0, 40, "Closing"},
        {0, 159, 0.25f, "Closing"},
        {0, 1, 0, "Closing"},
        {0, 1, 0, "Rest"}}},
      // Out to 85 in 340 ticks, back to 84.75 on the 341st and down to 40 in 179 more.
      {"click while falling sends the door out again",
       102,
       0,
       {{1, 520, 40, "Closing"},
        {1, 0, 40, "Opening"},
        {0, 1, 40.25f, "Opening"},
        {0, 179, 85, "Opening"},
        {0, 1, 84.75f, "Closing"}}},
      {"click at the limit before the next tick leaves it closing",
       101,
       0,
       {{1, 340, 85, "Opening"}, {1, 0, 85, "Closing"}, {0, 1, 84.75f, "Closing"}}},
      {"two clicks before any tick leave the part home",
       105,
       4,
       {{2, 0, 0, "Closing"}, {0, 1, 0, "Rest"}}},
  };
  for (const auto &script : scripts) {
    SCOPED_TRACE(script.name);
    resetScene();
    int tick = 0;
    for (const Step &step : script.steps) {
      for (int i = 0; i < step.clicks; ++i) {
        toggleThroughDisplay(script.code, script.index);
      }
      ticks(step.ticks);
      tick += step.ticks;
      const AnimatedValue &part = partOf(script.code, script.index);
      EXPECT_EQ(part.value, step.value) << "after tick " << tick;
      EXPECT_EQ(stateOf(part), step.state) << "after tick " << tick;
    }
  }
}

// Names a part of a piece after a tick, in a failure message only.
struct Where {
  const char *part;
  int piece;
  int tick;
};

std::ostream &operator<<(std::ostream &out, const Where &w) {
  return out << w.part << " of piece " << w.piece << " after tick " << w.tick;
}

// Random clicks on random parts interleaved with ticks: after every tick each flag pair is a
// valid state, each value stays within its range and moved by at most one step, and a part at
// rest did not move.
TEST_F(AnimationTest, RandomTogglesKeepEveryValueInRange) {
  std::mt19937 random(20240611);
  std::uniform_int_distribution<int> codeOf(101, 106);
  std::uniform_int_distribution<int> indexOf(0, 2); // few pieces, so toggles meet moving parts
  std::uniform_int_distribution<int> percent(0, 99);

  struct Snapshot {
    float value;
    int opening, closing;
  };
  Snapshot before[6][MAX_PIECES_PER_KIND] = {};
  int toggles = 0;
  for (int tick = 1; tick <= 4000; ++tick) {
    while (percent(random) < 4) {
      toggleThroughDisplay(codeOf(random), indexOf(random));
      ++toggles;
    }
    for (const PartCase &c : partCases) {
      for (int i = 0; i < MAX_PIECES_PER_KIND; ++i) {
        const AnimatedValue &v = partOf(c.code, i);
        before[c.code - 101][i] = {v.value, v.opening, v.closing};
      }
    }
    onIdle();
    for (const PartCase &c : partCases) {
      for (int i = 0; i < MAX_PIECES_PER_KIND; ++i) {
        const AnimatedValue &v = partOf(c.code, i);
        const Snapshot &b = before[c.code - 101][i];
        const Where where{c.name, i, tick};
        const bool flagsValid = (v.opening == 0 || v.opening == 1) &&
                                (v.closing == 0 || v.closing == 1) && v.opening + v.closing < 2;
        ASSERT_TRUE(flagsValid) << where << ": " << stateOf(v);
        ASSERT_GE(v.value, 0.0f) << where;
        ASSERT_LE(v.value, c.limit + c.step) << where;
        ASSERT_LE(std::fabs(v.value - b.value), c.step * (1 + 1e-5)) << where;
        if (b.opening == 0 && b.closing == 0) {
          ASSERT_EQ(v.value, b.value) << where << ": a part at rest moved";
          ASSERT_TRUE(v.opening == 0 && v.closing == 0) << where << ": a tick started a part";
        }
      }
    }
  }
  EXPECT_GT(toggles, 100);
}

// ---- entries belong to list positions ----

TEST_F(AnimationTest, EntriesWithoutAPieceAdvanceToo) {
  ASSERT_EQ(scene.lists[Wardrobe].count, 0);
  ASSERT_EQ(scene.lists[BedsideTable].count, 0);
  scene.wardrobeAnim[30].leftDoorAngle.opening = 1;
  scene.wardrobeAnim[0].lowerDrawerOffset.value = 3;
  scene.wardrobeAnim[0].lowerDrawerOffset.closing = 1;
  scene.bedsideAnim[49].upperDrawerOffset.opening = 1;
  ticks(10);
  EXPECT_EQ(scene.wardrobeAnim[30].leftDoorAngle.value, 2.5f);
  EXPECT_NEAR(scene.wardrobeAnim[0].lowerDrawerOffset.value, 2.75, 1e-5);
  EXPECT_NEAR(scene.bedsideAnim[49].upperDrawerOffset.value, 0.25, 1e-5);
  EXPECT_EQ(scene.wardrobeAnim[30].rightDoorAngle.value, 0.0f);
  EXPECT_EQ(scene.wardrobeAnim[29].leftDoorAngle.value, 0.0f);
  EXPECT_EQ(scene.wardrobeAnim[31].leftDoorAngle.value, 0.0f);
}

// Window pixel to floor point in the plan of a 500 x 500 window, as the placing press does it.
Placement floorPointOf(int px, int py) {
  return {static_cast<float>(px * 42 / 500.0 - 2), static_cast<float>(py * 42 / 500.0 - 2)};
}

// Whether the frame drawn by the display pass has a vertex in the doors' colour at `where`, in
// room coordinates.
bool doorCornerDrawnAt(double x, double y, double z) {
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  const auto polygons = captureAllFaces(onDisplay);
  const GLfloat *door = wardrobeDoorMaterial;
  for (const CapturedPolygon &polygon : polygons) {
    for (const CapturedVertex &v : polygon) {
      const bool doorColour = std::fabs(v.r - door[0]) < 1e-3 && std::fabs(v.g - door[1]) < 1e-3 &&
                              std::fabs(v.b - door[2]) < 1e-3;
      if (doorColour && std::fabs(v.x - x) < 2e-3 && std::fabs(v.y - y) < 2e-3 &&
          std::fabs(v.z - z) < 2e-3) {
        return true;
      }
    }
  }
  return false;
}

// The outer bottom corner of the free edge of a left door open by `degrees`, for a wardrobe
// at `p`: the hinge is at (0, 8.25, 7) of the wardrobe, the door 4.95 wide swings toward +z.
std::array<double, 3> leftDoorFreeCorner(const Placement &p, double degrees) {
  const double a = degrees * M_PI / 180;
  return {p.x + 4.95 * std::cos(a), 8.25, p.z + 7 + 4.95 * std::sin(a)};
}

TEST_F(AnimationTest, RemovedWardrobesEntryKeepsMovingAndShowsOnTheNextWardrobe) {
  onMenu(3); // "  Armario"
  leftClick(100, 100);
  ASSERT_EQ(scene.lists[Wardrobe].count, 1);

  // A second wardrobe: its door is set moving while the button is still held, then it is
  // dragged onto the first one and released there, which takes it away again.
  onMouse(GLUT_LEFT_BUTTON, GLUT_DOWN, 400, 400);
  ASSERT_EQ(scene.lists[Wardrobe].count, 2);
  toggleThroughDisplay(101, 1);
  ticks(20);
  AnimatedValue &door = partOf(101, 1);
  ASSERT_EQ(door.value, 5.0f);
  onMotion(110, 110);
  onMouse(GLUT_LEFT_BUTTON, GLUT_UP, 110, 110);
  ASSERT_EQ(scene.lists[Wardrobe].count, 1) << "the dropped wardrobe was not taken away";

  ticks(20);
  EXPECT_EQ(door.value, 10.0f) << "the entry of the removed wardrobe stopped";
  EXPECT_EQ(stateOf(door), "Opening");

  // The next wardrobe takes list position 1 and shows the door where that entry has got to.
  leftClick(400, 100);
  ASSERT_EQ(scene.lists[Wardrobe].count, 2);
  const Placement placed = floorPointOf(400, 100);
  ASSERT_EQ(scene.lists[Wardrobe].slots[2].x, placed.x);
  ASSERT_EQ(scene.lists[Wardrobe].slots[2].z, placed.z);
  const auto open10 = leftDoorFreeCorner(placed, 10);
  const auto closed = leftDoorFreeCorner(placed, 0);
  EXPECT_TRUE(doorCornerDrawnAt(open10[0], open10[1], open10[2]));
  EXPECT_FALSE(doorCornerDrawnAt(closed[0], closed[1], closed[2]));

  ticks(40);
  EXPECT_EQ(door.value, 20.0f);
  const auto open20 = leftDoorFreeCorner(placed, 20);
  EXPECT_TRUE(doorCornerDrawnAt(open20[0], open20[1], open20[2]));
}

// ---- what every idle call does besides stepping ----

// Each idle call loads the current view afresh, with the current camera, and asks for one frame
// while the frame it would draw was not shown.
TEST_F(AnimationTest, EveryIdleCallReappliesTheViewAndRequestsTheFrameDue) {
  scene.cameraDistance = 35;
  scene.cameraYaw = 75;
  for (int planView : {0, 1}) {
    SCOPED_TRACE(planView ? "plan view" : "perspective view");
    scene.planView = planView;
    scrambleMatrices();
    const unsigned long before = redisplayRequestCount;
    onIdle();
    EXPECT_EQ(redisplayRequestCount, before + 1);
    EXPECT_EQ(currentMatrixMode(), GL_MODELVIEW);
    if (planView) {
      EXPECT_TRUE(matrixNear(GL_PROJECTION_MATRIX, orthoMatrix(-2, 40, -2, 40, 2, 1000)));
      EXPECT_TRUE(matrixNear(GL_MODELVIEW_MATRIX, translation(0, 38, -42) * rotation(90, 1, 0, 0)));
    } else {
      EXPECT_TRUE(matrixNear(GL_PROJECTION_MATRIX, frustumMatrix(-1, 1, -1, 1, 2, 200)));
      // The orbit centre straight ahead at the camera distance; one unit along room x turned by
      // the yaw about y and then by the pitch of 5 about x.
      const double yaw = 75 * M_PI / 180, pitch = 5 * M_PI / 180;
      const auto centre = eyePoint(20, 10, 20), alongX = eyePoint(21, 10, 20);
      const double want[6] = {0,
                              0,
                              -35,
                              std::cos(yaw),
                              std::sin(yaw) * std::sin(pitch),
                              -35 - std::sin(yaw) * std::cos(pitch)};
      for (int i = 0; i < 3; ++i) {
        EXPECT_NEAR(centre[i], want[i], 1e-4) << "centre " << i;
        EXPECT_NEAR(alongX[i], want[3 + i], 1e-4) << "along x " << i;
      }
    }
    ticks(9);
    EXPECT_EQ(redisplayRequestCount, before + 10);
  }
}

TEST_F(AnimationTest, WithoutTogglesNothingMoves) {
  ticks(1000);
  EXPECT_TRUE(othersAtRest(0, -1));
}

TEST_F(AnimationTest, SwitchingViewsDoesNotPauseAMovement) {
  toggleThroughDisplay(104, 2);
  scene.planView = 1;
  ticks(40);
  scene.planView = 0;
  ticks(40);
  EXPECT_NEAR(partOf(104, 2).value, 2.0, 1e-5);
  EXPECT_EQ(stateOf(partOf(104, 2)), "Opening");
}

// ---- the real main loop ----

std::string continuousRedrawProblems() {
  moveWindowTo(100, 620);
  toggleThroughDisplay(101, 0);
  const MainLoopRun run = runMainLoopFor(0.3);
  std::string problems;
  const std::string counts = std::to_string(run.idleCalls) + " idle calls and " +
                             std::to_string(run.frames) + " frames in 0.3 s";
  if (run.frames <= 10) {
    problems += "too few frames: " + counts + "\n";
  }
  if (std::labs(run.frames - run.idleCalls) > 2 + run.idleCalls / 20) {
    problems += "frames and idle calls differ: " + counts + "\n";
  }
  // The door moved one step per idle call: out for 340 calls, then back.
  const long n = run.idleCalls;
  const double angle = n <= 340 ? 0.25 * n : n <= 680 ? 0.25 * (680 - n) : 0;
  if (partOf(101, 0).value != static_cast<float>(angle)) {
    problems += "door angle " + std::to_string(partOf(101, 0).value) + " after " + counts + "\n";
  }
  return problems;
}

TEST_F(AnimationTest, MainLoopRedrawsContinuouslyWithoutInput) {
  expectNoProblemsInChild(continuousRedrawProblems);
}

} // namespace
