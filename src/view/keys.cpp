#include "app/app_shell.h"
#include "platform/opengl.h"
#include "scene/scene_state.h"
#include "view/views.h"

#include <cstdlib>

// One camera step: the field widened to double, moved by 5, stored back in single precision.
static void stepCameraField(float &field, double delta) {
  field = static_cast<float>(field + delta);
}

void onKeyboard(unsigned char key, int, int) {
  switch (key) {
  case 27:
    std::exit(0);
  case '+':
    stepCameraField(scene.cameraDistance, -5);
    break;
  case '-':
    stepCameraField(scene.cameraDistance, +5);
    break;
  case 'Z':
    stepCameraField(scene.cameraRoll, -5);
    break;
  case 'z':
    stepCameraField(scene.cameraRoll, +5);
    break;
  default:
    return;
  }
  applyCurrentView();
  requestRedisplay();
}

// Arrow keys only request a redisplay; the idle callback re-applies the view on its next pass.
void onSpecialKey(int key, int, int) {
  switch (key) {
  case GLUT_KEY_LEFT:
    stepCameraField(scene.cameraYaw, +5);
    break;
  case GLUT_KEY_UP:
    stepCameraField(scene.cameraPitch, +5);
    break;
  case GLUT_KEY_RIGHT:
    stepCameraField(scene.cameraYaw, -5);
    break;
  case GLUT_KEY_DOWN:
    stepCameraField(scene.cameraPitch, -5);
    break;
  default:
    return;
  }
  requestRedisplay();
}
