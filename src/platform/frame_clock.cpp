#include "platform/platform.h"

#include <thread>

ClockTime steadyClockNow() {
  using Steady = std::chrono::steady_clock;
  // Counted from the first reading, so that the conversion to sixtieths of a nanosecond cannot
  // overflow however long the machine has been up.
  static const Steady::time_point origin = Steady::now();
  return Steady::now() - origin;
}

void sleepFor(ClockTime duration) {
  std::this_thread::sleep_for(duration);
}

FrameClock frameClock;

// Ends the frame being timed and starts the next. Unless a synced swap ended it, the next one
// starts when this one's tick is over, and the wait until then is returned.
static ClockTime endFrame(FrameClock &clock, bool swapped) {
  const ClockTime now = clock.now();
  ClockTime wait{};
  ClockTime nextStart = now;
  if (clock.frameStarted) {
    const ClockTime elapsed = now - clock.frameStart;
    const bool syncHolds = swapped && clock.swapControl && elapsed >= FASTEST_SYNCED_FRAME;
    const ClockTime due = clock.frameStart + CLOCK_TICK;
    if (!syncHolds && now < due) {
      wait = due - now;
      nextStart = due;
    }
  }
  clock.frameStart = nextStart;
  clock.frameStarted = true;
  return wait;
}

ClockTime frameShown(FrameClock &clock) {
  if (!clock.pacing) {
    return {};
  }
  clock.shownSinceIdle = true;
  return endFrame(clock, true);
}

ClockTime idleCallWait(FrameClock &clock) {
  if (!clock.pacing) {
    return {};
  }
  if (clock.shownSinceIdle) {
    clock.shownSinceIdle = false;
    return {};
  }
  return endFrame(clock, false);
}

int animationTicksDue(FrameClock &clock) {
  if (!clock.pacing) {
    clock.ticking = false; // pacing turned on again starts a fresh account
    return 1;
  }
  const ClockTime now = clock.now();
  if (!clock.ticking || now < clock.advancedTo) {
    clock.ticking = true;
    clock.advancedTo = now - CLOCK_TICK / 2;
    return 0;
  }
  const ClockTime elapsed = now - clock.advancedTo;
  const long long whole = elapsed / CLOCK_TICK;
  clock.advancedTo = now - elapsed % CLOCK_TICK;
  return whole < MAX_TICKS_PER_IDLE ? static_cast<int>(whole) : MAX_TICKS_PER_IDLE;
}

void restartFrameClock(FrameClock &clock) {
  clock.frameStarted = false;
  clock.shownSinceIdle = false;
  clock.ticking = false;
}
