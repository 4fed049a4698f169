// Frame pacing of the running program: GLUT's real main loop with the program's callbacks, timed
// by the wall clock. Paced, the idle callback (and with it every animation) runs at 60 calls a
// second and the processor mostly sleeps; unpaced, the loop runs as fast as it can draw.
//
// Each measurement runs in a child process of this test binary: leaving GLUT's main loop shuts
// the toolkit down, so the process that did it cannot go on with other tests. The children print
// their figures on standard output.
#include "anim/animation.h"
#include "gl_harness.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/resource.h>

namespace {

using Clock = std::chrono::steady_clock;

long idleCalls = 0;
long displayCalls = 0;
Clock::time_point loopEnd;

void countingIdle() {
  ++idleCalls;
  onIdle();
  if (Clock::now() >= loopEnd) {
    glutLeaveMainLoop();
  }
}

void countingDisplay() {
  ++displayCalls;
  onDisplay();
}

double processorSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  const auto seconds = [](const timeval &t) { return t.tv_sec + t.tv_usec / 1e6; };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

struct LoopRun {
  double idlePerSecond;
  double framesPerSecond;
  double processorFraction; // processor time of all threads of the process over wall time
};

// Runs GLUT's main loop with the program's callbacks, counted, for `seconds` of wall time.
LoopRun runMainLoopFor(double seconds) {
  idleCalls = 0;
  displayCalls = 0;
  glutSetOption(GLUT_ACTION_ON_WINDOW_CLOSE, GLUT_ACTION_GLUTMAINLOOP_RETURNS);
  glutIdleFunc(countingIdle);
  glutDisplayFunc(countingDisplay);
  const Clock::time_point start = Clock::now();
  const double processorAtStart = processorSeconds();
  loopEnd =
      start + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
  glutMainLoop();
  const double wall = std::chrono::duration<double>(Clock::now() - start).count();
  const double processor = processorSeconds() - processorAtStart;
  return {idleCalls / wall, displayCalls / wall, processor / wall};
}

// Moves the window to a place of its own on the shared virtual screen and raises it: GLUT does
// not redraw a window that another test process's window covers completely.
void moveWindowTo(int x, int y) {
  glutPositionWindow(x, y);
  glutPopWindow();
  pumpEvents(20);
}

// Ends the child process: status 0 when there are no problems, else 1 with the problems on
// standard error, where the parent's failure message shows them.
[[noreturn]] void exitWithProblems(const std::string &problems) {
  std::fputs(problems.c_str(), stderr);
  std::fflush(stdout);
  std::fflush(stderr);
  std::_Exit(problems.empty() ? 0 : 1);
}

std::string outside(const char *what, double value, double low, double high) {
  if (value >= low && value <= high) {
    return "";
  }
  return std::string(what) + " " + std::to_string(value) + " outside " + std::to_string(low) +
         " .. " + std::to_string(high) + "\n";
}

// Sixty idle calls a second, whatever the driver's swap interval does under this display.
std::string pacedRateProblems() {
  moveWindowTo(700, 20);
  enableFramePacing();
  std::printf("[ MEASURED ] swap control available: %s\n", swapControlAvailable() ? "yes" : "no");
  const LoopRun run = runMainLoopFor(2);
  std::printf("[ MEASURED ] paced: %.1f idle calls/s, %.1f frames/s\n", run.idlePerSecond,
              run.framesPerSecond);
  return outside("idle calls per second", run.idlePerSecond, 50, 62) +
         outside("frames per second", run.framesPerSecond, run.idlePerSecond - 2,
                 run.idlePerSecond + 2);
}

std::string unpacedRateProblems() {
  const LoopRun run = runMainLoopFor(1);
  std::printf("[ MEASURED ] unpaced: %.1f idle calls/s, %.1f frames/s\n", run.idlePerSecond,
              run.framesPerSecond);
  return outside("idle calls per second", run.idlePerSecond, 150, 1e9);
}

std::string pacedProcessorProblems() {
  moveWindowTo(700, 524);
  enableFramePacing();
  const LoopRun run = runMainLoopFor(5);
  std::printf("[ MEASURED ] paced idle room: processor time %.1f%% of wall time at %.1f idle "
              "calls/s\n",
              100 * run.processorFraction, run.idlePerSecond);
  return outside("processor fraction", run.processorFraction, 0, 0.5) +
         outside("idle calls per second", run.idlePerSecond, 50, 62);
}

// A hidden window gets no frames, so the pace has to come from the idle calls alone.
std::string hiddenWindowProblems() {
  glutHideWindow();
  pumpEvents(20);
  enableFramePacing();
  const LoopRun run = runMainLoopFor(1.5);
  std::printf("[ MEASURED ] paced, window hidden: %.1f idle calls/s, %.1f frames/s\n",
              run.idlePerSecond, run.framesPerSecond);
  return outside("idle calls per second", run.idlePerSecond, 50, 62) +
         outside("frames per second", run.framesPerSecond, 0, 2);
}

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
  const Clock::time_point start = Clock::now();
  for (int i = 0; i < 30; ++i) {
    onIdle();
    onDisplay();
  }
  const double perFrame = std::chrono::duration<double>(Clock::now() - start).count() / 30;
  EXPECT_LT(perFrame, 1 / 80.0);
}

TEST_F(PacingTest, PacedLoopRunsSixtyIdleCallsPerSecond) {
  EXPECT_EXIT(exitWithProblems(pacedRateProblems()), ::testing::ExitedWithCode(0), "");
}

TEST_F(PacingTest, UnpacedLoopRunsFarFaster) {
  EXPECT_EXIT(exitWithProblems(unpacedRateProblems()), ::testing::ExitedWithCode(0), "");
}

TEST_F(PacingTest, PacedLoopKeepsItsRateWhileTheWindowIsHidden) {
  EXPECT_EXIT(exitWithProblems(hiddenWindowProblems()), ::testing::ExitedWithCode(0), "");
}

TEST_F(PacingTest, PacedIdleRoomUsesLittleProcessorTime) {
  EXPECT_EXIT(exitWithProblems(pacedProcessorProblems()), ::testing::ExitedWithCode(0), "");
}

} // namespace
