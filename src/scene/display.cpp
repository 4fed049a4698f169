#include "models/furniture_models.h"
#include "platform/platform.h"
#include "platform/opengl.h"
#include "scene/scene_state.h"

#include <cstring>

// The floor slab: 0.1 thick, from y = -0.11 up to 0.01 below the plane y = 0 on which every
// piece stands.
constexpr float FLOOR_BOTTOM = -0.11f;
constexpr float FLOOR_THICKNESS = 0.1f;

// What the last frame shown was drawn from, and what a frame drawn now would be. Both are static,
// so zero from the start, and the record is copied byte for byte, padding included: equal inputs
// have equal bytes.
static FrameInputs lastShown;
static FrameInputs current;
static bool anyShown = false;

static void readFrameInputs(FrameInputs &inputs) {
  std::memcpy(static_cast<void *>(&inputs.scene), &scene, sizeof scene);
  glGetFloatv(GL_PROJECTION_MATRIX, inputs.projection);
  glGetFloatv(GL_MODELVIEW_MATRIX, inputs.modelView);
  glGetIntegerv(GL_VIEWPORT, inputs.viewport);
}

bool frameDue() {
  if (!anyShown) {
    return true;
  }
  readFrameInputs(current);
  return std::memcmp(&current, &lastShown, sizeof current) != 0;
}

void onDisplay() {
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glPushMatrix();

  glPushMatrix();
  glTranslatef(ROOM_ORIGIN, FLOOR_BOTTOM, ROOM_ORIGIN);
  glMaterialfv(GL_FRONT, GL_AMBIENT_AND_DIFFUSE, floorMaterial);
  drawBox(ROOM_SIZE, FLOOR_THICKNESS, ROOM_SIZE);
  glPopMatrix();

  for (FurnitureKind kind : drawOrder) {
    const FurnitureKindInfo &info = furnitureKinds[kind];
    const FurnitureList &list = scene.lists[kind];
    for (int i = 0; i < list.count; ++i) {
      glPushMatrix();
      for (int code = info.partCodes.first; code <= info.partCodes.last; ++code) {
        actOnPartCode(code);
      }
      const Placement &p = list.slots[i + 1];
      glTranslatef(p.x, 0, p.z);
      if (info.yaw != 0) {
        glRotatef(info.yaw, 0, 1, 0);
      }
      info.draw(i);
      glPopMatrix();
    }
  }

  glPopMatrix();
  glFlush();
  if (presentFrame()) {
    readFrameInputs(lastShown);
    anyShown = true;
  }
}
