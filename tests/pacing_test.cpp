// Frame pacing of the running program: GLUT's real main loop with the program's callbacks, timed
// by the wall clock. Paced, the idle callback runs at 60 calls a second and the processor mostly
// sleeps, and a door takes the same time to swing open and shut however fast frames come;
// unpaced, the loop runs as fast as it can draw and every idle call is one step.
//
// Each measurement runs in a child process of this test binary, since leaving GLUT's main loop
// shuts the toolkit down. The children print their figures on standard output.
#include "anim/animation.h"
#include "edit/editing.h"
#include "gl_harness.h"
#include "view/views.h"

#include <chrono>
#include <csignal>
#include <cstdio>
#include <ostream>
#include <string>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

class PacingTest : public GlTest {};

// ---- the frame clock, on a time source the test drives ----

ClockTime fakeTime{};
std::vector<ClockTime> waits;  // every wait asked for, in order
std::vector<int> swapRequests; // every swap interval asked of the driver
bool driverTakesSwapInterval = false;

ClockTime fakeNow() {
  return fakeTime;
}
void fakeWait(ClockTime duration) {
  waits.push_back(duration);
  fakeTime += duration;
}
bool fakeSwapRequest(int refreshes) {
  swapRequests.push_back(refreshes);
  return driverTakesSwapInterval;
}

// The frame clock on fake time, starting at `start`, with a driver that does or does not take
// a swap interval.
void useFakeTime(ClockTime start, bool swapControl) {
  fakeTime = start;
  waits.clear();
  swapRequests.clear();
  driverTakesSwapInterval = swapControl;
  frameClock.now = fakeNow;
  frameClock.wait = fakeWait;
  frameClock.requestSwapInterval = fakeSwapRequest;
}

constexpr ClockTime ms(long long n) {
  return std::chrono::milliseconds(n);
}
constexpr ClockTime TICK = CLOCK_TICK;

// After `after` has passed, one of these happens, and the clock must ask for the wait given.
enum Act { Present, Idle, Pick, PacingOn, PacingOff };
struct ClockStep {
  ClockTime after;
  Act act;
  ClockTime wait;
};

// How long the program waits after each frame it shows and each idle call, by the frame clock.
TEST_F(PacingTest, FrameClockWaitsOnlyWhereNoSyncHoldsTheFrameBack) {
  const struct {
    const char *name;
    bool swapControl;
    std::vector<ClockStep> steps;
  } cases[] = {
      {"off until turned on: nothing waits",
       true,
       {{{}, Present, {}},
        {ms(1), Present, {}},
        {ms(1), Idle, {}},
        {{}, PacingOn, {}},
        {{}, Present, {}},
        {ms(1), Present, TICK - ms(1)},
        {{}, PacingOff, {}},
        {ms(1), Present, {}}}},
      {"a synced swap that took longer than a 75 Hz frame is not held back",
       true,
       {{{}, PacingOn, {}}, {{}, Present, {}}, {ms(14), Present, {}}, {ms(14), Present, {}}}},
      {"a swap faster than a 75 Hz display means no sync: the tick is waited out",
       true,
       {{{}, PacingOn, {}},
        {{}, Present, {}},
        {ms(10), Present, TICK - ms(10)},
        {ms(14), Present, {}}}},
      {"without swap control every frame fills its tick",
       false,
       {{{}, PacingOn, {}},
        {{}, Present, {}},
        {ms(14), Present, TICK - ms(14)},
        {ms(20), Present, {}}}},
      {"an idle call after a shown frame waits for nothing",
       false,
       {{{}, PacingOn, {}},
        {{}, Present, {}},
        {ms(1), Idle, {}},
        {ms(2), Present, TICK - ms(3)},
        {ms(1), Idle, {}}}},
      {"idle calls without frames (a hidden window) keep the pace themselves",
       false,
       {{{}, PacingOn, {}},
        {{}, Present, {}},
        {ms(1), Idle, {}},
        {ms(1), Idle, TICK - ms(2)},
        {ms(1), Idle, TICK - ms(1)},
        {ms(20), Idle, {}}}},
      {"a pick draws no frame and never waits",
       false,
       {{{}, PacingOn, {}},
        {{}, Present, {}},
        {ms(1), Pick, {}},
        {ms(1), Pick, {}},
        {ms(1), Present, TICK - ms(3)}}},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.name);
    frameClock = FrameClock{};
    useFakeTime(ms(5'000), c.swapControl);
    std::size_t step = 0;
    for (const ClockStep &s : c.steps) {
      SCOPED_TRACE("step " + std::to_string(step++));
      fakeTime += s.after;
      const std::size_t waitsBefore = waits.size();
      switch (s.act) {
      case Present:
        presentFrame();
        break;
      case Idle:
        onIdle();
        break;
      case Pick:
        pickAt(250, 250);
        break;
      case PacingOn:
        enableFramePacing();
        break;
      case PacingOff:
        disableFramePacing();
        break;
      }
      const ClockTime asked = waits.size() > waitsBefore ? waits.back() : ClockTime{};
      EXPECT_EQ(waits.size() - waitsBefore, s.wait > ClockTime{} ? 1u : 0u);
      EXPECT_EQ(asked.count(), s.wait.count()) << "in sixtieths of a nanosecond";
    }
    // Pacing asks the driver for exactly one swap per display refresh, each time it is turned on.
    for (int refreshes : swapRequests) {
      EXPECT_EQ(refreshes, 1);
    }
  }
}

// The animation ticks each idle call takes, at times of the fake clock.
TEST_F(PacingTest, AnimationClockGivesTheWholeTicksThatHavePassed) {
  const ClockTime half = TICK / 2, unit{1};
  struct Call {
    ClockTime at; // since the first call
    int ticks;
    bool paced = true;
  };
  const struct {
    const char *name;
    std::vector<Call> calls;
  } cases[] = {
      // The first call starts the account half a tick back, so ticks fall due at 1/2, 3/2, ...
      {"less than a tick since the last advance gives none",
       {{{}, 0}, {half - unit, 0}, {half, 1}, {half + TICK - unit, 0}, {half + TICK, 1}}},
      {"each period gives one", {{{}, 0}, {TICK, 1}, {2 * TICK, 1}, {3 * TICK, 1}, {4 * TICK, 1}}},
      {"frames at the tick rate give one each, jitter of a few milliseconds or not",
       {{{}, 0},
        {TICK + ms(3), 1},
        {2 * TICK - ms(3), 1},
        {3 * TICK + ms(7), 1},
        {4 * TICK - ms(7), 1}}},
      {"a slow frame gives several and the rest of a tick carries over",
       {{{}, 0}, {ms(50), 3}, {ms(90), 2}, {ms(100), 1}}},
      {"a stall gives the cap and is not made up for afterwards",
       {{{}, 0}, {ms(10'000), 15}, {ms(10'000) + TICK, 1}}},
      {"up to the cap every tick due is given",
       {{{}, 0}, {half + 13 * TICK, 14}, {half + 28 * TICK, 15}, {half + 44 * TICK, 15}}},
      {"a clock that goes back starts afresh",
       {{{}, 0}, {TICK, 1}, {TICK / 5, 0}, {TICK / 5 + TICK, 1}}},
      {"without pacing every call is one tick, and pacing turned on again starts afresh",
       {{{}, 0},
        {TICK, 1},
        {2 * TICK, 1, false},
        {60 * TICK, 1, false},
        {61 * TICK, 0},
        {62 * TICK, 1}}},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.name);
    for (const ClockTime start : {ClockTime{}, ClockTime{ms(123'456'789)}}) {
      frameClock = FrameClock{};
      useFakeTime(start, false);
      for (const Call &call : c.calls) {
        fakeTime = start + call.at;
        frameClock.pacing = call.paced;
        EXPECT_EQ(animationTicksDue(frameClock), call.ticks)
            << "at " << call.at.count() << " sixtieths of a nanosecond";
      }
    }
  }
}

// A door clicked after the program rested takes its first step a tick later, not the cap of a
// pause's worth of steps at once.
TEST_F(PacingTest, AfterARestTheAnimationClockStartsAfresh) {
  useFakeTime(ms(5'000), false);
  enableFramePacing();
  placePiece(Wardrobe, 10, 10);
  for (int call = 0; call < 5 && registeredIdle != nullptr; ++call) {
    onIdle();
    onDisplay();
  }
  ASSERT_EQ(registeredIdle, nullptr) << "the program does not rest";
  fakeTime += ms(5'000);
  const AnimatedValue &door = scene.wardrobeAnim[0].leftDoorAngle;
  wakeThen<onMouse>(GLUT_LEFT_BUTTON, GLUT_DOWN, 0, 0); // as a click wakes it
  scene.wardrobeAnim[0].leftDoorAngle.opening = 1;
  registeredIdle();
  EXPECT_EQ(door.value, 0);
  fakeTime += TICK;
  registeredIdle();
  EXPECT_EQ(door.value, 0.25f);
  for (int repeat = 0; repeat < 3; ++repeat) { // a key held down wakes a heartbeat that is awake
    fakeTime += TICK;
    wakeThen<onSpecialKey>(GLUT_KEY_LEFT, 0, 0);
    registeredIdle();
  }
  EXPECT_EQ(door.value, 1.0f) << "waking an awake heartbeat restarts the clock";
}

// Without pacing a frame is only as long as drawing it takes.
TEST_F(PacingTest, UnpacedFramesDoNotWait) {
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < 30; ++i) {
    onIdle();
    onDisplay();
  }
  const double perFrame =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() / 30;
  EXPECT_LT(perFrame, 1 / 80.0);
}

struct Range {
  double low, high;
};

struct LoopCase {
  const char *name;
  int windowX, windowY; // where the window is moved; -1 hides it
  bool paced;
  bool doorMoving; // else nothing moves
  double seconds;
  Range idlePerSecond;
  Range framesPerSecond;    // high below 0: within 2 of the idle calls per second
  double processorFraction; // most processor time of all threads over wall time
};

void PrintTo(const LoopCase &c, std::ostream *out) {
  *out << c.name;
}

const LoopCase loopCases[] = {
    // While a door moves, sixty idle calls a second, whatever the driver's swap interval does
    // under this display.
    {"PacedLoopRunsSixtyIdleCallsPerSecond", 700, 20, true, true, 2, {50, 62}, {0, -1}, 1e9},
    {"UnpacedLoopRunsFarFaster", 0, 0, false, true, 1, {150, 1e9}, {0, 1e9}, 1e9},
    // A hidden window gets no frames, so the pace has to come from the idle calls alone.
    {"PacedLoopKeepsItsRateWhileTheWindowIsHidden", -1, -1, true, true, 1.5, {50, 62}, {0, 2}, 1e9},
    // Still, shown or hidden, the program draws at most the one frame that shows where it stands,
    // and then waits for events.
    {"StillRoomRests", 700, 524, true, false, 5, {0, 1}, {0, 0.5}, 0.01},
    {"StillHiddenWindowRests", -1, -1, true, false, 2, {0, 2}, {0, 0.5}, 0.01},
};

std::string outside(const char *what, double value, Range r) {
  if (value >= r.low && value <= r.high) {
    return "";
  }
  return std::string(what) + " " + std::to_string(value) + " outside " + std::to_string(r.low) +
         " .. " + std::to_string(r.high) + "\n";
}

class PacedLoopTest : public GlTest, public ::testing::WithParamInterface<LoopCase> {};

TEST_P(PacedLoopTest, KeepsItsRate) {
  expectNoProblemsInChild([] {
    const LoopCase &c = GetParam();
    if (c.windowX < 0) {
      glutHideWindow();
      pumpEvents(20);
    } else if (c.windowX > 0) {
      moveWindowTo(c.windowX, c.windowY);
    }
    if (c.doorMoving) { // the last entry's door, which a scan that stops short would miss
      placePiece(Wardrobe, 10, 10);
      scene.wardrobeAnim[MAX_PIECES_PER_KIND - 1].leftDoorAngle.opening = 1;
    }
    if (c.paced) {
      enableFramePacing();
      std::printf("[ MEASURED ] swap control available: %s\n",
                  frameClock.swapControl ? "yes" : "no");
    }
    const MainLoopRun run = runMainLoopFor(c.seconds);
    const double idle = run.idleCalls / run.wallSeconds, frames = run.frames / run.wallSeconds;
    const double processor = run.processorSeconds / run.wallSeconds;
    std::printf("[ MEASURED ] %s: %.1f idle calls/s, %.1f frames/s, processor %.1f%% of wall "
                "time\n",
                c.name, idle, frames, 100 * processor);
    const Range frameRange =
        c.framesPerSecond.high < 0 ? Range{idle - 2, idle + 2} : c.framesPerSecond;
    return outside("idle calls per second", idle, c.idlePerSecond) +
           outside("frames per second", frames, frameRange) +
           outside("processor fraction", processor, {0, c.processorFraction});
  });
}

INSTANTIATE_TEST_SUITE_P(Loops, PacedLoopTest, ::testing::ValuesIn(loopCases), NamedAfterParam());

// ---- the door's open-and-shut cycle in real time ----

struct DoorCycleCase {
  const char *name;
  bool fullRoom;    // 50 pieces of every kind, else one wardrobe
  bool slowMachine; // the process is stopped 40 ms of every 50 ms
};

void PrintTo(const DoorCycleCase &c, std::ostream *out) {
  *out << c.name;
}

const DoorCycleCase doorCycleCases[] = {
    {"OneWardrobe", false, false},
    {"FullRoom", true, false},
    {"OneWardrobeOnASlowMachine", false, true},
};

// Another process that stops this one for 40 ms of every 50 ms until it is killed, so that this
// one gets no more than a fifth of the time: a machine that draws some 20 frames a second.
pid_t startSlowingDown() {
  const pid_t target = getpid();
  const pid_t pauser = fork();
  if (pauser == 0) {
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    for (;;) {
      kill(target, SIGSTOP);
      usleep(40'000);
      kill(target, SIGCONT);
      usleep(10'000);
    }
  }
  return pauser;
}

class DoorCycleTest : public GlTest, public ::testing::WithParamInterface<DoorCycleCase> {};

// From the frame that starts the left door of wardrobe 0 swinging to the idle call that finds it
// shut again: 681 ticks of 1/60 s, 11.35 s, whatever the frame rate.
TEST_P(DoorCycleTest, TakesTheSameTimeWhateverTheFrameRate) {
  expectNoProblemsInChild([] {
    const DoorCycleCase &c = GetParam();
    moveWindowTo(700, 20);
    if (c.fullRoom) {
      furnishFullRoom();
    } else {
      placePiece(Wardrobe, 10, 10);
    }
    scene.pendingAction = PICK_LEFT_DOOR; // as a click leaves it for the next display pass
    scene.pickedIndex = 0;
    const AnimatedValue &door = scene.wardrobeAnim[0].leftDoorAngle;
    const pid_t pauser = c.slowMachine ? startSlowingDown() : 0;
    enableFramePacing();
    const MainLoopRun run = runMainLoopFor(
        30, [&] { return scene.pendingAction == ACTION_DONE && !door.opening && !door.closing; });
    if (pauser != 0) {
      kill(pauser, SIGKILL);
      waitpid(pauser, nullptr, 0);
    }
    std::printf("[ MEASURED ] %s: door cycle %.2f s, %ld idle calls, %.1f frames/s\n", c.name,
                run.wallSeconds, run.idleCalls, run.frames / run.wallSeconds);
    return outside("door cycle seconds", run.wallSeconds, {9, 14});
  });
}

INSTANTIATE_TEST_SUITE_P(Rooms, DoorCycleTest, ::testing::ValuesIn(doorCycleCases),
                         NamedAfterParam());

} // namespace
