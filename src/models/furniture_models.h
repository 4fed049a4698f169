// Geometry of the room: the box and open-frame primitives, the material palette and the models of
// the seven kinds of furniture. Every model draws in its own frame, origin at its placement point.
#pragma once

#include "platform/opengl.h"

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

// Solid box from the current origin to (sx, sy, sz); sets flat shading. Draws from the normal
// and vertex arrays, which enableBoxArrays() turns on once at start-up.
void drawBox(float sx, float sy, float sz);
void enableBoxArrays();
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
