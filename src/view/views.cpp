#include "platform/opengl.h"
#include "scene/scene_state.h"
#include "view/views.h"

// Height over width, rounded to single precision. A window with no area has no shape; it gets
// an aspect of 1 so that the frustum stays valid.
static float frustumAspect(double width, double height) {
  if (width <= 0 || height <= 0) {
    return 1.0f;
  }
  return static_cast<float>(height / width);
}

void perspectiveCamera() {
  const float aspect = frustumAspect(scene.windowWidth, scene.windowHeight);
  glFrustum(-1, 1, -aspect, aspect, 2, 200);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glTranslatef(0, 0, -scene.cameraDistance);
  glRotatef(scene.cameraPitch, 1, 0, 0);
  glRotatef(scene.cameraYaw, 0, 1, 0);
  glRotatef(scene.cameraRoll, 0, 0, 1);
  glTranslatef(-20, -10, -20); // orbit about the point (20, 10, 20)
}

void applyPerspectiveView() {
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  perspectiveCamera();
}

void applyPlanView() {
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glOrtho(-2, 40, -2, 40, 2, 1000);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glTranslatef(0, 38, -42);
  glRotatef(90, 1, 0, 0); // look straight down from y = 42, room z growing down the window
}

void applyCurrentView() {
  if (scene.planView) {
    applyPlanView();
  } else {
    applyPerspectiveView();
  }
}

void onReshape(int width, int height) {
  // GLUT never reports negative sizes; should one arrive it is taken as an empty window.
  width = width < 0 ? 0 : width;
  height = height < 0 ? 0 : height;
  const float aspect = frustumAspect(width, height);
  glViewport(0, 0, width, height);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glFrustum(-1, 1, -aspect, aspect, 4, 200);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glTranslatef(0, 0, -60);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  scene.windowWidth = static_cast<float>(width);
  scene.windowHeight = static_cast<float>(height);
}
