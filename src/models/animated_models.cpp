#include "models/furniture_models.h"
#include "scene/scene_state.h"

// The display pass passes list indexes 0..49; any other index draws the piece closed rather
// than reading outside the animation entries.
static const BedsideAnim &bedsideEntry(int index) {
  static const BedsideAnim closed{};
  return index >= 0 && index < MAX_PIECES_PER_KIND ? scene.bedsideAnim[index] : closed;
}

static const WardrobeAnim &wardrobeEntry(int index) {
  static const WardrobeAnim closed{};
  return index >= 0 && index < MAX_PIECES_PER_KIND ? scene.wardrobeAnim[index] : closed;
}

// A drawer slides out along +z by its opening, from a rest position 0.25 in front of the back.
static float drawerZ(const AnimatedValue &opening) {
  return static_cast<float>(opening.value + 0.25);
}

void drawBedsideTable(int index) {
  const BedsideAnim &anim = bedsideEntry(index);

  glMaterialfv(GL_FRONT, GL_AMBIENT_AND_DIFFUSE, bedsideMaterial);
  glPushMatrix();
  glLoadName(static_cast<GLuint>(index));
  drawOpenFrame(5, 6, 3);
  glPushMatrix();
  glTranslatef(0, 3, 0);
  drawBox(5, 0.2f, 2.9f); // divider between the drawers
  glPopMatrix();
  glPopMatrix();

  glPushMatrix();
  glTranslatef(0.25f, 3.21f, drawerZ(anim.upperDrawerOffset));
  glLoadName(PICK_BEDSIDE_UPPER_DRAWER);
  drawDrawer(4.7f, 2.75f, 2.75f, 2, 0.5f, PICK_BEDSIDE_UPPER_DRAWER);
  glPopMatrix();

  glPushMatrix();
  glTranslatef(0.25f, 0.05f, drawerZ(anim.lowerDrawerOffset));
  glLoadName(PICK_BEDSIDE_LOWER_DRAWER);
  drawDrawer(4.7f, 2.75f, 2.75f, 2, 0.5f, PICK_BEDSIDE_LOWER_DRAWER);
  glPopMatrix();
}

void drawWardrobe(int index) {
  const WardrobeAnim &anim = wardrobeEntry(index);

  glMaterialfv(GL_FRONT, GL_AMBIENT_AND_DIFFUSE, wardrobeBodyMaterial);
  glLoadName(static_cast<GLuint>(index));
  glPushMatrix();
  glTranslatef(0, 8, 0);
  drawOpenFrame(10, 17, 7); // upper compartment
  glPopMatrix();
  glPushMatrix();
  drawOpenFrame(10, 8, 7); // lower compartment
  glPopMatrix();
  glPushMatrix();
  glTranslatef(0, 4, 0);
  drawBox(10, 0.15f, 7); // divider between the drawers
  glPopMatrix();

  glPushMatrix();
  glLoadName(PICK_WARDROBE_UPPER_DRAWER);
  glTranslatef(0.25f, 4.25f, drawerZ(anim.upperDrawerOffset));
  drawDrawer(9.5f, 6.75f, 3.75f, 2, 1, PICK_WARDROBE_UPPER_DRAWER);
  glPopMatrix();

  glPushMatrix();
  glLoadName(PICK_WARDROBE_LOWER_DRAWER);
  glTranslatef(0.25f, 0.25f, drawerZ(anim.lowerDrawerOffset));
  drawDrawer(9.5f, 6.75f, 3.75f, 2, 1, PICK_WARDROBE_LOWER_DRAWER);
  glPopMatrix();

  // Left door: hinged on its inner face at x = 0, z = 7; 360 - angle swings it out toward +z.
  glPushMatrix();
  glMaterialfv(GL_FRONT, GL_AMBIENT_AND_DIFFUSE, wardrobeDoorMaterial);
  glLoadName(PICK_LEFT_DOOR);
  glTranslatef(0, 8.25f, 7);
  glRotatef(static_cast<float>(360.0f - static_cast<double>(anim.leftDoorAngle.value)), 0, 1, 0);
  drawBox(4.95f, 16.5f, 0.25f);
  glTranslatef(3.85f, 8, 0.2f);
  glMaterialfv(GL_FRONT, GL_AMBIENT_AND_DIFFUSE, doorHandleMaterial);
  drawBox(0.5f, 2, 0.25f);
  glPopMatrix();

  // Right door: hinged on its outer face at x = 10, z = 7.25, turned a half turn to point back
  // toward -x, then swung by its angle, the mirror of the left door.
  glPushMatrix();
  glMaterialfv(GL_FRONT, GL_AMBIENT_AND_DIFFUSE, wardrobeDoorMaterial);
  glLoadName(PICK_RIGHT_DOOR);
  glTranslatef(10, 8.25f, 7.25f);
  glRotatef(180, 0, 1, 0);
  glRotatef(anim.rightDoorAngle.value, 0, 1, 0);
  drawBox(4.95f, 16.5f, 0.25f);
  glTranslatef(3.85f, 8, -0.25f);
  glMaterialfv(GL_FRONT, GL_AMBIENT_AND_DIFFUSE, doorHandleMaterial);
  drawBox(0.5f, 2, 0.25f);
  glPopMatrix();
}
