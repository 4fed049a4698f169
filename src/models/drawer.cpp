#include "models/furniture_models.h"

void drawDrawer(float width, float depth, float height, float knobWidth, float knobHeight,
                int name) {
  glMaterialfv(GL_FRONT, GL_AMBIENT_AND_DIFFUSE, drawerBodyMaterial);
  glLoadName(static_cast<GLuint>(name));

  // The open frame laid on its back: its back panel becomes the floor, its bottom panel the
  // front and its top panel the back, with the open side facing up.
  glPushMatrix();
  glRotatef(-90, 1, 0, 0);
  glTranslatef(0, -depth, 0);
  drawOpenFrame(width, depth, height);
  glPopMatrix();

  glPushMatrix();
  glMaterialfv(GL_FRONT, GL_AMBIENT_AND_DIFFUSE, drawerKnobMaterial);
  glTranslatef(static_cast<float>(width / 2.0 - knobWidth + 1),
               static_cast<float>(height / 2.0 - knobHeight + 1), depth);
  drawBox(knobWidth, knobHeight, 0.5f);
  glPopMatrix();
}
