#include "scene/scene_state.h"

SceneState scene;

void resetScene() {
  scene = SceneState{};
}

// A window dimension of 0 (a minimised window) has no pixels to convert; dividing by 1 keeps
// the result finite instead of infinite or NaN.
static double pixelScaleDivisor(float windowSize) {
  return windowSize > 0 ? static_cast<double>(windowSize) : 1.0;
}

RoomPoint roomToWorld(int pixelX, int pixelY) {
  // The products are formed in 64 bits so that no int coordinate can overflow them.
  const long long productX = static_cast<long long>(pixelX) * ROOM_SIZE;
  const long long productY = static_cast<long long>(pixelY) * ROOM_SIZE;
  return {static_cast<double>(productX) / pixelScaleDivisor(scene.windowWidth) + ROOM_ORIGIN,
          static_cast<double>(productY) / pixelScaleDivisor(scene.windowHeight) + ROOM_ORIGIN};
}

void actOnPartCode(int partCode) {
  if (scene.pendingAction != partCode) {
    return;
  }
  // A pickedIndex that names no piece flips nothing, but the code is still consumed so that it
  // cannot act later on a piece the user did not click.
  if (AnimatedValue *part = animatedPart(partCode, scene.pickedIndex)) {
    if (part->opening == 0) {
      part->opening = 1;
      part->closing = 0;
    } else {
      part->opening = 0;
      part->closing = 1;
    }
  }
  scene.pendingAction = ACTION_DONE;
}
