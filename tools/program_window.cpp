#include "program_window.h"

#include "edit/editing.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <vector>

namespace {

// The window pixel whose floor point lies nearest to room coordinate `room`.
int pixelFor(float room, float windowSize) {
  return static_cast<int>(
      std::lround((static_cast<double>(room) - ROOM_ORIGIN) * windowSize / ROOM_SIZE));
}

} // namespace

bool placeAsUser(const DemoPiece &piece) {
  onMenu(1 + piece.kind);
  const int x = pixelFor(piece.x, scene.windowWidth);
  const int y = pixelFor(piece.z, scene.windowHeight);
  if (x < 0 || x >= WINDOW_SIZE || y < 0 || y >= WINDOW_SIZE) {
    return false;
  }
  const int before = scene.lists[piece.kind].count;
  onMouse(GLUT_LEFT_BUTTON, GLUT_DOWN, x, y);
  onMouse(GLUT_LEFT_BUTTON, GLUT_UP, x, y);
  return scene.lists[piece.kind].count == before + 1;
}

Image readWindow(GLenum buffer) {
  Image image;
  image.width = glutGet(GLUT_WINDOW_WIDTH);
  image.height = glutGet(GLUT_WINDOW_HEIGHT);
  std::vector<unsigned char> bottomUp(static_cast<std::size_t>(image.width) * image.height * 3);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadBuffer(buffer);
  glReadPixels(0, 0, image.width, image.height, GL_RGB, GL_UNSIGNED_BYTE, bottomUp.data());
  const std::size_t row = static_cast<std::size_t>(image.width) * 3;
  image.pixels.resize(bottomUp.size());
  for (int y = 0; y < image.height; ++y) {
    const unsigned char *from = bottomUp.data() + (image.height - 1 - y) * row;
    std::copy(from, from + row, image.pixels.begin() + static_cast<std::ptrdiff_t>(y * row));
  }
  return image;
}
