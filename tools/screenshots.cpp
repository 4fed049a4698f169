// Renders the pictures of the README, a furnished demo room in the plan view and in the
// perspective view with a wardrobe door and drawers open, into the directory named by the first
// argument, and the program's icon, a wardrobe with its left door open seen by the perspective
// camera, at 48, 128 and 256 pixels square into the directory named by the second. All are PNG
// files. The 48 and 128 pixel icons also go, as the pixel table the program gives its window on
// X11, into the source file named by the third argument.
//
// Every piece is placed the way a user places it: the menu chooses its kind, then a left press
// and release at its pixel in the plan view of a 500 x 500 window. A piece the release step takes
// away again stops the tool, so the demo room holds only arrangements the program accepts.
#include "app/app_shell.h"
#include "edit/editing.h"
#include "models/furniture_models.h"
#include "scene/scene_state.h"
#include "view/views.h"

#include <GL/freeglut.h>
#include <png.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdio>
#include <iterator>
#include <string>
#include <vector>

namespace {

constexpr int WINDOW_SIZE = 500;

struct DemoPiece {
  FurnitureKind kind;
  float x; // wanted floor position of the piece's origin, room units
  float z;
};

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

// The icon: one wardrobe near the point the camera orbits, (20, 10, 20); the camera keys move
// the start-up camera three steps up (pitch 20), eleven steps to the right (yaw -25) and three
// steps closer (distance 45), so that the wardrobe is seen from the front-right and above with its
// left door swung 70 degrees open in front of the open compartment.
constexpr float ICON_WARDROBE_X = 15;
constexpr float ICON_WARDROBE_Z = 16.5f;
constexpr int ICON_PITCH_STEPS = 3;
constexpr int ICON_YAW_STEPS = 11;
constexpr int ICON_CLOSER_STEPS = 3;
constexpr float ICON_DOOR_ANGLE = 70;

void pumpEvents(int rounds) {
  for (int i = 0; i < rounds; ++i) {
    glutMainLoopEvent();
  }
}

// The window pixel whose floor point lies nearest to room coordinate `room`.
int pixelFor(float room, float windowSize) {
  return static_cast<int>(
      std::lround((static_cast<double>(room) - ROOM_ORIGIN) * windowSize / ROOM_SIZE));
}

// Places the piece through the menu and a press and release at its pixel. Returns false when the
// pixel lies outside the window or the release step took the piece away again.
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

// Pixels in rows top-down, 3 (RGB) or 4 (RGBA) bytes each.
struct Image {
  int width = 0;
  int height = 0;
  int channels = 3;
  std::vector<unsigned char> pixels;
};

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

// How many distinct colours the picture holds: a blank or single-colour read-back has one.
std::size_t distinctColours(const Image &image) {
  std::vector<bool> seen(1u << 24);
  std::size_t count = 0;
  const std::size_t step = static_cast<std::size_t>(image.channels);
  for (std::size_t i = 0; i + 2 < image.pixels.size(); i += step) {
    const unsigned key = image.pixels[i] << 16 | image.pixels[i + 1] << 8 | image.pixels[i + 2];
    if (!seen[key]) {
      seen[key] = true;
      ++count;
    }
  }
  return count;
}

bool writePng(const std::string &path, const Image &image) {
  FILE *file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) {
    std::perror(path.c_str());
    return false;
  }
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
  if (png == nullptr || info == nullptr) {
    png_destroy_write_struct(&png, &info);
    std::fclose(file);
    std::fprintf(stderr, "%s: libpng could not start\n", path.c_str());
    return false;
  }
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    std::fclose(file);
    std::fprintf(stderr, "%s: libpng failed while writing\n", path.c_str());
    return false;
  }
  png_init_io(png, file);
  png_set_IHDR(png, info, static_cast<png_uint_32>(image.width),
               static_cast<png_uint_32>(image.height), 8,
               image.channels == 4 ? PNG_COLOR_TYPE_RGBA : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  const std::size_t row = static_cast<std::size_t>(image.width) * image.channels;
  for (int y = 0; y < image.height; ++y) {
    png_write_row(png, image.pixels.data() + y * row);
  }
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return std::fclose(file) == 0;
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

// The icons the program gives its window, in the layout of X11's _NET_WM_ICON: for each icon
// its width and height, then its pixels row by row from the top, each as 0xAARRGGBB.
constexpr int windowIconSizes[] = {48, 128};

// Writes the icons' table as a C++ header. Returns false when the file cannot be written.
bool writeIconTable(const std::string &path, const std::vector<Image> &icons) {
  std::string text =
      "// Written by tools/screenshots.cpp (make screenshots) together with the icons\n"
      "// data/icons/room-planner-*.png: do not edit. The icons the program gives its\n"
      "// window on X11, each as its width, its height, then its pixels row by row\n"
      "// from the top as 0xAARRGGBB.\n"
      "#pragma once\n\n#include <cstdint>\n\n// clang-format off\n"
      "inline constexpr std::uint32_t windowIconData[] = {\n";
  char word[16];
  for (const Image &icon : icons) {
    std::snprintf(word, sizeof word, "    %d, %d,\n", icon.width, icon.height);
    text += word;
    const std::size_t count = static_cast<std::size_t>(icon.width) * icon.height;
    for (std::size_t i = 0; i < count; ++i) {
      const unsigned char *p = &icon.pixels[i * 4];
      const unsigned long argb = static_cast<unsigned long>(p[3]) << 24 |
                                 static_cast<unsigned long>(p[0]) << 16 |
                                 static_cast<unsigned long>(p[1]) << 8 | p[2];
      std::snprintf(word, sizeof word, "%s0x%08lx,", i % 8 == 0 ? "    " : " ", argb);
      text += word;
      if (i % 8 == 7 || i + 1 == count) {
        text += '\n';
      }
    }
  }
  text += "};\n// clang-format on\n";
  FILE *file = std::fopen(path.c_str(), "w");
  if (file == nullptr) {
    std::perror(path.c_str());
    return false;
  }
  const bool written = std::fputs(text.c_str(), file) >= 0;
  if (std::fclose(file) != 0 || !written) {
    std::fprintf(stderr, "%s: could not be written\n", path.c_str());
    return false;
  }
  std::printf("%s: the window's icons, %zu of them\n", path.c_str(), icons.size());
  return true;
}

} // namespace

int main(int argc, char **argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: %s PICTURE_DIRECTORY ICON_DIRECTORY ICON_TABLE_FILE\n",
                 argc > 0 ? argv[0] : "room-screenshots");
    return 2;
  }
  const std::string directory = argv[1];
  const std::string iconDirectory = argv[2];
  const std::string iconTable = argv[3];

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

  // The icon: a new room with one wardrobe placed as a user places it, the camera moved with the
  // keys, the door opened in the scene record and the wardrobe drawn alone, without the floor.
  resetScene();
  if (!placeAsUser({Wardrobe, ICON_WARDROBE_X, ICON_WARDROBE_Z})) {
    std::fprintf(stderr, "the icon's wardrobe was not placed\n");
    return 1;
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
  std::vector<Image> windowIcons;
  for (int size : {48, 128, 256}) {
    const std::string path = iconDirectory + "/room-planner-" + std::to_string(size) + ".png";
    const Image icon = squareIcon(wardrobe, size, 0.03);
    if (distinctColours(icon) < 2) {
      std::fprintf(stderr, "%s: the wardrobe drew nothing\n", path.c_str());
      return 1;
    }
    std::printf("%s: %d x %d\n", path.c_str(), size, size);
    if (!writePng(path, icon)) {
      return 1;
    }
    if (std::find(std::begin(windowIconSizes), std::end(windowIconSizes), size) !=
        std::end(windowIconSizes)) {
      windowIcons.push_back(icon);
    }
  }
  return writeIconTable(iconTable, windowIcons) ? 0 : 1;
}
