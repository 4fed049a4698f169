// The program's icon: a wardrobe with its left door open, seen by the perspective camera, drawn
// alone on a transparent background and shrunk to each icon size.
#include "icons.h"
#include "image.h"
#include "program_window.h"

#include "edit/editing.h"
#include "models/furniture_models.h"
#include "view/views.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

// The sizes of the program's icons, which CMake names.
constexpr int iconSizes[] = {ROOMPLANNER_ICON_SIZES};

// One wardrobe near the point the camera orbits, (20, 10, 20); the camera keys move the start-up
// camera three steps up (pitch 20), eleven steps to the right (yaw -25) and three steps closer
// (distance 45), so that the wardrobe is seen from the front-right and above with its left door
// swung 70 degrees open in front of the open compartment.
constexpr float ICON_WARDROBE_X = 15;
constexpr float ICON_WARDROBE_Z = 16.5f;
constexpr int ICON_PITCH_STEPS = 3;
constexpr int ICON_YAW_STEPS = 11;
constexpr int ICON_CLOSER_STEPS = 3;
constexpr float ICON_DOOR_ANGLE = 70;
// The free space around the wardrobe on every edge, as a share of the icon's side.
constexpr double ICON_MARGIN = 0.03;

// Draws the wardrobe of list slot 1 alone under the current view and reads it back as RGBA: a
// pixel the wardrobe covers is opaque, every other one (its depth still the cleared far plane)
// fully transparent.
Image renderWardrobeAlone() {
  glClearColor(0, 0, 0, 0);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  const Placement &at = scene.lists[Wardrobe].slots[1];
  glPushMatrix();
  glTranslatef(at.x, 0, at.z);
  drawWardrobe(0);
  glPopMatrix();
  glFinish();

  Image rgb = readWindow(GL_BACK);
  std::vector<float> depth(static_cast<std::size_t>(rgb.width) * rgb.height);
  glReadPixels(0, 0, rgb.width, rgb.height, GL_DEPTH_COMPONENT, GL_FLOAT, depth.data());

  Image image;
  image.width = rgb.width;
  image.height = rgb.height;
  image.channels = 4;
  image.pixels.resize(depth.size() * 4);
  for (int y = 0; y < image.height; ++y) {
    for (int x = 0; x < image.width; ++x) {
      const std::size_t at4 = (static_cast<std::size_t>(y) * image.width + x) * 4;
      const std::size_t at3 = (static_cast<std::size_t>(y) * image.width + x) * 3;
      // The depth buffer's rows run bottom-up.
      const bool covered =
          depth[static_cast<std::size_t>(image.height - 1 - y) * image.width + x] < 1.0f;
      for (int c = 0; c < 3; ++c) {
        image.pixels[at4 + c] = covered ? rgb.pixels[at3 + c] : 0;
      }
      image.pixels[at4 + 3] = covered ? 255 : 0;
    }
  }
  return image;
}

// The smallest square around the opaque pixels, widened by `margin` of its side on every edge,
// scaled to `size` x `size` by a box filter: each output pixel is the coverage-weighted mean of
// the source pixels under it, colours weighted by their alpha so that transparent pixels lend
// the edges no colour. Parts of the square outside the image count as transparent.
Image squareIcon(const Image &image, int size, double margin) {
  int left = image.width, right = -1, top = image.height, bottom = -1;
  for (int y = 0; y < image.height; ++y) {
    for (int x = 0; x < image.width; ++x) {
      if (image.pixels[(static_cast<std::size_t>(y) * image.width + x) * 4 + 3] != 0) {
        left = std::min(left, x);
        right = std::max(right, x);
        top = std::min(top, y);
        bottom = std::max(bottom, y);
      }
    }
  }
  Image icon;
  icon.width = size;
  icon.height = size;
  icon.channels = 4;
  icon.pixels.assign(static_cast<std::size_t>(size) * size * 4, 0);
  if (right < left) {
    return icon;
  }
  const double extent = std::max(right - left + 1, bottom - top + 1);
  const double side = extent * (1 + 2 * margin);
  const double x0 = (left + right + 1) / 2.0 - side / 2;
  const double y0 = (top + bottom + 1) / 2.0 - side / 2;
  const double scale = side / size; // source pixels per icon pixel

  for (int oy = 0; oy < size; ++oy) {
    const double sy0 = y0 + oy * scale, sy1 = sy0 + scale;
    for (int ox = 0; ox < size; ++ox) {
      const double sx0 = x0 + ox * scale, sx1 = sx0 + scale;
      double sum[4] = {0, 0, 0, 0};
      for (int y = std::max(0, static_cast<int>(std::floor(sy0)));
           y < std::min(image.height, static_cast<int>(std::ceil(sy1))); ++y) {
        const double wy = std::min<double>(y + 1, sy1) - std::max<double>(y, sy0);
        for (int x = std::max(0, static_cast<int>(std::floor(sx0)));
             x < std::min(image.width, static_cast<int>(std::ceil(sx1))); ++x) {
          const double w = wy * (std::min<double>(x + 1, sx1) - std::max<double>(x, sx0));
          const unsigned char *p =
              &image.pixels[(static_cast<std::size_t>(y) * image.width + x) * 4];
          const double alpha = p[3] / 255.0;
          for (int c = 0; c < 3; ++c) {
            sum[c] += w * alpha * p[c];
          }
          sum[3] += w * alpha;
        }
      }
      unsigned char *out = &icon.pixels[(static_cast<std::size_t>(oy) * size + ox) * 4];
      const double area = scale * scale;
      if (sum[3] > 0) {
        for (int c = 0; c < 3; ++c) {
          out[c] = static_cast<unsigned char>(std::lround(std::min(255.0, sum[c] / sum[3])));
        }
      }
      out[3] = static_cast<unsigned char>(std::lround(std::min(255.0, 255 * sum[3] / area)));
    }
  }
  return icon;
}

} // namespace

bool writeIcons(const std::string &directory) {
  // A new room with one wardrobe placed as a user places it, the camera moved with the keys, the
  // door opened in the scene record and the wardrobe drawn alone, without the floor.
  resetScene();
  if (!placeAsUser({Wardrobe, ICON_WARDROBE_X, ICON_WARDROBE_Z})) {
    std::fprintf(stderr, "the icon's wardrobe was not placed\n");
    return false;
  }
  onMenu(MENU_INSPECT);
  for (int i = 0; i < ICON_PITCH_STEPS; ++i) {
    onSpecialKey(GLUT_KEY_UP, 0, 0);
  }
  for (int i = 0; i < ICON_YAW_STEPS; ++i) {
    onSpecialKey(GLUT_KEY_RIGHT, 0, 0);
  }
  for (int i = 0; i < ICON_CLOSER_STEPS; ++i) {
    onKeyboard('+', 0, 0);
  }
  applyPerspectiveView();
  scene.wardrobeAnim[0].leftDoorAngle.value = ICON_DOOR_ANGLE;
  const Image wardrobe = renderWardrobeAlone();
  for (int size : iconSizes) {
    const std::string path = directory + "/room-planner-" + std::to_string(size) + ".png";
    const Image icon = squareIcon(wardrobe, size, ICON_MARGIN);
    if (distinctColours(icon) < 2) {
      std::fprintf(stderr, "%s: the wardrobe drew nothing\n", path.c_str());
      return false;
    }
    std::printf("%s: %d x %d\n", path.c_str(), size, size);
    if (!writePng(path, icon)) {
      return false;
    }
  }
  return true;
}
