// Renders the pictures of the README, a furnished demo room in the plan view and in the
// perspective view with a wardrobe door and drawers open, into the directory named by the first
// argument, and the program's icon, a wardrobe with its left door open seen by the perspective
// camera, at each of its sizes into the directory named by the second (icons.cpp). All are PNG
// files.
//
// Every piece is placed the way a user places it: the menu chooses its kind, then a left press
// and release at its pixel in the plan view of a 500 x 500 window. A piece the release step takes
// away again stops the tool, so the demo room holds only arrangements the program accepts.
#include "icons.h"
#include "image.h"
#include "program_window.h"

#include "app/app_shell.h"
#include "edit/editing.h"
#include "view/views.h"

#include <GL/freeglut.h>

#include <cstddef>
#include <cstdio>

namespace {

// A bedroom-living room. The sofa stands against the left wall at the back, the bed's head
// against the same wall further forward with a bedside table on either side, the wardrobe
// against the back wall, two shelf units along the right wall, and the table in the middle with
// two chairs on its front side.
constexpr DemoPiece demoRoom[] = {
    {Sofa, -2, 18},
    {Bed, -1.25f, 26},
    {BedsideTable, -1.9f, 21.5f},
    {BedsideTable, -1.9f, 34.5f},
    {Wardrobe, 17, -2},
    {Shelf, 39.9f, 4},
    {Shelf, 39.9f, 13},
    {Table, 18, 20},
    {Chair, 19, 31.5f},
    {Chair, 25, 31.5f},
};

void pumpEvents(int rounds) {
  for (int i = 0; i < rounds; ++i) {
    glutMainLoopEvent();
  }
}

// Draws one frame through the display pass and saves what the window shows. The pass ends with
// the buffer swap. Mesa's software renderer on an X server swaps by copying the back buffer into
// the window and leaves the back buffer as it was, so after the swap the back buffer holds the
// frame the window shows (compared pixel for pixel with the window's contents), while reading
// the front buffer gives black. Other drivers may leave the back buffer undefined after a swap,
// so the front buffer is read whenever the back buffer holds no picture.
bool captureFrame(const std::string &path) {
  onDisplay();
  glFinish();
  const char *source = "back";
  Image image = readWindow(GL_BACK);
  if (distinctColours(image) < 2) {
    source = "front";
    image = readWindow(GL_FRONT);
  }
  const std::size_t colours = distinctColours(image);
  if (colours < 2) {
    std::fprintf(stderr, "%s: the window read back as one flat colour\n", path.c_str());
    return false;
  }
  std::printf("%s: %d x %d, %zu colours, read from the %s buffer\n", path.c_str(), image.width,
              image.height, colours, source);
  return writePng(path, image);
}

} // namespace

int main(int argc, char **argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s PICTURE_DIRECTORY ICON_DIRECTORY\n",
                 argc > 0 ? argv[0] : "room-screenshots");
    return 2;
  }
  const std::string directory = argv[1];
  const std::string iconDirectory = argv[2];

  startUp();
  pumpEvents(20);
  if (glutGet(GLUT_WINDOW_WIDTH) != WINDOW_SIZE || glutGet(GLUT_WINDOW_HEIGHT) != WINDOW_SIZE) {
    std::fprintf(stderr, "the window is %d x %d, not %d x %d\n", glutGet(GLUT_WINDOW_WIDTH),
                 glutGet(GLUT_WINDOW_HEIGHT), WINDOW_SIZE, WINDOW_SIZE);
    return 1;
  }

  for (const DemoPiece &piece : demoRoom) {
    if (!placeAsUser(piece)) {
      std::fprintf(
          stderr,
          "the piece of kind %d at (%g, %g) is off the window or was taken away on release\n",
          static_cast<int>(piece.kind), piece.x, piece.z);
      return 1;
    }
  }

  // The plan view as it is after the last placement.
  onMenu(1 + Chair);
  if (!captureFrame(directory + "/plan-view.png")) {
    return 1;
  }

  // "Visualizar", then the camera moved with the keys as a user would: five steps up (pitch 30),
  // two steps to the right (yaw 20) and one step back (distance 65), so that the whole floor and
  // the fronts of the wardrobe, shelf units and bedside tables face the viewer.
  onMenu(MENU_INSPECT);
  for (int i = 0; i < 5; ++i) {
    onSpecialKey(GLUT_KEY_UP, 0, 0);
  }
  for (int i = 0; i < 2; ++i) {
    onSpecialKey(GLUT_KEY_RIGHT, 0, 0);
  }
  onKeyboard('-', 0, 0);
  applyPerspectiveView();

  // The wardrobe's left door swung part way open, its upper drawer and the front bedside table's
  // upper drawer pulled out, as the idle steps after clicks on them would leave them on the way.
  scene.wardrobeAnim[0].leftDoorAngle.value = 55;
  scene.wardrobeAnim[0].upperDrawerOffset.value = 3.5f;
  scene.bedsideAnim[1].upperDrawerOffset.value = 2;
  if (!captureFrame(directory + "/perspective-view.png")) {
    return 1;
  }

  return writeIcons(iconDirectory) ? 0 : 1;
}
