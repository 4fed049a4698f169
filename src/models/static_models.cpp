#include "models/furniture_models.h"

// Four legs of `side` x `height` x `side`, one per corner of a rectangle `spanX` by `spanZ`
// between the legs' origins, starting at the current origin and going round. Leaves the matrix
// at the last leg.
static void drawLegs(float side, float height, float spanX, float spanZ) {
  drawBox(side, height, side);
  glTranslatef(spanX, 0, 0);
  drawBox(side, height, side);
  glTranslatef(0, 0, spanZ);
  drawBox(side, height, side);
  glTranslatef(-spanX, 0, 0);
  drawBox(side, height, side);
}

// A piece on four legs, in one material: what stands on the legs, drawn from the legs' top,
// then the legs.
struct LeggedPiece {
  const GLfloat *material;
  float legSide, legHeight, spanX, spanZ;
  void (*drawOnLegs)();
};

static void drawLeggedPiece(const LeggedPiece &piece) {
  glMaterialfv(GL_FRONT, GL_AMBIENT_AND_DIFFUSE, piece.material);
  glLoadName(PICK_STATIC_BODY);
  glPushMatrix();
  glPushMatrix();
  glTranslatef(0, piece.legHeight, 0);
  piece.drawOnLegs();
  glPopMatrix();
  drawLegs(piece.legSide, piece.legHeight, piece.spanX, piece.spanZ);
  glPopMatrix();
}

void drawTable() {
  drawLeggedPiece({tableMaterial, 1, 8, 11, 6, [] {
                     drawBox(12, 0.7f, 7); // top
                   }});
}

void drawChair() {
  drawLeggedPiece({chairMaterial, 0.4f, 6, 3.6f, 3.6f, [] {
                     drawBox(0.5f, 7, 4); // backrest
                     drawBox(4, 0.6f, 4); // seat
                   }});
}

void drawShelfUnit() {
  glMaterialfv(GL_FRONT, GL_AMBIENT_AND_DIFFUSE, shelfMaterial);
  glPushMatrix();
  glLoadName(PICK_STATIC_BODY);
  // Four compartments stacked at the frame height.
  for (int compartment = 0; compartment < 4; ++compartment) {
    if (compartment > 0) {
      glTranslatef(0, 5, 0);
    }
    drawOpenFrame(8, 5, 4);
  }
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
