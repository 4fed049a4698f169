// The display pass, the menu and the camera keys, checked on a real 500 x 500 window.
//
// Frames are read with glReadPixels from the back buffer after the pass has swapped: Mesa's
// software rasteriser under Xvfb copies the back buffer to the window on a swap and leaves it in
// place, while reading GL_FRONT returns black there. WindowShowsTheFrameReadBack checks that what
// is read back is what the X server shows in the window.
#include "gl_harness.h"
#include "edit/editing.h"
#include "view/views.h"

#include <GL/glu.h>
#include <GL/glx.h>
#include <X11/Xutil.h>
#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

namespace {

constexpr int windowSize = 500;

struct Colour {
  double r, g, b;
};

// Palette entries, as RGB.
constexpr Colour floorColour{0.73, 0.94, 0.51};
constexpr Colour tableColour{0.85, 0.6, 0.25};
constexpr Colour chairColour{0.68, 0.4, 0.06};
constexpr Colour shelfColour{0.8, 0.8, 0.8};
constexpr Colour sofaColour{0.8, 0.3, 0.3};
constexpr Colour mattressColour{0.87, 1, 0.95};
constexpr Colour bedEndColour{0.78, 0.5, 0.16};
constexpr Colour headBlockColour{0.94, 0.97, 1};
constexpr Colour woodColour{0.78, 0.5, 0.16}; // wardrobe and bedside bodies

using Rgb = std::array<int, 3>;
using Vec3 = std::array<double, 3>;

// The window's pixels as glReadPixels returns them: RGB, rows from the bottom.
using Frame = std::vector<unsigned char>;

Frame readFrame() {
  Frame frame(windowSize * windowSize * 3);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadBuffer(GL_BACK);
  glReadPixels(0, 0, windowSize, windowSize, GL_RGB, GL_UNSIGNED_BYTE, frame.data());
  return frame;
}

// The pixel in column x and row y counted from the top.
Rgb pixelAt(const Frame &frame, int x, int yFromTop) {
  const unsigned char *p = &frame[((windowSize - 1 - yFromTop) * windowSize + x) * 3];
  return {p[0], p[1], p[2]};
}

// Eye-space direction of a model's +y axis under the current model-view matrix: the normal of
// every upward face.
Vec3 eyeUpNormal() {
  const auto m = readMatrix(GL_MODELVIEW_MATRIX);
  const double length = std::sqrt(m[4] * m[4] + m[5] * m[5] + m[6] * m[6]);
  return {m[4] / length, m[5] / length, m[6] / length};
}

// A face's colour on screen, 0..255: the global ambient 0.2 times the material plus the white
// diffuse of light 0, which shines from the eye-space direction (5, 5, 10).
Rgb litColour(const Colour &material, const Vec3 &normal) {
  const double lightLength = std::sqrt(150.0);
  const double diffuse =
      std::max(0.0, (5 * normal[0] + 5 * normal[1] + 10 * normal[2]) / lightLength);
  auto channel = [&](double m) {
    return static_cast<int>(std::lround(std::min(1.0, m * (0.2 + diffuse)) * 255));
  };
  return {channel(material.r), channel(material.g), channel(material.b)};
}

bool near(const Rgb &actual, const Rgb &expected, int tolerance = 2) {
  for (int c = 0; c < 3; ++c) {
    if (std::abs(actual[c] - expected[c]) > tolerance) {
      return false;
    }
  }
  return true;
}

std::string show(const Rgb &c) {
  return "(" + std::to_string(c[0]) + ", " + std::to_string(c[1]) + ", " + std::to_string(c[2]) +
         ")";
}

// Plan-view pixel of a room coordinate: the window spans the floor's -2..40 in x and z.
int planPixel(double room) {
  return static_cast<int>(std::floor((room + 2) * windowSize / 42));
}

void place(FurnitureKind kind, float x, float z) {
  FurnitureList &list = scene.lists[kind];
  list.slots[++list.count] = {x, z};
}

bool sameMatrix(const std::array<float, 16> &a, const std::array<float, 16> &b,
                float tolerance = 1e-5f) {
  for (int i = 0; i < 16; ++i) {
    if (std::fabs(a[i] - b[i]) > tolerance) {
      return false;
    }
  }
  return true;
}

// The plan projection: glOrtho(-2, 40, -2, 40, 2, 1000).
const std::array<float, 16> planProjection = {
    2.0f / 42, 0,           0, 0,           0,           2.0f / 42,      0, 0, 0,
    0,         -2.0f / 998, 0, -38.0f / 42, -38.0f / 42, -1002.0f / 998, 1};
// The plan eye: translate (0, 38, -42), then 90 degrees about x.
const std::array<float, 16> planCamera = {1, 0, 0, 0, 0, 0, 1, 0, 0, -1, 0, 0, 0, 38, -42, 1};
// The perspective projection of a square window: glFrustum(-1, 1, -1, 1, 2, 200).
const std::array<float, 16> perspectiveProjection = {
    2, 0, 0, 0, 0, 2, 0, 0, 0, 0, -202.0f / 198, -1, 0, 0, -800.0f / 198, 0};

// Loads recognisable matrices that no view function produces.
void loadSentinelMatrices() {
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glScalef(2, 3, 4);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glTranslatef(1, 2, 3);
}

// Eye-space position of a room point under the current model-view matrix.
Vec3 toEye(double x, double y, double z) {
  const auto m = readMatrix(GL_MODELVIEW_MATRIX);
  return {m[0] * x + m[4] * y + m[8] * z + m[12], m[1] * x + m[5] * y + m[9] * z + m[13],
          m[2] * x + m[6] * y + m[10] * z + m[14]};
}

// Whether the scene record is byte for byte as saved. It holds only ints and floats, so equal
// bytes mean equal fields.
bool sceneUnchanged(const SceneState &saved) {
  return std::memcmp(&saved, &scene, sizeof(SceneState)) == 0;
}

// Set while a call must not end the process. The exit paths end it with status 0, which a test
// runner would take for success, so an exit inside such a call is turned into status 1.
bool exitForbidden = false;

void failOnForbiddenExit() {
  if (exitForbidden) {
    std::fputs("the process ended inside a call that must not end it\n", stderr);
    std::_Exit(1);
  }
}

struct ExitForbidden {
  ExitForbidden() {
    static const bool registered = std::atexit(failOnForbiddenExit) == 0;
    EXPECT_TRUE(registered);
    exitForbidden = true;
  }
  ~ExitForbidden() {
    exitForbidden = false;
  }
};

class DisplayTest : public GlTest {};

// How many pixels of `frame` differ from what the X server holds for the current window.
int pixelsDifferingFromTheWindow(const Frame &frame) {
  XImage *image = XGetImage(glXGetCurrentDisplay(), glXGetCurrentDrawable(), 0, 0, windowSize,
                            windowSize, AllPlanes, ZPixmap);
  if (image == nullptr) {
    ADD_FAILURE() << "no image of the window";
    return -1;
  }
  auto channel = [](unsigned long value, unsigned long mask) {
    while (mask != 0 && (mask & 1) == 0) {
      mask >>= 1;
      value >>= 1;
    }
    return static_cast<int>(value & mask);
  };
  int differing = 0;
  for (int y = 0; y < windowSize; ++y) {
    for (int x = 0; x < windowSize; ++x) {
      const unsigned long value = XGetPixel(image, x, y);
      const Rgb shown = {channel(value, image->red_mask), channel(value, image->green_mask),
                         channel(value, image->blue_mask)};
      differing += shown != pixelAt(frame, x, y) ? 1 : 0;
    }
  }
  XDestroyImage(image);
  return differing;
}

TEST_F(DisplayTest, WindowShowsTheFrameReadBack) {
  // Windows of test processes running side by side open at the same place; this one moves to a
  // part of the screen where no other lies and is raised, so that the server has all its pixels.
  // A window of another process that still covers it for a moment is waited out by trying again.
  glutPositionWindow(760, 500);
  place(Table, 5, 5);
  place(Sofa, 20, 30);
  applyPlanView();
  Frame frame;
  int differing = -1;
  for (int attempt = 0; attempt < 3 && differing != 0; ++attempt) {
    glutPopWindow();
    pumpEvents(20);
    onDisplay();
    glFinish();
    frame = readFrame();
    differing = pixelsDifferingFromTheWindow(frame);
  }
  EXPECT_EQ(glutGet(GLUT_WINDOW_X), 760);
  EXPECT_EQ(glutGet(GLUT_WINDOW_Y), 500);
  glutPositionWindow(100, 100);
  pumpEvents(20);
  EXPECT_EQ(differing, 0);
  EXPECT_NE(pixelAt(frame, planPixel(11), planPixel(6)), pixelAt(frame, 0, 0))
      << "the frame shows the table on the floor";
}

TEST_F(DisplayTest, EmptyRoomShowsOnlyTheFloorFromAbove) {
  applyPlanView();
  onDisplay();
  const Rgb expected = litColour(floorColour, eyeUpNormal());
  const Frame frame = readFrame();
  int differing = 0;
  std::string first;
  for (int y = 0; y < windowSize; ++y) {
    for (int x = 0; x < windowSize; ++x) {
      if (!near(pixelAt(frame, x, y), expected)) {
        if (differing++ == 0) {
          first = std::to_string(x) + "," + std::to_string(y) + " " + show(pixelAt(frame, x, y));
        }
      }
    }
  }
  EXPECT_EQ(differing, 0) << "expected " << show(expected) << " everywhere; first: " << first;
}

TEST_F(DisplayTest, EmptyRoomInPerspectiveIsAFloorBandInTheLowerHalf) {
  applyPerspectiveView();
  onDisplay();
  const Frame frame = readFrame();

  GLdouble model[16], projection[16];
  GLint viewport[4];
  glGetDoublev(GL_MODELVIEW_MATRIX, model);
  glGetDoublev(GL_PROJECTION_MATRIX, projection);
  glGetIntegerv(GL_VIEWPORT, viewport);
  GLdouble winX = 0, winY = 0, winZ = 0;
  ASSERT_EQ(gluProject(20, 0, 20, model, projection, viewport, &winX, &winY, &winZ), GL_TRUE);
  const double fromTop = windowSize - winY;
  EXPECT_NEAR(winX, 250, 1);
  EXPECT_NEAR(fromTop, 332, 1);

  const Rgb floorLit = litColour(floorColour, eyeUpNormal());
  const Rgb centre = pixelAt(frame, static_cast<int>(winX), static_cast<int>(fromTop));
  EXPECT_TRUE(near(centre, floorLit)) << show(centre) << " vs " << show(floorLit);
  // The camera looks slightly down at the orbit centre, 10 above the floor, so the whole floor
  // lies below the window's middle row; its nearest corner stays above the bottom row.
  int lit = 0;
  for (int y = 0; y < windowSize; ++y) {
    for (int x = 0; x < windowSize; ++x) {
      if ((y < windowSize / 2 || y == windowSize - 1) && pixelAt(frame, x, y) != Rgb{0, 0, 0}) {
        ++lit;
      }
    }
  }
  EXPECT_EQ(lit, 0);
}

// Where each kind's footprint lies relative to its placement, and which material is on top 0.5
// inside each edge and at the centre, as seen from above.
struct FootprintCase {
  const char *name;
  FurnitureKind kind;
  float px, pz;
  float x0, x1, z0, z1;
  float alongX; // x offset at which the z0 and z1 edges are probed
  float alongZ; // z offset at which the x0 and x1 edges are probed
  Colour atX0, atX1, atZ0, atZ1, atCentre;
};

const FootprintCase footprintCases[] = {
    {"table", Table, 0, 0, 0, 12, 0, 7, 6, 3.5f, tableColour, tableColour, tableColour, tableColour,
     tableColour},
    {"chair", Chair, 20, 6, 0, 4, -4, 0, 2, -2, chairColour, chairColour, chairColour, chairColour,
     chairColour},
    {"shelf", Shelf, 34, 0, -4, 0, -0.1f, 8, -2, 4, shelfColour, shelfColour, shelfColour,
     shelfColour, shelfColour},
    {"sofa", Sofa, 0, 35, 0, 9, -20, 0, 4.5f, -10, sofaColour, sofaColour, sofaColour, sofaColour,
     sofaColour},
    {"bed", Bed, 20, 30, -0.75f, 14.75f, 0, 8, 1.5f, 4, bedEndColour, bedEndColour, headBlockColour,
     headBlockColour, mattressColour},
    // Closed doors and knobs stand out to z 7.25 and 7.5 in front; the far edge is probed at
    // x 2.5, where only the door (to 7.25) lies in front of the body.
    {"wardrobe", Wardrobe, 15, 12, -0.1f, 10, 0, 7, 2.5f, 3.5f, woodColour, woodColour, woodColour,
     woodColour, woodColour},
    // The knobs stand out to z 3.5 at x 1.6 .. 3.6; the far edge is probed at x 1.
    {"bedside table", BedsideTable, 30, 14, -0.1f, 5, 0, 3, 1, 1.5f, woodColour, woodColour,
     woodColour, woodColour, woodColour},
};

TEST_F(DisplayTest, PiecesCoverTheirFootprintInThePlan) {
  for (const FootprintCase &c : footprintCases) {
    place(c.kind, c.px, c.pz);
  }
  applyPlanView();
  const Vec3 up = eyeUpNormal();
  onDisplay();
  const Frame frame = readFrame();
  const Rgb floorLit = litColour(floorColour, up);

  for (const FootprintCase &c : footprintCases) {
    SCOPED_TRACE(c.name);
    struct Probe {
      const char *where;
      double x, z;
      Colour inside;
      double outX, outZ;
    };
    const double midX = c.px + c.alongX, midZ = c.pz + c.alongZ;
    const Probe probes[] = {
        {"x0 edge", c.px + c.x0 + 0.5, midZ, c.atX0, c.px + c.x0 - 0.5, midZ},
        {"x1 edge", c.px + c.x1 - 0.5, midZ, c.atX1, c.px + c.x1 + 0.5, midZ},
        {"z0 edge", midX, c.pz + c.z0 + 0.5, c.atZ0, midX, c.pz + c.z0 - 0.5},
        {"z1 edge", midX, c.pz + c.z1 - 0.5, c.atZ1, midX, c.pz + c.z1 + 0.5},
    };
    for (const Probe &p : probes) {
      const Rgb in = pixelAt(frame, planPixel(p.x), planPixel(p.z));
      const Rgb out = pixelAt(frame, planPixel(p.outX), planPixel(p.outZ));
      EXPECT_TRUE(near(in, litColour(p.inside, up)))
          << p.where << " inside: " << show(in) << " vs " << show(litColour(p.inside, up));
      EXPECT_TRUE(near(out, floorLit)) << p.where << " outside: " << show(out);
    }
    const Rgb centre =
        pixelAt(frame, planPixel(c.px + (c.x0 + c.x1) / 2), planPixel(c.pz + (c.z0 + c.z1) / 2));
    EXPECT_TRUE(near(centre, litColour(c.atCentre, up))) << "centre: " << show(centre);
  }
}

// Every kind, with two tables, wardrobes, bedside tables and beds; the two wardrobes and the two
// bedside tables show their slot order in the names they load.
void furnishRoom() {
  place(Table, 0, 0);
  place(Table, 0, 10);
  place(Wardrobe, 15, 0);
  place(Wardrobe, 15, 10);
  place(Chair, 30, 5);
  place(BedsideTable, 30, 10);
  place(BedsideTable, 35, 10);
  place(Shelf, 5, 25);
  place(Sofa, 10, 38);
  place(Bed, 20, 20);
  place(Bed, 20, 30);
}

TEST_F(DisplayTest, SelectionRecordsFollowTheDrawingOrder) {
  furnishRoom();
  applyPlanView();
  GLuint buffer[1024];
  glSelectBuffer(1024, buffer);
  glRenderMode(GL_SELECT);
  glInitNames();
  glPushName(~0u);
  onDisplay();
  const GLint hits = glRenderMode(GL_RENDER);

  // Each record's name and the height of the highest face drawn under it; from the plan eye at
  // y = 42, the nearest depth of a record is that height.
  struct Record {
    GLuint name;
    double top;
  };
  const Record expected[] = {
      {~0u, -0.01},             // floor, under the name pushed before the pass
      {200, 8.7},   {200, 8.7}, // tables
      {0, 25.1},    {103, 8},    {104, 4},   {101, 24.75}, {102, 24.75}, // wardrobe 0
      {1, 25.1},    {103, 8},    {104, 4},   {101, 24.75}, {102, 24.75}, // wardrobe 1
      {200, 13},                                                         // chair
      {0, 6.1},     {105, 5.96}, {106, 2.8},                             // bedside table 0
      {1, 6.1},     {105, 5.96}, {106, 2.8},                             // bedside table 1
      {200, 20.1},                                                       // shelf unit
      {200, 12},                                                         // sofa
      {200, 8},     {200, 8},                                            // beds
  };
  const int expectedCount = static_cast<int>(std::size(expected));
  ASSERT_EQ(hits, expectedCount);
  int at = 0;
  for (int r = 0; r < hits; ++r) {
    SCOPED_TRACE("record " + std::to_string(r));
    ASSERT_EQ(buffer[at], 1u) << "one name per record";
    const double minDepth = buffer[at + 1] / 4294967295.0;
    EXPECT_EQ(buffer[at + 3], expected[r].name);
    EXPECT_NEAR(40 - 998 * minDepth, expected[r].top, 0.01);
    at += 4;
  }
}

TEST_F(DisplayTest, PiecesAreDrawnKindByKindInSlotOrder) {
  // Two of every kind, each footprint in its own 30 x 30 cell; captured polygons are in room
  // coordinates, so each one is attributed to the footprint its centre lies in.
  struct Footprint {
    FurnitureKind kind;
    double x0, x1, z0, z1;
  };
  const Footprint footprints[] = {
      {Table, 0, 12, 0, 7},      {Wardrobe, -0.1, 10, 0, 7.5},
      {Chair, 0, 4, -4, 0},      {BedsideTable, -0.1, 5, 0, 3.5},
      {Shelf, -4, 0, -0.1, 8},   {Sofa, 0, 9, -20, 0},
      {Bed, -0.75, 14.75, 0, 8},
  };
  struct Piece {
    double x0, x1, z0, z1;
  };
  std::vector<Piece> pieces; // in drawing order
  int cell = 0;
  for (const Footprint &f : footprints) {
    for (int slot = 1; slot <= 2; ++slot, ++cell) {
      // Slot 2 goes into the earlier cell, so that drawing order differs from cell order.
      const int at = slot == 1 ? cell + 1 : cell - 1;
      const double cornerX = -55 + 30 * (at % 4), cornerZ = -55 + 30 * (at / 4);
      const auto px = static_cast<float>(cornerX - f.x0), pz = static_cast<float>(cornerZ - f.z0);
      scene.lists[f.kind].count = 2;
      scene.lists[f.kind].slots[slot] = {px, pz};
      pieces.push_back({px + f.x0, px + f.x1, pz + f.z0, pz + f.z1});
    }
  }
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glDisable(GL_CULL_FACE);
  const auto polygons = captureFeedback(onDisplay, 64);
  glEnable(GL_CULL_FACE);

  // Label every polygon: 0 the floor, k + 1 piece k, -1 nothing.
  std::vector<int> runs;
  for (const CapturedPolygon &polygon : polygons) {
    double cx = 0, cz = 0, maxY = -1e9;
    for (const CapturedVertex &v : polygon) {
      cx += v.x / polygon.size();
      cz += v.z / polygon.size();
      maxY = std::max(maxY, static_cast<double>(v.y));
    }
    int label = -1;
    if (maxY < -0.005) {
      label = 0;
    } else {
      for (std::size_t k = 0; k < pieces.size(); ++k) {
        const Piece &p = pieces[k];
        if (cx >= p.x0 - 0.01 && cx <= p.x1 + 0.01 && cz >= p.z0 - 0.01 && cz <= p.z1 + 0.01) {
          label = static_cast<int>(k) + 1;
        }
      }
    }
    if (runs.empty() || runs.back() != label) {
      runs.push_back(label);
    }
  }
  std::vector<int> expected(pieces.size() + 1);
  for (std::size_t k = 0; k < expected.size(); ++k) {
    expected[k] = static_cast<int>(k);
  }
  EXPECT_EQ(runs, expected);
}

// The animated value a part code moves in entry `index`.
AnimatedValue &partOf(SceneState &state, int code, int index) {
  WardrobeAnim &w = state.wardrobeAnim[index];
  BedsideAnim &b = state.bedsideAnim[index];
  switch (code) {
  case 101:
    return w.leftDoorAngle;
  case 102:
    return w.rightDoorAngle;
  case 103:
    return w.upperDrawerOffset;
  case 104:
    return w.lowerDrawerOffset;
  case 105:
    return b.upperDrawerOffset;
  default:
    return b.lowerDrawerOffset;
  }
}

struct ToggleCase {
  const char *name;
  int wardrobes, bedsides;
  int pending, picked;
  int startOpening, startClosing; // flags of the picked part before the first pass
  int passes;                     // each pass is preceded by storing `pending` again
  bool flips;                     // whether the picked part's flags change
  int opening, closing;           // its flags afterwards
  int pendingAfter;
};

const ToggleCase toggleCases[] = {
    {"upper wardrobe drawer of the third wardrobe", 3, 0, 103, 2, 0, 0, 1, true, 1, 0, 200},
    {"left door", 3, 0, 101, 0, 0, 0, 1, true, 1, 0, 200},
    {"right door", 3, 0, 102, 1, 0, 0, 1, true, 1, 0, 200},
    {"lower wardrobe drawer", 3, 0, 104, 2, 0, 0, 1, true, 1, 0, 200},
    {"upper bedside drawer", 0, 2, 105, 1, 0, 0, 1, true, 1, 0, 200},
    {"bedside code passes the wardrobe loop", 3, 2, 106, 0, 0, 0, 1, true, 1, 0, 200},
    {"opening part reverses", 3, 0, 101, 1, 1, 0, 1, true, 0, 1, 200},
    {"closing part reopens", 3, 0, 104, 1, 0, 1, 1, true, 1, 0, 200},
    {"two picks before an idle call", 3, 0, 102, 2, 0, 0, 2, true, 0, 1, 200},
    {"two bedside picks before an idle call", 1, 1, 105, 0, 0, 0, 2, true, 0, 1, 200},
    {"entry of the picked index, not of the piece drawn", 3, 0, 103, 10, 0, 0, 1, true, 1, 0, 200},
    {"last entry", 1, 0, 101, 49, 0, 0, 1, true, 1, 0, 200},
    {"bedside code without bedside tables", 3, 0, 105, 0, 0, 0, 1, false, 0, 0, 105},
    {"wardrobe code without wardrobes", 0, 2, 103, 1, 0, 0, 1, false, 0, 0, 103},
    {"part code in an empty room", 0, 0, 106, 0, 0, 0, 1, false, 0, 0, 106},
    // A picked index naming no animation entry flips nothing; the code is still consumed.
    {"picked index -1", 3, 2, 103, -1, 0, 0, 1, false, 0, 0, 200},
    {"picked index 50", 3, 2, 101, 50, 0, 0, 1, false, 0, 0, 200},
    {"picked index INT_MIN", 3, 2, 104, INT_MIN, 0, 0, 1, false, 0, 0, 200},
    {"picked index INT_MAX", 3, 2, 102, INT_MAX, 0, 0, 1, false, 0, 0, 200},
    {"bedside picked index -1", 3, 2, 105, -1, 0, 0, 1, false, 0, 0, 200},
    {"bedside picked index 50", 3, 2, 106, 50, 0, 0, 1, false, 0, 0, 200},
    {"nothing pending", 3, 2, 0, 0, 0, 0, 1, false, 0, 0, 0},
    {"already done", 3, 2, 200, 0, 0, 0, 1, false, 0, 0, 200},
    {"negative name", 3, 2, -1, 0, 0, 0, 1, false, 0, 0, -1},
    {"piece index", 3, 2, 7, 0, 0, 0, 1, false, 0, 0, 7},
    {"below the part codes", 3, 2, 100, 0, 0, 0, 1, false, 0, 0, 100},
    {"above the part codes", 3, 2, 107, 0, 0, 0, 1, false, 0, 0, 107},
};

TEST_F(DisplayTest, PendingPartCodeFlipsTheFlagsOfThePickedPart) {
  applyPlanView();
  for (const ToggleCase &c : toggleCases) {
    SCOPED_TRACE(c.name);
    resetScene();
    for (int i = 0; i < c.wardrobes; ++i) {
      place(Wardrobe, 4.0f * i, 0);
    }
    for (int i = 0; i < c.bedsides; ++i) {
      place(BedsideTable, 4.0f * i, 20);
    }
    // Other entries carry flags of their own, which must survive.
    scene.wardrobeAnim[0].upperDrawerOffset.opening = 1;
    scene.wardrobeAnim[1].leftDoorAngle.closing = 1;
    scene.bedsideAnim[0].lowerDrawerOffset.opening = 1;
    const bool pickedPart = c.pending >= 101 && c.pending <= 106 && c.picked >= 0 && c.picked < 50;
    if (pickedPart) {
      partOf(scene, c.pending, c.picked).opening = c.startOpening;
      partOf(scene, c.pending, c.picked).closing = c.startClosing;
    }
    SceneState expected = scene;
    expected.pickedIndex = c.picked;
    for (int pass = 0; pass < c.passes; ++pass) {
      scene.pendingAction = c.pending;
      scene.pickedIndex = c.picked;
      onDisplay();
    }
    if (c.flips) {
      ASSERT_TRUE(pickedPart);
      partOf(expected, c.pending, c.picked).opening = c.opening;
      partOf(expected, c.pending, c.picked).closing = c.closing;
    }
    expected.pendingAction = c.pendingAfter;
    EXPECT_EQ(scene.pendingAction, c.pendingAfter);
    EXPECT_TRUE(sceneUnchanged(expected)) << "only the picked part's flags and the pending code";
  }
}

TEST_F(DisplayTest, PassLeavesTheMatricesAndRedrawsIdentically) {
  furnishRoom();
  for (const int plan : {1, 0}) {
    SCOPED_TRACE(plan ? "plan view" : "perspective view");
    scene.planView = plan;
    applyCurrentView();
    const auto modelView = readMatrix(GL_MODELVIEW_MATRIX);
    const auto projection = readMatrix(GL_PROJECTION_MATRIX);
    GLint depth = 0;
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depth);

    onDisplay();
    const Frame first = readFrame();
    onDisplay();
    const Frame second = readFrame();

    GLint depthAfter = 0, mode = 0;
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depthAfter);
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    EXPECT_EQ(readMatrix(GL_MODELVIEW_MATRIX), modelView);
    EXPECT_EQ(readMatrix(GL_PROJECTION_MATRIX), projection);
    EXPECT_EQ(depthAfter, depth);
    EXPECT_EQ(mode, GL_MODELVIEW);
    EXPECT_TRUE(first == second) << "two passes without a change draw the same frame";
  }
}

// Mode fields a menu choice may change, in a few starting states.
struct MenuStart {
  const char *name;
  int planView, inspectMode;
  int activeKind; // -1 for none
};

const MenuStart menuStarts[] = {
    {"at start-up", 0, 0, -1},
    {"placing sofas", 1, 0, Sofa},
    {"inspecting after placing beds", 0, 1, Bed},
};

TEST_F(DisplayTest, MenuChoicesSetModeKindAndView) {
  struct Choice {
    int value;
    int kind; // the kind made active, -1 for "Visualizar"
  };
  const Choice choices[] = {{0, -1},           {1, Table}, {2, Chair}, {3, Wardrobe},
                            {4, BedsideTable}, {5, Shelf}, {6, Sofa},  {7, Bed}};
  for (const MenuStart &start : menuStarts) {
    for (const Choice &choice : choices) {
      SCOPED_TRACE(std::string(start.name) + ", menu value " + std::to_string(choice.value));
      resetScene();
      scene.planView = start.planView;
      scene.inspectMode = start.inspectMode;
      if (start.activeKind >= 0) {
        scene.activeKind[start.activeKind] = 1;
      }
      scene.dragging = 1;
      place(Table, 3, 4);
      scene.wardrobeAnim[0].leftDoorAngle = {12, 1, 0};
      SceneState expected = scene;
      const bool inspect = choice.kind < 0;
      expected.planView = inspect ? 0 : 1;
      expected.inspectMode = inspect ? 1 : 0;
      if (!inspect) {
        for (int k = 0; k < KIND_COUNT; ++k) {
          expected.activeKind[k] = k == choice.kind ? 1 : 0;
        }
      }
      loadSentinelMatrices();
      const unsigned long requests = redisplayRequestCount;

      {
        const ExitForbidden noExit;
        onMenu(choice.value);
      }

      EXPECT_TRUE(sceneUnchanged(expected))
          << "planView " << scene.planView << ", inspectMode " << scene.inspectMode;
      EXPECT_EQ(redisplayRequestCount, requests);
      GLint mode = 0;
      glGetIntegerv(GL_MATRIX_MODE, &mode);
      EXPECT_EQ(mode, GL_MODELVIEW);
      if (inspect) {
        EXPECT_TRUE(sameMatrix(readMatrix(GL_PROJECTION_MATRIX), perspectiveProjection));
        const Vec3 centre = toEye(20, 10, 20);
        EXPECT_NEAR(centre[0], 0, 1e-4);
        EXPECT_NEAR(centre[1], 0, 1e-4);
        EXPECT_NEAR(centre[2], -60, 1e-4);
      } else {
        EXPECT_TRUE(sameMatrix(readMatrix(GL_PROJECTION_MATRIX), planProjection));
        EXPECT_TRUE(sameMatrix(readMatrix(GL_MODELVIEW_MATRIX), planCamera));
      }
    }
  }
}

TEST_F(DisplayTest, MenuValuesOutsideTheMenuDoNothing) {
  for (const MenuStart &start : menuStarts) {
    for (const int value : {-1, 9, 100, INT_MIN, INT_MAX}) {
      SCOPED_TRACE(std::string(start.name) + ", menu value " + std::to_string(value));
      resetScene();
      scene.planView = start.planView;
      scene.inspectMode = start.inspectMode;
      if (start.activeKind >= 0) {
        scene.activeKind[start.activeKind] = 1;
      }
      const SceneState saved = scene;
      loadSentinelMatrices();
      const auto modelView = readMatrix(GL_MODELVIEW_MATRIX);
      const auto projection = readMatrix(GL_PROJECTION_MATRIX);
      const unsigned long requests = redisplayRequestCount;

      {
        const ExitForbidden noExit;
        onMenu(value);
      }

      EXPECT_TRUE(sceneUnchanged(saved));
      EXPECT_EQ(readMatrix(GL_MODELVIEW_MATRIX), modelView);
      EXPECT_EQ(readMatrix(GL_PROJECTION_MATRIX), projection);
      EXPECT_EQ(redisplayRequestCount, requests);
    }
  }
}

TEST_F(DisplayTest, MenuHoldsTheNineEntriesInOrder) {
  // GLUT offers no way to read a label back; what it does report is the menu's entry count.
  // The labels are the ones createMenu registers, one per value in this order.
  const char *const labels[] = {"Visualizar",   "  Mesa", "  Silla", "  Armario", "  Mesilla",
                                "  Estanteria", "  Sofa", "  Cama",  "Salir"};
  ASSERT_EQ(std::size(menuLabels), std::size(labels));
  for (std::size_t i = 0; i < std::size(labels); ++i) {
    EXPECT_STREQ(menuLabels[i], labels[i]) << "value " << i;
  }

  const int startUpMenu = glutGetMenu();
  EXPECT_NE(startUpMenu, 0) << "start-up left its menu current";
  createMenu();
  EXPECT_NE(scene.menuId, 0);
  EXPECT_EQ(glutGetMenu(), scene.menuId);
  EXPECT_EQ(glutGet(GLUT_MENU_NUM_ITEMS), 9);
  glutDestroyMenu(scene.menuId);
  glutSetMenu(startUpMenu);
  glutAttachMenu(GLUT_RIGHT_BUTTON);
}

using DisplayDeathTest = DisplayTest;

TEST_F(DisplayDeathTest, SalirAndEscapeEndTheProgramWithStatusZero) {
  for (const int plan : {1, 0}) {
    SCOPED_TRACE(plan ? "plan view" : "perspective view");
    scene.planView = plan;
    applyCurrentView();
    EXPECT_EXIT(onMenu(8), ::testing::ExitedWithCode(0), "");
    EXPECT_EXIT(onKeyboard(27, 0, 0), ::testing::ExitedWithCode(0), "");
  }
}

struct KeyCase {
  const char *name;
  bool special;
  int key;
  float SceneState::*field;
  float start;
  double step;
};

const KeyCase keyCases[] = {
    {"'+' moves closer", false, '+', &SceneState::cameraDistance, 60, -5},
    {"'+' passes the orbit centre", false, '+', &SceneState::cameraDistance, 3, -5},
    {"'+' from a fraction", false, '+', &SceneState::cameraDistance, 0.1f, -5},
    {"'-' moves away", false, '-', &SceneState::cameraDistance, 60, 5},
    {"'-' from a fraction", false, '-', &SceneState::cameraDistance, 60.3f, 5},
    {"'Z' rolls negative", false, 'Z', &SceneState::cameraRoll, 0, -5},
    {"'Z' does not wrap", false, 'Z', &SceneState::cameraRoll, -358, -5},
    {"'z' rolls positive", false, 'z', &SceneState::cameraRoll, 0, 5},
    {"'z' does not wrap", false, 'z', &SceneState::cameraRoll, 358.7f, 5},
    {"left turns positive", true, GLUT_KEY_LEFT, &SceneState::cameraYaw, 30, 5},
    {"left does not wrap", true, GLUT_KEY_LEFT, &SceneState::cameraYaw, 358, 5},
    {"right turns negative", true, GLUT_KEY_RIGHT, &SceneState::cameraYaw, 0.1f, -5},
    {"up tilts positive", true, GLUT_KEY_UP, &SceneState::cameraPitch, 5, 5},
    {"up is not clamped", true, GLUT_KEY_UP, &SceneState::cameraPitch, 88.9f, 5},
    {"down tilts negative", true, GLUT_KEY_DOWN, &SceneState::cameraPitch, 5, -5},
    {"down is not clamped", true, GLUT_KEY_DOWN, &SceneState::cameraPitch, -89, -5},
};

TEST_F(DisplayTest, CameraKeysStepOneFieldAndRequestARedisplay) {
  for (const int plan : {0, 1}) {
    for (const KeyCase &c : keyCases) {
      SCOPED_TRACE(std::string(c.name) + (plan ? " in the plan view" : " in perspective"));
      resetScene();
      scene.planView = plan;
      scene.*c.field = c.start;
      SceneState expected = scene;
      expected.*c.field = static_cast<float>(static_cast<double>(c.start) + c.step);
      loadSentinelMatrices();
      const auto sentinelModelView = readMatrix(GL_MODELVIEW_MATRIX);
      const auto sentinelProjection = readMatrix(GL_PROJECTION_MATRIX);
      const unsigned long requests = redisplayRequestCount;

      {
        const ExitForbidden noExit;
        if (c.special) {
          onSpecialKey(c.key, 7, 9);
        } else {
          onKeyboard(static_cast<unsigned char>(c.key), 7, 9);
        }
      }

      EXPECT_EQ(scene.*c.field, expected.*c.field);
      EXPECT_TRUE(sceneUnchanged(expected));
      EXPECT_EQ(redisplayRequestCount, requests + 1);
      GLint mode = 0;
      glGetIntegerv(GL_MATRIX_MODE, &mode);
      EXPECT_EQ(mode, GL_MODELVIEW);
      if (c.special) {
        // Arrows leave the view to the idle callback.
        EXPECT_EQ(readMatrix(GL_MODELVIEW_MATRIX), sentinelModelView);
        EXPECT_EQ(readMatrix(GL_PROJECTION_MATRIX), sentinelProjection);
      } else if (plan) {
        EXPECT_TRUE(sameMatrix(readMatrix(GL_PROJECTION_MATRIX), planProjection));
        EXPECT_TRUE(sameMatrix(readMatrix(GL_MODELVIEW_MATRIX), planCamera));
      } else {
        // The camera re-applied with the new values: the orbit centre straight ahead at the
        // new distance.
        EXPECT_TRUE(sameMatrix(readMatrix(GL_PROJECTION_MATRIX), perspectiveProjection));
        const Vec3 centre = toEye(20, 10, 20);
        EXPECT_NEAR(centre[0], 0, 1e-3);
        EXPECT_NEAR(centre[1], 0, 1e-3);
        EXPECT_NEAR(centre[2], -scene.cameraDistance, 1e-3);
      }
    }
  }
}

TEST_F(DisplayTest, OtherKeysChangeNothing) {
  auto expectIgnored = [](const std::string &what, const std::function<void()> &press) {
    SCOPED_TRACE(what);
    resetScene();
    scene.cameraYaw = 12.5f;
    const SceneState saved = scene;
    loadSentinelMatrices();
    const auto modelView = readMatrix(GL_MODELVIEW_MATRIX);
    const auto projection = readMatrix(GL_PROJECTION_MATRIX);
    const unsigned long requests = redisplayRequestCount;
    {
      const ExitForbidden noExit;
      press();
    }
    EXPECT_TRUE(sceneUnchanged(saved));
    EXPECT_EQ(redisplayRequestCount, requests);
    EXPECT_EQ(readMatrix(GL_MODELVIEW_MATRIX), modelView);
    EXPECT_EQ(readMatrix(GL_PROJECTION_MATRIX), projection);
  };
  for (int key = 0; key < 256; ++key) {
    if (key == 27 || key == '+' || key == '-' || key == 'Z' || key == 'z') {
      continue;
    }
    expectIgnored("character " + std::to_string(key),
                  [key] { onKeyboard(static_cast<unsigned char>(key), 1, 1); });
  }
  std::vector<int> specials = {INT_MIN, -1, INT_MAX};
  for (int key = 0; key < 300; ++key) {
    if (key < GLUT_KEY_LEFT || key > GLUT_KEY_DOWN) {
      specials.push_back(key);
    }
  }
  for (const int key : specials) {
    expectIgnored("special key " + std::to_string(key), [key] { onSpecialKey(key, 1, 1); });
  }
}

TEST_F(DisplayTest, CameraKeysShowOnlyInPerspective) {
  furnishRoom();
  for (const int plan : {1, 0}) {
    SCOPED_TRACE(plan ? "plan view" : "perspective view");
    scene.planView = plan;
    scene.cameraDistance = 60;
    applyCurrentView();
    onDisplay();
    const Frame before = readFrame();
    onKeyboard('+', 0, 0);
    onDisplay();
    const Frame after = readFrame();
    EXPECT_FLOAT_EQ(scene.cameraDistance, 55);
    EXPECT_EQ(before == after, plan == 1);
  }
}

} // namespace
