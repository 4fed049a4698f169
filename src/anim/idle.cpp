#include "anim/animation.h"
#include "platform/platform.h"
#include "platform/opengl.h"
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

static bool anythingMoves() {
  for (int i = 0; i < MAX_PIECES_PER_KIND; ++i) {
    for (const AnimatedField &field : animatedFields) {
      const AnimatedValue &v = *animatedPart(field.partCode, i);
      if (v.opening || v.closing) {
        return true;
      }
    }
  }
  return false;
}

// Whether the idle callback is unregistered, and whether GLUT shows the window.
static bool resting = false;
static bool windowShown = true;

void onIdle() {
  paceIdleCall();
  const int ticks = animationTicksDue(frameClock);
  for (int t = 0; t < ticks; ++t) {
    advanceAnimations();
  }
  applyCurrentView();
  if (windowShown && frameDue()) {
    glutPostRedisplay();
  } else if (!anythingMoves()) {
    resting = true;
    glutIdleFunc(nullptr);
  }
}

void wakeHeartbeat() {
  if (!resting) {
    return;
  }
  resting = false;
  restartFrameClock(frameClock);
  glutIdleFunc(onIdle);
}

void onVisibility(int state) {
  windowShown = state == GLUT_VISIBLE;
  wakeHeartbeat();
}
