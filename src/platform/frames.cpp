// Frames presented and paced by the frame clock, the same on every platform; the swap control the
// driver offers is the platform's.
#include "platform/opengl.h"
#include "platform/platform.h"

void enableFramePacing() {
  frameClock.pacing = true;
  frameClock.swapControl = frameClock.requestSwapInterval(1);
  restartFrameClock(frameClock);
}

void disableFramePacing() {
  frameClock.pacing = false;
}

bool presentFrame() {
  // A pass drawn in selection mode is the pick's, not a frame anyone sees: it rasterises nothing,
  // so a swap would only show a back buffer whose contents are undefined after the last swap. The
  // pick neither swaps nor waits.
  GLint renderMode = GL_RENDER;
  glGetIntegerv(GL_RENDER_MODE, &renderMode);
  if (renderMode != GL_RENDER) {
    return false;
  }
  glutSwapBuffers();
  const ClockTime wait = frameShown(frameClock);
  if (wait > ClockTime::zero()) {
    frameClock.wait(wait);
  }
  return true;
}

void paceIdleCall() {
  const ClockTime wait = idleCallWait(frameClock);
  if (wait > ClockTime::zero()) {
    frameClock.wait(wait);
  }
}
