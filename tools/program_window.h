// What the screenshot tool's two jobs, the README's pictures (screenshots.cpp) and the program's
// icons (icons.cpp), do with the program's window: pieces placed in it as a user places them, and
// what the window shows read back.
#pragma once

#include "image.h"
#include "platform/opengl.h"
#include "scene/scene_state.h"

constexpr int WINDOW_SIZE = 500;

struct DemoPiece {
  FurnitureKind kind;
  float x; // wanted floor position of the piece's origin, room units
  float z;
};

// Places the piece through the menu and a press and release at its pixel in the plan view.
// Returns false when the pixel lies outside the window or the release step took the piece away
// again.
bool placeAsUser(const DemoPiece &piece);

// The window's pixels in `buffer` (GL_BACK or GL_FRONT) as an RGB image.
Image readWindow(GLenum buffer);
