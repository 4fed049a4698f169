#include "models/furniture_models.h"

// One corner of a box face: the face's outward normal, then the position (the GL_N3F_V3F layout).
struct BoxVertex {
  GLfloat nx, ny, nz;
  GLfloat x, y, z;
};
static_assert(sizeof(BoxVertex) == 6 * sizeof(GLfloat), "box vertices are packed");

// The box is drawn from client-side arrays rather than between glBegin and glEnd: Mesa keeps
// the memory of every immediate-mode vertex buffer it fills while selection mode is on, so each
// pick of a furnished room used to cost hundreds of KiB for the rest of the session. The box sets
// up the arrays it draws from itself, so it draws the same into any context.
void drawBox(float sx, float sy, float sz) {
  glShadeModel(GL_FLAT);

  // Back, top, front and bottom faces wrapped about the x axis as one quad strip, then the right
  // and left faces as two quads. Under flat shading each quad takes the lit colour of its last
  // vertex, whose normal is always its own face's.
  const BoxVertex vertices[18] = {
      {0, 0, -1, sx, 0, 0},  {0, 0, -1, 0, 0, 0},  {0, 0, -1, sx, sy, 0}, {0, 0, -1, 0, sy, 0},
      {0, 1, 0, sx, sy, sz}, {0, 1, 0, 0, sy, sz}, {0, 0, 1, sx, 0, sz},  {0, 0, 1, 0, 0, sz},
      {0, -1, 0, sx, 0, 0},  {0, -1, 0, 0, 0, 0},

      {1, 0, 0, sx, 0, 0},   {1, 0, 0, sx, sy, 0}, {1, 0, 0, sx, sy, sz}, {1, 0, 0, sx, 0, sz},

      {-1, 0, 0, 0, 0, 0},   {-1, 0, 0, 0, 0, sz}, {-1, 0, 0, 0, sy, sz}, {-1, 0, 0, 0, sy, 0},
  };
  // Exactly the normal and vertex arrays, both read from `vertices`; every other array off.
  glInterleavedArrays(GL_N3F_V3F, sizeof(BoxVertex), vertices);
  glDrawArrays(GL_QUAD_STRIP, 0, 10);
  glDrawArrays(GL_QUADS, 10, 8);
}

void drawOpenFrame(float X, float Y, float Z) {
  constexpr float panel = 0.1f;

  glPushMatrix();
  glPushMatrix();
  drawBox(X, panel, Z); // bottom
  glPopMatrix();
  glPushMatrix();
  glTranslatef(0, Y, 0);
  drawBox(X, panel, Z); // top, resting above y = Y
  glPopMatrix();
  glPushMatrix();
  glRotatef(90, 0, 0, 1);
  drawBox(Y, panel, Z); // left, just outside x = 0
  glPopMatrix();
  glPushMatrix();
  glTranslatef(X, 0, 0);
  glRotatef(90, 0, 0, 1);
  drawBox(Y, panel, Z); // right, just inside x = X
  glPopMatrix();
  glPushMatrix();
  drawBox(X, Y, panel); // back
  glPopMatrix();
  glPopMatrix();
}
