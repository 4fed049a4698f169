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

// The point of the room the perspective camera orbits and looks at.
constexpr float orbitCentre[3] = {20, 10, 20};

// The plan view looks straight down from this height.
constexpr int PLAN_CAMERA_HEIGHT = 42;

// Depth range of a projection, from the eye.
struct DepthRange {
  double nearPlane, farPlane;
};
constexpr DepthRange perspectiveDepth = {2, 200};
constexpr DepthRange planDepth = {2, 1000};
// The reshape callback's interim view: a frustum with a nearer plane farther out, and the eye
// moved back from the origin.
constexpr DepthRange interimDepth = {4, 200};
constexpr float INTERIM_EYE_DISTANCE = 60;

void perspectiveCamera() {
  const float aspect = frustumAspect(scene.windowWidth, scene.windowHeight);
  glFrustum(-1, 1, -aspect, aspect, perspectiveDepth.nearPlane, perspectiveDepth.farPlane);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glTranslatef(0, 0, -scene.cameraDistance);
  glRotatef(scene.cameraPitch, 1, 0, 0);
  glRotatef(scene.cameraYaw, 0, 1, 0);
  glRotatef(scene.cameraRoll, 0, 0, 1);
  glTranslatef(-orbitCentre[0], -orbitCentre[1], -orbitCentre[2]);
}

void applyPerspectiveView() {
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  perspectiveCamera();
}

void applyPlanView() {
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  // The window's rectangle is exactly the floor.
  constexpr int floorEnd = ROOM_ORIGIN + ROOM_SIZE;
  glOrtho(ROOM_ORIGIN, floorEnd, ROOM_ORIGIN, floorEnd, planDepth.nearPlane, planDepth.farPlane);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  // Looking down, room z grows down the window: z = ROOM_ORIGIN at the top edge, floorEnd at
  // the bottom.
  glTranslatef(0, ROOM_ORIGIN + floorEnd, -PLAN_CAMERA_HEIGHT);
  glRotatef(90, 1, 0, 0);
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
  glFrustum(-1, 1, -aspect, aspect, interimDepth.nearPlane, interimDepth.farPlane);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glTranslatef(0, 0, -INTERIM_EYE_DISTANCE);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  scene.windowWidth = static_cast<float>(width);
  scene.windowHeight = static_cast<float>(height);
}
