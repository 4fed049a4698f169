// Geometry of the room: the box and open-frame primitives, the material palette and the models of
// the seven kinds of furniture. Every model draws in its own frame, origin at its placement point.
#pragma once

#include "platform/opengl.h"
#include "scene/scene_state.h"

// Material palette: RGBA ambient-and-diffuse colours, each applied only by its own user.
inline constexpr GLfloat tableMaterial[4] = {0.85f, 0.6f, 0.25f, 1};
inline constexpr GLfloat chairMaterial[4] = {0.68f, 0.4f, 0.06f, 1};
inline constexpr GLfloat drawerBodyMaterial[4] = {0.5f, 0.4f, 0.15f, 1};
inline constexpr GLfloat drawerKnobMaterial[4] = {0.25f, 0.2f, 0.07f, 1};
inline constexpr GLfloat shelfMaterial[4] = {0.8f, 0.8f, 0.8f, 1};
inline constexpr GLfloat bedsideMaterial[4] = {0.78f, 0.5f, 0.16f, 1};
inline constexpr GLfloat sofaMaterial[4] = {0.8f, 0.3f, 0.3f, 1};
inline constexpr GLfloat bedMaterialA[4] = {0.87f, 1, 0.95f, 1};
inline constexpr GLfloat bedMaterialB[4] = {0.78f, 0.5f, 0.16f, 1};
inline constexpr GLfloat bedMaterialC[4] = {0.94f, 0.97f, 1, 1};
inline constexpr GLfloat wardrobeBodyMaterial[4] = {0.78f, 0.5f, 0.16f, 1};
inline constexpr GLfloat wardrobeDoorMaterial[4] = {0.5f, 0.4f, 0.15f, 1};
inline constexpr GLfloat doorHandleMaterial[4] = {0.25f, 0.2f, 0.07f, 1};
inline constexpr GLfloat floorMaterial[4] = {0.73f, 0.94f, 0.51f, 1};

// Solid box from the current origin to (sx, sy, sz); sets flat shading. Draws from client-side
// arrays that it sets up itself, so it needs nothing of its caller but a current context.
void drawBox(float sx, float sy, float sz);
// Five 0.1-thick panels around x 0..X, y 0..Y, z 0..Z, open toward +z.
void drawOpenFrame(float X, float Y, float Z);
// An open-topped tray with a knob on its front, all under pick name `name`.
void drawDrawer(float width, float depth, float height, float knobWidth, float knobHeight,
                int name);

void drawTable();
void drawChair();
void drawShelfUnit();
void drawSofa();
void drawBed();

// The two kinds with moving parts read animation entry `index` of the scene.
void drawBedsideTable(int index);
void drawWardrobe(int index);

// The part codes first..last of a kind's doors and drawers; a kind without any has none.
struct PartCodes {
  int first, last;
};
constexpr PartCodes NO_PART_CODES = {0, -1};

// One row per kind of furniture, indexed by FurnitureKind: its label in the pop-up menu (whose
// value for the kind is its index + 1), its model, the turn about the vertical that the display
// pass gives it after moving to its placement, and the part codes of its doors and drawers,
// which the display pass acts on in the kind's loop.
struct FurnitureKindInfo {
  const char *menuLabel;
  void (*draw)(int index); // draws the piece at list index `index`
  float yaw;               // degrees; 0: not turned
  PartCodes partCodes;
};

inline constexpr FurnitureKindInfo furnitureKinds[KIND_COUNT] = {
    {"  Mesa", [](int) { drawTable(); }, 0, NO_PART_CODES},
    {"  Silla", [](int) { drawChair(); }, 90, NO_PART_CODES},
    {"  Armario", drawWardrobe, 0, {PICK_LEFT_DOOR, PICK_WARDROBE_LOWER_DRAWER}},
    {"  Mesilla", drawBedsideTable, 0, {PICK_BEDSIDE_UPPER_DRAWER, PICK_BEDSIDE_LOWER_DRAWER}},
    {"  Estanteria", [](int) { drawShelfUnit(); }, -90, NO_PART_CODES},
    {"  Sofa", [](int) { drawSofa(); }, 90, NO_PART_CODES},
    {"  Cama", [](int) { drawBed(); }, 0, NO_PART_CODES},
};

// The kinds in the order the display pass draws them, which is also the order in which their
// pick names reach the selection buffer.
inline constexpr FurnitureKind drawOrder[KIND_COUNT] = {Table, Wardrobe, Chair, BedsideTable,
                                                        Shelf, Sofa,     Bed};
