#include "models/furniture_models.h"

// One corner of a box face: the face's outward normal, then the position (the GL_N3F_V3F layout).
struct BoxVertex {
  GLfloat nx, ny, nz;
  GLfloat x, y, z;
};
static_assert(sizeof(BoxVertex) == 6 * sizeof(GLfloat), "box vertices are packed");

// The six faces as quads over the 18 vertices of drawBox, each counter-clockwise seen from
// outside. Back, top, front and bottom wrap about the x axis and share their edges: face i (0..3)
// has the corners 2i..2i+3, of which 2i+2 and 2i+3 carry its own normal. Under flat shading a quad
// takes the lit colour of its last vertex, so each of the four is listed (2i+2, 2i, 2i+1, 2i+3).
// Of the orders that wind so and end on its own normal, this one has the renderer cut the face
// into triangles along the same diagonal as a quad strip does: where coplanar faces overlap (a
// closed door on its frame, pieces standing in one another) the cut decides which face shows at a
// pixel and which a pick finds nearest. The right and left faces have four vertices each.
static constexpr GLubyte boxQuadIndices[24] = {
    2,  0,  1,  3,  // back
    4,  2,  3,  5,  // top
    6,  4,  5,  7,  // front
    8,  6,  7,  9,  // bottom
    10, 11, 12, 13, // right
    14, 15, 16, 17, // left
};

// The box is drawn from client-side arrays rather than between glBegin and glEnd: Mesa keeps
// the memory of every immediate-mode vertex buffer it fills while selection mode is on, so each
// pick of a furnished room used to cost hundreds of KiB for the rest of the session. The box sets
// up the arrays it draws from itself, so it draws the same into any context. All six faces go in
// one indexed draw, which costs the renderer fewer instructions than a strip and two quads drawn
// apart, a pick of a furnished room most of all.
void drawBox(float sx, float sy, float sz) {
  glShadeModel(GL_FLAT);

  const BoxVertex vertices[18] = {
      {0, 0, -1, sx, 0, 0},  {0, 0, -1, 0, 0, 0},  {0, 0, -1, sx, sy, 0}, {0, 0, -1, 0, sy, 0},
      {0, 1, 0, sx, sy, sz}, {0, 1, 0, 0, sy, sz}, {0, 0, 1, sx, 0, sz},  {0, 0, 1, 0, 0, sz},
      {0, -1, 0, sx, 0, 0},  {0, -1, 0, 0, 0, 0},

      {1, 0, 0, sx, 0, 0},   {1, 0, 0, sx, sy, 0}, {1, 0, 0, sx, sy, sz}, {1, 0, 0, sx, 0, sz},

      {-1, 0, 0, 0, 0, 0},   {-1, 0, 0, 0, 0, sz}, {-1, 0, 0, 0, sy, sz}, {-1, 0, 0, 0, sy, 0},
  };
  // Exactly the normal and vertex arrays, both read from `vertices`; every other array off.
  glInterleavedArrays(GL_N3F_V3F, sizeof(BoxVertex), vertices);
  glDrawElements(GL_QUADS, 24, GL_UNSIGNED_BYTE, boxQuadIndices);
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
