#include "anim/animation.h"
#include "app/app_shell.h"
#include "view/views.h"

// Values are stored in single precision and stepped in double precision.
void stepAnimatedValue(AnimatedValue &v, const AnimatedField &field) {
  if (v.opening) {
    if (v.value < field.openLimit) {
      v.value = static_cast<float>(v.value + field.step);
    } else {
      v.opening = 0;
      v.closing = 1;
    }
  }
  if (v.closing) {
    if (v.value > CLOSED_BOUND) {
      v.value = static_cast<float>(v.value - field.step);
    } else {
      v.closing = 0;
      v.opening = 0;
    }
  }
}

void advanceAnimations() {
  for (int i = 0; i < MAX_PIECES_PER_KIND; ++i) {
    for (const AnimatedField &field : animatedFields) {
      stepAnimatedValue(*animatedPart(field.partCode, i), field);
    }
  }
}

int takeAnimationTicks(TickAccount &account, AnimationTime now) {
  if (!account.started || now < account.advancedTo) {
    account.started = true;
    account.advancedTo = now - ANIMATION_TICK / 2;
    return 0;
  }
  const AnimationTime elapsed = now - account.advancedTo;
  const long long whole = elapsed / ANIMATION_TICK;
  account.advancedTo = now - elapsed % ANIMATION_TICK;
  return whole < MAX_TICKS_PER_IDLE ? static_cast<int>(whole) : MAX_TICKS_PER_IDLE;
}

// The ticks due now on the steady clock, counted from the first call so that the conversion to
// AnimationTime cannot overflow however long the machine has been up.
static int animationTicksDue(TickAccount &account) {
  using Clock = std::chrono::steady_clock;
  static const Clock::time_point origin = Clock::now();
  return takeAnimationTicks(account, Clock::now() - origin);
}

void onIdle() {
  static TickAccount animationClock;
  paceIdleCall();
  int ticks = 1;
  if (framePacingEnabled()) {
    ticks = animationTicksDue(animationClock);
  } else {
    animationClock = {}; // pacing turned on again starts a fresh account
  }
  for (int t = 0; t < ticks; ++t) {
    advanceAnimations();
  }
  applyCurrentView();
  requestRedisplay();
}
