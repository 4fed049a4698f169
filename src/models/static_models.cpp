#include "models/furniture_models.h"
#include "scene/scene_state.h"

void drawTable() {
  glMaterialfv(GL_FRONT, GL_AMBIENT_AND_DIFFUSE, tableMaterial);
  glPushMatrix();
  glLoadName(PICK_STATIC_BODY);
  glPushMatrix();
  glTranslatef(0, 8, 0);
  drawBox(12, 0.7f, 7); // top
  glPopMatrix();
  drawBox(1, 8, 1); // legs, one per corner
  glTranslatef(11, 0, 0);
  drawBox(1, 8, 1);
  glTranslatef(0, 0, 6);
  drawBox(1, 8, 1);
  glTranslatef(-11, 0, 0);
  drawBox(1, 8, 1);
  glPopMatrix();
}

void drawChair() {
  glMaterialfv(GL_FRONT, GL_AMBIENT_AND_DIFFUSE, chairMaterial);
  glLoadName(PICK_STATIC_BODY);
  glPushMatrix();
  glPushMatrix();
  glTranslatef(0, 6, 0);
  drawBox(0.5f, 7, 4); // backrest
  drawBox(4, 0.6f, 4); // seat
  glPopMatrix();
  drawBox(0.4f, 6, 0.4f); // legs, one per corner
  glTranslatef(3.6f, 0, 0);
  drawBox(0.4f, 6, 0.4f);
  glTranslatef(0, 0, 3.6f);
  drawBox(0.4f, 6, 0.4f);
  glTranslatef(-3.6f, 0, 0);
  drawBox(0.4f, 6, 0.4f);
  glPopMatrix();
}

void drawShelfUnit() {
  glMaterialfv(GL_FRONT, GL_AMBIENT_AND_DIFFUSE, shelfMaterial);
  glPushMatrix();
  glLoadName(PICK_STATIC_BODY);
  drawOpenFrame(8, 5, 4); // four compartments stacked at the frame height
  glTranslatef(0, 5, 0);
  drawOpenFrame(8, 5, 4);
  glTranslatef(0, 5, 0);
  drawOpenFrame(8, 5, 4);
  glTranslatef(0, 5, 0);
  drawOpenFrame(8, 5, 4);
  glPopMatrix();
}

void drawSofa() {
  glMaterialfv(GL_FRONT, GL_AMBIENT_AND_DIFFUSE, sofaMaterial);
  glPushMatrix();
  glLoadName(PICK_STATIC_BODY);
  drawBox(20, 6, 9);  // seat block
  drawBox(20, 12, 3); // back
  drawBox(2, 9, 9);   // arm
  glTranslatef(18, 0, 0);
  drawBox(2, 9, 9); // arm
  glPopMatrix();
}

// The bed has no push of its own: it leaves the matrix moved by (14, 0, 0), which the display
// pass's pop undoes.
void drawBed() {
  glMaterialfv(GL_FRONT, GL_AMBIENT_AND_DIFFUSE, bedMaterialC);
  glLoadName(PICK_STATIC_BODY);
  drawBox(3, 6, 8); // head block
  glMaterialfv(GL_FRONT, GL_AMBIENT_AND_DIFFUSE, bedMaterialA);
  drawBox(14, 5, 8); // mattress block
  glMaterialfv(GL_FRONT, GL_AMBIENT_AND_DIFFUSE, bedMaterialB);
  glTranslatef(-0.75f, 0, 0);
  drawBox(0.75f, 8, 8); // headboard
  glTranslatef(14.75f, 0, 0);
  drawBox(0.75f, 6, 8); // footboard
}
