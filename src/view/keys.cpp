#include "platform/opengl.h"
#include "scene/scene_state.h"
#include "view/views.h"

#include <cstddef>
#include <cstdlib>

constexpr unsigned char ESCAPE_KEY = 27;

// Every camera key moves one camera field by this much: room units or degrees.
constexpr double CAMERA_STEP = 5;

// A key and the camera field it moves, by +CAMERA_STEP or -CAMERA_STEP.
struct CameraKey {
  int key;
  float SceneState::*field;
  double delta;
};

constexpr CameraKey characterKeys[] = {
    {'+', &SceneState::cameraDistance, -CAMERA_STEP}, // closer
    {'-', &SceneState::cameraDistance, +CAMERA_STEP}, // farther
    {'Z', &SceneState::cameraRoll, -CAMERA_STEP},
    {'z', &SceneState::cameraRoll, +CAMERA_STEP},
};

constexpr CameraKey arrowKeys[] = {
    {GLUT_KEY_LEFT, &SceneState::cameraYaw, +CAMERA_STEP},
    {GLUT_KEY_UP, &SceneState::cameraPitch, +CAMERA_STEP},
    {GLUT_KEY_RIGHT, &SceneState::cameraYaw, -CAMERA_STEP},
    {GLUT_KEY_DOWN, &SceneState::cameraPitch, -CAMERA_STEP},
};

// Moves the field of `key` in `keys`, widened to double and stored back in single precision.
// Returns false when `key` is none of them.
template <std::size_t N> static bool stepCamera(const CameraKey (&keys)[N], int key) {
  for (const CameraKey &k : keys) {
    if (k.key == key) {
      float &field = scene.*k.field;
      field = static_cast<float>(field + k.delta);
      return true;
    }
  }
  return false;
}

void onKeyboard(unsigned char key, int, int) {
  if (key == ESCAPE_KEY) {
    std::exit(0);
  }
  if (stepCamera(characterKeys, key)) {
    applyCurrentView();
    glutPostRedisplay();
  }
}

// Arrow keys only request a redisplay; the idle callback re-applies the view on its next pass.
void onSpecialKey(int key, int, int) {
  if (stepCamera(arrowKeys, key)) {
    glutPostRedisplay();
  }
}
