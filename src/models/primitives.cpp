#include "models/furniture_models.h"

void drawBox(float sx, float sy, float sz) {
  glShadeModel(GL_FLAT);

  // Back, top, front and bottom faces wrapped about the x axis. Under flat shading each quad
  // takes the lit colour of its last vertex, whose normal is always its own face's.
  glBegin(GL_QUAD_STRIP);
  glNormal3f(0, 0, -1);
  glVertex3f(sx, 0, 0);
  glVertex3f(0, 0, 0);
  glVertex3f(sx, sy, 0);
  glVertex3f(0, sy, 0);
  glNormal3f(0, 1, 0);
  glVertex3f(sx, sy, sz);
  glVertex3f(0, sy, sz);
  glNormal3f(0, 0, 1);
  glVertex3f(sx, 0, sz);
  glVertex3f(0, 0, sz);
  glNormal3f(0, -1, 0);
  glVertex3f(sx, 0, 0);
  glVertex3f(0, 0, 0);
  glEnd();

  glBegin(GL_QUADS);
  glNormal3f(1, 0, 0);
  glVertex3f(sx, 0, 0);
  glVertex3f(sx, sy, 0);
  glVertex3f(sx, sy, sz);
  glVertex3f(sx, 0, sz);
  glEnd();

  glBegin(GL_QUADS);
  glNormal3f(-1, 0, 0);
  glVertex3f(0, 0, 0);
  glVertex3f(0, 0, sz);
  glVertex3f(0, sy, sz);
  glVertex3f(0, sy, 0);
  glEnd();
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
