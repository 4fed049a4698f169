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

// The drawers of one kind: tray width, depth and height, and the knob's width and height.
struct DrawerSize {
  float width, depth, height, knobWidth, knobHeight;
};
constexpr DrawerSize bedsideDrawer = {4.7f, 2.75f, 2.75f, 2, 0.5f};
constexpr DrawerSize wardrobeDrawer = {9.5f, 6.75f, 3.75f, 2, 1};

// One drawer of a piece, at height `y` and slid out by its opening, under part code `code`.
static void drawDrawerAt(const DrawerSize &size, float y, const AnimatedValue &opening, int code) {
  glPushMatrix();
  glLoadName(static_cast<GLuint>(code));
  glTranslatef(0.25f, y, drawerZ(opening));
  drawDrawer(size.width, size.depth, size.height, size.knobWidth, size.knobHeight, code);
  glPopMatrix();
}

// Starts a wardrobe door under part code `code`: pushes the matrix, which the caller pops after
// drawDoorLeaf, and moves to the hinge at (x, 8.25, z).
static void beginDoor(int code, float x, float z) {
  glPushMatrix();
  glMaterialfv(GL_FRONT, GL_AMBIENT_AND_DIFFUSE, wardrobeDoorMaterial);
  glLoadName(static_cast<GLuint>(code));
  glTranslatef(x, 8.25f, z);
}

// The door leaf in its hinge frame, turned by the caller, and its handle at depth `handleZ`.
static void drawDoorLeaf(float handleZ) {
  drawBox(4.95f, 16.5f, 0.25f);
  glTranslatef(3.85f, 8, handleZ);
  glMaterialfv(GL_FRONT, GL_AMBIENT_AND_DIFFUSE, doorHandleMaterial);
  drawBox(0.5f, 2, 0.25f);
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

  drawDrawerAt(bedsideDrawer, 3.21f, anim.upperDrawerOffset, PICK_BEDSIDE_UPPER_DRAWER);
  drawDrawerAt(bedsideDrawer, 0.05f, anim.lowerDrawerOffset, PICK_BEDSIDE_LOWER_DRAWER);
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

  drawDrawerAt(wardrobeDrawer, 4.25f, anim.upperDrawerOffset, PICK_WARDROBE_UPPER_DRAWER);
  drawDrawerAt(wardrobeDrawer, 0.25f, anim.lowerDrawerOffset, PICK_WARDROBE_LOWER_DRAWER);

  // Left door: hinged on its inner face at x = 0, z = 7; 360 - angle swings it out toward +z.
  beginDoor(PICK_LEFT_DOOR, 0, 7);
  glRotatef(static_cast<float>(360.0f - static_cast<double>(anim.leftDoorAngle.value)), 0, 1, 0);
  drawDoorLeaf(0.2f);
  glPopMatrix();

  // Right door: hinged on its outer face at x = 10, z = 7.25, turned a half turn to point back
  // toward -x, then swung by its angle, the mirror of the left door.
  beginDoor(PICK_RIGHT_DOOR, 10, 7.25f);
  glRotatef(180, 0, 1, 0);
  glRotatef(anim.rightDoorAngle.value, 0, 1, 0);
  drawDoorLeaf(-0.25f);
  glPopMatrix();
}
