// Frame pacing of the running program: GLUT's real main loop with the program's callbacks, timed
// by the wall clock. Paced, the idle callback runs at 60 calls a second and the processor mostly
// sleeps, and a door takes the same time to swing open and shut however fast frames come;
// unpaced, the loop runs as fast as it can draw and every idle call is one step.
//
// Each measurement runs in a child process of this test binary, since leaving GLUT's main loop
// shuts the toolkit down. The children print their figures on standard output.
#include "anim/animation.h"
#include "gl_harness.h"

#include <chrono>
#include <csignal>
#include <cstdio>
#include <ostream>
#include <string>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

class PacingTest : public GlTest {};

TEST_F(PacingTest, OffUntilTurnedOn) {
  EXPECT_FALSE(framePacingEnabled());
  enableFramePacing();
  EXPECT_TRUE(framePacingEnabled());
  disableFramePacing();
  EXPECT_FALSE(framePacingEnabled());
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
  double seconds;
  Range idlePerSecond;
  Range framesPerSecond;    // high below 0: within 2 of the idle calls per second
  double processorFraction; // most processor time of all threads over wall time
};

void PrintTo(const LoopCase &c, std::ostream *out) {
  *out << c.name;
}

const LoopCase loopCases[] = {
    // Sixty idle calls a second, whatever the driver's swap interval does under this display.
    {"PacedLoopRunsSixtyIdleCallsPerSecond", 700, 20, true, 2, {50, 62}, {0, -1}, 1e9},
    {"UnpacedLoopRunsFarFaster", 0, 0, false, 1, {150, 1e9}, {0, 1e9}, 1e9},
    // A hidden window gets no frames, so the pace has to come from the idle calls alone.
    {"PacedLoopKeepsItsRateWhileTheWindowIsHidden", -1, -1, true, 1.5, {50, 62}, {0, 2}, 1e9},
    {"PacedIdleRoomUsesLittleProcessorTime", 700, 524, true, 5, {50, 62}, {0, 1e9}, 0.35},
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
    if (c.paced) {
      enableFramePacing();
      std::printf("[ MEASURED ] swap control available: %s\n",
                  swapControlAvailable() ? "yes" : "no");
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

INSTANTIATE_TEST_SUITE_P(Loops, PacedLoopTest, ::testing::ValuesIn(loopCases),
                         [](const ::testing::TestParamInfo<LoopCase> &info) {
                           return std::string(info.param.name);
                         });

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

// Fifty pieces of every kind, each kind spread over the floor on a 10 x 5 grid.
void furnishFullRoom() {
  for (int kind = 0; kind < KIND_COUNT; ++kind) {
    for (int j = 0; j < MAX_PIECES_PER_KIND; ++j) {
      placePiece(static_cast<FurnitureKind>(kind), -2 + 3.5f * static_cast<float>(j % 10),
                 static_cast<float>(kind) + 7.5f * static_cast<float>(j / 10));
    }
  }
}

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
                         [](const ::testing::TestParamInfo<DoorCycleCase> &info) {
                           return std::string(info.param.name);
                         });

} // namespace
