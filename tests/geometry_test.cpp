// Geometry of the furniture: what the box and open-frame primitives, the drawers and the seven
// models really send to OpenGL (captured in feedback and selection mode), checked against the
// dimensions, colours and pick names every piece is meant to have.
#include "gl_harness.h"
#include "models/furniture_models.h"

#include <GL/glu.h>
#include <algorithm>
#include <cmath>
#include <set>
#include <string>
#include <vector>

namespace {

constexpr float kTol = 1e-4f;
constexpr double kPi = 3.14159265358979323846;

// The colours the pieces should show, written out here rather than taken from the program's
// palette: these tests are where its values are checked.
struct Rgba {
  float r, g, b, a;
};
constexpr Rgba kTableColour{0.85f, 0.6f, 0.25f, 1};
constexpr Rgba kChairColour{0.68f, 0.4f, 0.06f, 1};
constexpr Rgba kShelfColour{0.8f, 0.8f, 0.8f, 1};
constexpr Rgba kSofaColour{0.8f, 0.3f, 0.3f, 1};
constexpr Rgba kBedHeadBlock{0.94f, 0.97f, 1, 1};
constexpr Rgba kBedMattress{0.87f, 1, 0.95f, 1};
// Bed head/footboards, bedside-table body and wardrobe body share this wood colour.
constexpr Rgba kWood{0.78f, 0.5f, 0.16f, 1};
// Drawer trays and wardrobe doors.
constexpr Rgba kDarkWood{0.5f, 0.4f, 0.15f, 1};
// Drawer knobs and door handles.
constexpr Rgba kKnob{0.25f, 0.2f, 0.07f, 1};
// A colour no piece uses, current before a model is drawn.
constexpr Rgba kForeign{0.1f, 0.2f, 0.3f, 0.4f};

constexpr int kTrianglesPerBox = 12;

// Which drawer opening an element slides out with.
enum Slide { Fixed, WithUpper, WithLower };

// One solid part of a piece: the boxes it is drawn with (counted in drawing order from the
// piece's first box), the region they cover and the colour they show.
struct Element {
  const char *element;
  int firstBox;
  int boxes;
  float x0, x1, y0, y1, z0, z1;
  Rgba colour;
  Slide slide;
};

struct Bounds {
  float x0 = 1e9f, x1 = -1e9f, y0 = 1e9f, y1 = -1e9f, z0 = 1e9f, z1 = -1e9f;
  void add(const CapturedVertex &v) {
    x0 = std::fmin(x0, v.x), x1 = std::fmax(x1, v.x);
    y0 = std::fmin(y0, v.y), y1 = std::fmax(y1, v.y);
    z0 = std::fmin(z0, v.z), z1 = std::fmax(z1, v.z);
  }
};

void setMaterial(const Rgba &c) {
  const GLfloat rgba[4] = {c.r, c.g, c.b, c.a};
  glMaterialfv(GL_FRONT, GL_AMBIENT_AND_DIFFUSE, rgba);
}

void expectMaterial(GLenum which, const Rgba &c) {
  GLfloat got[4];
  glGetMaterialfv(GL_FRONT, which, got);
  const float want[4] = {c.r, c.g, c.b, c.a};
  for (int i = 0; i < 4; ++i) {
    EXPECT_FLOAT_EQ(got[i], want[i]) << "channel " << i;
  }
}

// Applies `visit` to every vertex of boxes firstBox .. firstBox + boxes - 1.
void forEachVertex(const std::vector<CapturedPolygon> &polys, int firstBox, int boxes,
                   const std::function<void(const CapturedVertex &)> &visit) {
  for (int t = firstBox * kTrianglesPerBox; t < (firstBox + boxes) * kTrianglesPerBox; ++t) {
    for (const CapturedVertex &v : polys.at(t)) {
      visit(v);
    }
  }
}

Bounds boundsOf(const std::vector<CapturedPolygon> &polys, int firstBox, int boxes) {
  Bounds b;
  forEachVertex(polys, firstBox, boxes, [&b](const CapturedVertex &v) { b.add(v); });
  return b;
}

// Number of vertices of the given boxes whose colour differs from `c`.
int wrongColours(const std::vector<CapturedPolygon> &polys, int firstBox, int boxes,
                 const Rgba &c) {
  int wrong = 0;
  forEachVertex(polys, firstBox, boxes, [&](const CapturedVertex &v) {
    wrong += std::fabs(v.r - c.r) > kTol || std::fabs(v.g - c.g) > kTol ||
             std::fabs(v.b - c.b) > kTol || std::fabs(v.a - c.a) > kTol;
  });
  return wrong;
}

void expectBounds(const Bounds &b, float x0, float x1, float y0, float y1, float z0, float z1) {
  const float got[6] = {b.x0, b.x1, b.y0, b.y1, b.z0, b.z1}, want[6] = {x0, x1, y0, y1, z0, z1};
  for (int i = 0; i < 6; ++i) {
    EXPECT_NEAR(got[i], want[i], kTol) << "bound " << i << " of x0 x1 y0 y1 z0 z1";
  }
}

void expectElements(const std::vector<CapturedPolygon> &polys, const std::vector<Element> &rows,
                    int totalBoxes, float upper = 0, float lower = 0) {
  ASSERT_EQ(polys.size(), static_cast<size_t>(totalBoxes * kTrianglesPerBox));
  for (const CapturedPolygon &p : polys) {
    ASSERT_EQ(p.size(), 3u);
  }
  for (const Element &e : rows) {
    SCOPED_TRACE(e.element);
    const float dz = e.slide == WithUpper ? upper : e.slide == WithLower ? lower : 0;
    expectBounds(boundsOf(polys, e.firstBox, e.boxes), e.x0, e.x1, e.y0, e.y1, e.z0 + dz,
                 e.z1 + dz);
    EXPECT_EQ(wrongColours(polys, e.firstBox, e.boxes, e.colour), 0);
  }
}

// The six faces of an axis-aligned box by their outward normal; "" when the triangle lies in no
// face plane of the box from the origin to `size`.
std::string faceOf(const float (&corner)[3][3], const float size[3]) {
  static const char *const labels[3][2] = {{"-x", "+x"}, {"-y", "+y"}, {"-z", "+z"}};
  for (int axis = 0; axis < 3; ++axis) {
    for (int side = 0; side < 2; ++side) {
      const float plane = side == 0 ? 0 : size[axis];
      bool inPlane = true;
      for (const auto &v : corner) {
        inPlane = inPlane && std::fabs(v[axis] - plane) < 1e-3f;
      }
      if (inPlane) {
        return labels[axis][side];
      }
    }
  }
  return "";
}

std::string faceOf(const CapturedPolygon &p, const float size[3]) {
  const float corner[3][3] = {
      {p[0].x, p[0].y, p[0].z}, {p[1].x, p[1].y, p[1].z}, {p[2].x, p[2].y, p[2].z}};
  return faceOf(corner, size);
}

// The triangles the renderer cuts the faces `draw` draws into, each as its corners in order.
std::multiset<std::array<std::array<float, 3>, 3>> triangles(const std::function<void()> &draw) {
  std::multiset<std::array<std::array<float, 3>, 3>> all;
  for (const CapturedPolygon &p : captureAllFaces(draw)) {
    std::array<std::array<float, 3>, 3> corners{};
    for (std::size_t k = 0; k < corners.size() && k < p.size(); ++k) {
      corners[k] = {p[k].x, p[k].y, p[k].z};
    }
    std::sort(corners.begin(), corners.end());
    all.insert(corners);
  }
  return all;
}

// Pick names of the hit records, in the order written, when `draw` runs in selection mode with
// an orthographic view down -z that sees x x0..x1, y y0..y1 and z from zFront up to 100.
std::vector<GLuint> pickNames(const std::function<void()> &draw, double x0, double x1, double y0,
                              double y1, double zFront) {
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glOrtho(x0, x1, y0, y1, -100, -zFront);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  std::vector<GLuint> names;
  for (const SelectionRecord &r : captureSelection(draw)) {
    names.push_back(r.names.back()); // the top of the name stack
  }
  return names;
}

class Geometry : public GlTest {};

// ---------------------------------------------------------------------------------------------
// Box primitive

// Each face of a box is two triangles lying in the face's plane, together exactly as large as
// the face, wound counter-clockwise seen from outside (their normal points away from the
// centre); the union of all is the box from the origin to its extents.
TEST_F(Geometry, BoxFacesCoverTheSixSidesWoundCounterClockwiseFromOutside) {
  const float sizes[][3] = {{1, 1, 1}, {2, 3, 4}, {0.5f, 7, 0.1f}};
  const char *const labels[6] = {"+x", "-x", "+y", "-y", "+z", "-z"};
  for (const auto &size : sizes) {
    SCOPED_TRACE(testing::Message() << size[0] << " x " << size[1] << " x " << size[2]);
    const auto polys = captureAllFaces([&size] { drawBox(size[0], size[1], size[2]); });
    ASSERT_EQ(polys.size(), 12u);
    // Cut along the diagonals of a quad strip over the back, top, front and bottom and a quad at
    // each end: which of two coplanar faces shows at a pixel, and which a pick finds, hangs on it.
    const float x = size[0], y = size[1], z = size[2];
    const float corners[18][3] = {{x, 0, 0}, {0, 0, 0}, {x, y, 0}, {0, y, 0}, {x, y, z}, {0, y, z},
                                  {x, 0, z}, {0, 0, z}, {x, 0, 0}, {0, 0, 0}, {x, 0, 0}, {x, y, 0},
                                  {x, y, z}, {x, 0, z}, {0, 0, 0}, {0, 0, z}, {0, y, z}, {0, y, 0}};
    EXPECT_EQ(triangles([&size] { drawBox(size[0], size[1], size[2]); }), triangles([&corners] {
                glBegin(GL_QUAD_STRIP);
                std::for_each(corners, corners + 10, glVertex3fv);
                glEnd();
                glBegin(GL_QUADS);
                std::for_each(corners + 10, corners + 18, glVertex3fv);
                glEnd();
              }));
    expectBounds(boundsOf(polys, 0, 1), 0, size[0], 0, size[1], 0, size[2]);
    for (int f = 0; f < 6; ++f) {
      SCOPED_TRACE(labels[f]);
      const int axis = f / 2;
      const double faceArea = size[(axis + 1) % 3] * size[(axis + 2) % 3];
      int triangles = 0;
      double area = 0;
      for (const auto &p : polys) {
        ASSERT_EQ(p.size(), 3u);
        if (faceOf(p, size) != labels[f]) {
          continue;
        }
        ++triangles;
        const double ax = p[1].x - p[0].x, ay = p[1].y - p[0].y, az = p[1].z - p[0].z;
        const double bx = p[2].x - p[0].x, by = p[2].y - p[0].y, bz = p[2].z - p[0].z;
        const double n[3] = {ay * bz - az * by, az * bx - ax * bz, ax * by - ay * bx};
        const double out[3] = {(p[0].x + p[1].x + p[2].x) / 3 - size[0] / 2.0,
                               (p[0].y + p[1].y + p[2].y) / 3 - size[1] / 2.0,
                               (p[0].z + p[1].z + p[2].z) / 3 - size[2] / 2.0};
        EXPECT_GT(n[0] * out[0] + n[1] * out[1] + n[2] * out[2], 0);
        area += std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]) / 2;
      }
      EXPECT_EQ(triangles, 2);
      EXPECT_NEAR(area, faceArea, 1e-3);
    }
  }
}

// Faces of the unit cube drawn with culling on, seen through a perspective camera at `eye`
// looking at `target`; reported in the order +x -x +y -y +z -z.
std::string visibleCubeFaces(const double eye[3], const double target[3], const double up[3]) {
  glEnable(GL_CULL_FACE);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  gluPerspective(90, 1, 0.01, 50);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  gluLookAt(eye[0], eye[1], eye[2], target[0], target[1], target[2], up[0], up[1], up[2]);
  GLdouble modelView[16], projection[16];
  GLint viewport[4];
  glGetDoublev(GL_MODELVIEW_MATRIX, modelView);
  glGetDoublev(GL_PROJECTION_MATRIX, projection);
  glGetIntegerv(GL_VIEWPORT, viewport);

  static GLfloat buffer[4096];
  glFeedbackBuffer(4096, GL_3D, buffer);
  glRenderMode(GL_FEEDBACK);
  drawBox(1, 1, 1);
  const GLint used = glRenderMode(GL_RENDER);
  EXPECT_GE(used, 0);

  const float size[3] = {1, 1, 1};
  int count[6] = {};
  const char *const labels[6] = {"+x", "-x", "+y", "-y", "+z", "-z"};
  for (GLint at = 0; at < used;) {
    EXPECT_EQ(buffer[at], GL_POLYGON_TOKEN);
    const int n = static_cast<int>(buffer[at + 1]);
    at += 2;
    EXPECT_EQ(n, 3);
    float corner[3][3] = {};
    for (int k = 0; k < n; ++k, at += 3) {
      double x, y, z;
      gluUnProject(buffer[at], buffer[at + 1], buffer[at + 2], modelView, projection, viewport, &x,
                   &y, &z);
      if (k < 3) {
        corner[k][0] = static_cast<float>(x);
        corner[k][1] = static_cast<float>(y);
        corner[k][2] = static_cast<float>(z);
      }
    }
    const std::string face = faceOf(corner, size);
    for (int f = 0; f < 6; ++f) {
      count[f] += face == labels[f];
    }
  }
  std::string faces;
  for (int f = 0; f < 6; ++f) {
    EXPECT_TRUE(count[f] == 0 || count[f] == 2) << labels[f] << " drawn " << count[f];
    faces += count[f] ? labels[f] : "";
  }
  return faces;
}

TEST_F(Geometry, CullingKeepsExactlyTheBoxFacesTurnedToTheViewer) {
  struct Case {
    double eye[3], target[3], up[3];
    const char *faces;
  } const cases[] = {
      {{0.5, 0.5, 4}, {0.5, 0.5, 0.5}, {0, 1, 0}, "+z"},
      {{0.5, 0.5, -4}, {0.5, 0.5, 0.5}, {0, 1, 0}, "-z"},
      {{4, 0.5, 0.5}, {0.5, 0.5, 0.5}, {0, 1, 0}, "+x"},
      {{-4, 0.5, 0.5}, {0.5, 0.5, 0.5}, {0, 1, 0}, "-x"},
      {{0.5, 4, 0.5}, {0.5, 0.5, 0.5}, {0, 0, -1}, "+y"},
      {{0.5, -4, 0.5}, {0.5, 0.5, 0.5}, {0, 0, 1}, "-y"},
      {{3, 4, 5}, {0.5, 0.5, 0.5}, {0, 1, 0}, "+x+y+z"},
      {{-3, -4, -5}, {0.5, 0.5, 0.5}, {0, 1, 0}, "-x-y-z"},
      {{3, 0.5, -4}, {0.5, 0.5, 0.5}, {0, 1, 0}, "+x-z"},
      {{-2, 3, 0.5}, {0.5, 0.5, 0.5}, {0, 1, 0}, "-x+y"},
      {{0.4, 0.6, 0.3}, {0.4, 0.6, -5}, {0, 1, 0}, ""},
      {{0.7, 0.2, 0.5}, {5, 0.2, 0.5}, {0, 1, 0}, ""},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(testing::Message() << "eye " << c.eye[0] << ", " << c.eye[1] << ", " << c.eye[2]);
    EXPECT_EQ(visibleCubeFaces(c.eye, c.target, c.up), c.faces);
  }
}

TEST_F(Geometry, BoxLeavesFlatShadingEvenAfterSmooth) {
  glShadeModel(GL_SMOOTH);
  captureFeedback([] { drawBox(1, 2, 3); });
  EXPECT_EQ(integerState(GL_SHADE_MODEL), GL_FLAT);
}

// Each face is lit with its own outward normal: the rendered pixel at each face's centre shows
// the cosine between its normal and one white directional light. (Feedback lights every vertex
// with its own normal; only the flat-shaded image shows the colour a face really gets.)
TEST_F(Geometry, EachBoxFaceIsLitWithItsOwnNormal) {
  const double len = std::sqrt(14.0);
  struct Case {
    const char *face;
    double centre[3];
    double eye[3];
    GLfloat light[4];
    double level;
  } const cases[] = {
      {"+x", {2, 1.5, 2}, {6, 7, 9}, {1, 2, 3, 0}, 1 / len},
      {"+y", {1, 3, 2}, {6, 7, 9}, {1, 2, 3, 0}, 2 / len},
      {"+z", {1, 1.5, 4}, {6, 7, 9}, {1, 2, 3, 0}, 3 / len},
      {"-x", {0, 1.5, 2}, {-4, -5, -6}, {-1, -2, -3, 0}, 1 / len},
      {"-y", {1, 0, 2}, {-4, -5, -6}, {-1, -2, -3, 0}, 2 / len},
      {"-z", {1, 1.5, 0}, {-4, -5, -6}, {-1, -2, -3, 0}, 3 / len},
  };
  const GLfloat black[4] = {0, 0, 0, 1}, white[4] = {1, 1, 1, 1};
  glLightModelfv(GL_LIGHT_MODEL_AMBIENT, black);
  glLightfv(GL_LIGHT0, GL_AMBIENT, black);
  glLightfv(GL_LIGHT0, GL_DIFFUSE, white);
  glLightfv(GL_LIGHT0, GL_SPECULAR, black);
  glMaterialfv(GL_FRONT, GL_AMBIENT_AND_DIFFUSE, white);
  glMaterialfv(GL_FRONT, GL_SPECULAR, black);
  glMaterialfv(GL_FRONT, GL_EMISSION, black);
  glClearColor(0, 0, 0, 1);
  glMatrixMode(GL_PROJECTION);
  gluPerspective(60, 1, 0.5, 50);
  glMatrixMode(GL_MODELVIEW);
  for (const Case &c : cases) {
    SCOPED_TRACE(c.face);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
    gluLookAt(c.eye[0], c.eye[1], c.eye[2], 1, 1.5, 2, 0, 1, 0);
    glLightfv(GL_LIGHT0, GL_POSITION, c.light); // direction given in the box's frame
    drawBox(2, 3, 4);
    const auto win = projectToWindow(c.centre[0], c.centre[1], c.centre[2]);
    const Rgb rgb = pixelAt(readFrame(), static_cast<int>(win[0]), 499 - static_cast<int>(win[1]));
    for (int channel : rgb) {
      EXPECT_NEAR(channel / 255.0, c.level, 2.5 / 255);
    }
  }
}

// ---------------------------------------------------------------------------------------------
// Open frame

TEST_F(Geometry, OpenFramePanelsLeaveTheFrontOpenAndATopLeftNotch) {
  const std::vector<Element> panels = {
      {"bottom", 0, 1, 0, 8, 0, 0.1, 0, 4, kForeign, Fixed},
      {"top", 1, 1, 0, 8, 5, 5.1, 0, 4, kForeign, Fixed},
      {"left", 2, 1, -0.1, 0, 0, 5, 0, 4, kForeign, Fixed},
      {"right", 3, 1, 7.9, 8, 0, 5, 0, 4, kForeign, Fixed},
      {"back", 4, 1, 0, 8, 0, 5, 0, 0.1, kForeign, Fixed},
  };
  const auto polys = captureAllFaces([] {
    setMaterial(kForeign);
    drawOpenFrame(8, 5, 4);
  });
  expectElements(polys, panels, 5);
  // Nothing reaches into the open strip x -0.1..0, y 5..5.1 along the top-left edge.
  for (int box = 0; box < 5; ++box) {
    const Bounds b = boundsOf(polys, box, 1);
    EXPECT_FALSE(b.x0 < -kTol && b.x1 > -0.1f + kTol && b.y0 < 5.1f - kTol && b.y1 > 5 + kTol)
        << "panel " << box;
  }
}

TEST_F(Geometry, PrimitivesKeepMatrixMaterialAndName) {
  glTranslatef(1, 2, 3);
  glRotatef(25, 0, 1, 0);
  const auto before = readMatrix(GL_MODELVIEW_MATRIX);
  const GLint depthBefore = integerState(GL_MODELVIEW_STACK_DEPTH);
  setMaterial(kForeign);
  drawOpenFrame(8, 5, 4);
  drawBox(1, 1, 1);
  const GLint depthAfter = integerState(GL_MODELVIEW_STACK_DEPTH);
  EXPECT_EQ(readMatrix(GL_MODELVIEW_MATRIX), before);
  EXPECT_EQ(depthAfter, depthBefore);
  expectMaterial(GL_AMBIENT, kForeign);
  EXPECT_EQ(glGetError(), GLenum{GL_NO_ERROR});

  const auto names = pickNames(
      [] {
        glLoadName(42);
        drawOpenFrame(8, 5, 4);
        drawBox(1, 1, 1);
      },
      -1, 9, -1, 6, -50);
  EXPECT_EQ(names, std::vector<GLuint>{42});
}

// ---------------------------------------------------------------------------------------------
// Pieces without moving parts and the drawer on its own. Boxes are listed in drawing order:
// table top then the legs; chair backrest, seat, legs; shelf unit four frames of five panels
// each (bottom, top, left, right, back) from the floor up; sofa seat block, back, two arms; bed
// head block, mattress block, headboard, footboard; drawer front, back, left, right, floor (its
// frame's bottom, top, left, right and back panels) and the knob.

const std::vector<Element> kTable = {
    {"top", 0, 1, 0, 12, 8, 8.7, 0, 7, kTableColour, Fixed},
    {"leg x0 z0", 1, 1, 0, 1, 0, 8, 0, 1, kTableColour, Fixed},
    {"leg x11 z0", 2, 1, 11, 12, 0, 8, 0, 1, kTableColour, Fixed},
    {"leg x11 z6", 3, 1, 11, 12, 0, 8, 6, 7, kTableColour, Fixed},
    {"leg x0 z6", 4, 1, 0, 1, 0, 8, 6, 7, kTableColour, Fixed},
};

const std::vector<Element> kChair = {
    {"backrest", 0, 1, 0, 0.5, 6, 13, 0, 4, kChairColour, Fixed},
    {"seat", 1, 1, 0, 4, 6, 6.6, 0, 4, kChairColour, Fixed},
    {"leg x0 z0", 2, 1, 0, 0.4, 0, 6, 0, 0.4, kChairColour, Fixed},
    {"leg x3.6 z0", 3, 1, 3.6, 4, 0, 6, 0, 0.4, kChairColour, Fixed},
    {"leg x3.6 z3.6", 4, 1, 3.6, 4, 0, 6, 3.6, 4, kChairColour, Fixed},
    {"leg x0 z3.6", 5, 1, 0, 0.4, 0, 6, 3.6, 4, kChairColour, Fixed},
};

const std::vector<Element> kShelfUnit = {
    {"frame 1", 0, 5, -0.1, 8, 0, 5.1, 0, 4, kShelfColour, Fixed},
    {"frame 2", 5, 5, -0.1, 8, 5, 10.1, 0, 4, kShelfColour, Fixed},
    {"frame 3", 10, 5, -0.1, 8, 10, 15.1, 0, 4, kShelfColour, Fixed},
    {"frame 4", 15, 5, -0.1, 8, 15, 20.1, 0, 4, kShelfColour, Fixed},
    {"frame 4 top panel", 16, 1, 0, 8, 20, 20.1, 0, 4, kShelfColour, Fixed},
    {"frame 1 left panel", 2, 1, -0.1, 0, 0, 5, 0, 4, kShelfColour, Fixed},
};

const std::vector<Element> kSofa = {
    {"seat block", 0, 1, 0, 20, 0, 6, 0, 9, kSofaColour, Fixed},
    {"back", 1, 1, 0, 20, 0, 12, 0, 3, kSofaColour, Fixed},
    {"arm x0", 2, 1, 0, 2, 0, 9, 0, 9, kSofaColour, Fixed},
    {"arm x18", 3, 1, 18, 20, 0, 9, 0, 9, kSofaColour, Fixed},
};

const std::vector<Element> kBed = {
    {"head block", 0, 1, 0, 3, 0, 6, 0, 8, kBedHeadBlock, Fixed},
    {"mattress block", 1, 1, 0, 14, 0, 5, 0, 8, kBedMattress, Fixed},
    {"headboard", 2, 1, -0.75, 0, 0, 8, 0, 8, kWood, Fixed},
    {"footboard", 3, 1, 14, 14.75, 0, 6, 0, 8, kWood, Fixed},
};

const std::vector<Element> kBedsideDrawer = {
    {"front", 0, 1, 0, 4.7, 0, 2.75, 2.65, 2.75, kDarkWood, Fixed},
    {"back", 1, 1, 0, 4.7, 0, 2.75, -0.1, 0, kDarkWood, Fixed},
    {"left", 2, 1, -0.1, 0, 0, 2.75, 0, 2.75, kDarkWood, Fixed},
    {"right", 3, 1, 4.6, 4.7, 0, 2.75, 0, 2.75, kDarkWood, Fixed},
    {"floor", 4, 1, 0, 4.7, 0, 0.1, 0, 2.75, kDarkWood, Fixed},
    {"knob", 5, 1, 1.35, 3.35, 1.875, 2.375, 2.75, 3.25, kKnob, Fixed},
};

const std::vector<Element> kWardrobeDrawer = {
    {"front", 0, 1, 0, 9.5, 0, 3.75, 6.65, 6.75, kDarkWood, Fixed},
    {"back", 1, 1, 0, 9.5, 0, 3.75, -0.1, 0, kDarkWood, Fixed},
    {"left", 2, 1, -0.1, 0, 0, 3.75, 0, 6.75, kDarkWood, Fixed},
    {"right", 3, 1, 9.4, 9.5, 0, 3.75, 0, 6.75, kDarkWood, Fixed},
    {"floor", 4, 1, 0, 9.5, 0, 0.1, 0, 6.75, kDarkWood, Fixed},
    {"knob", 5, 1, 3.75, 5.75, 1.875, 2.875, 6.75, 7.25, kKnob, Fixed},
};

// ---------------------------------------------------------------------------------------------
// Bedside table and wardrobe. Boxes in drawing order: bedside table body frame (bottom, top,
// left, right, back), divider, upper drawer (tray of five, knob), lower drawer; wardrobe upper
// frame, lower frame, divider, upper drawer, lower drawer, left door, left handle, right door,
// right handle.

const std::vector<Element> kBedsideTable = {
    {"body bottom panel", 0, 1, 0, 5, 0, 0.1, 0, 3, kWood, Fixed},
    {"body top panel", 1, 1, 0, 5, 6, 6.1, 0, 3, kWood, Fixed},
    {"body left side", 2, 1, -0.1, 0, 0, 6, 0, 3, kWood, Fixed},
    {"body right side", 3, 1, 4.9, 5, 0, 6, 0, 3, kWood, Fixed},
    {"body back", 4, 1, 0, 5, 0, 6, 0, 0.1, kWood, Fixed},
    {"divider", 5, 1, 0, 5, 3, 3.2, 0, 2.9, kWood, Fixed},
    {"upper drawer tray", 6, 5, 0.15, 4.95, 3.21, 5.96, 0.15, 3, kDarkWood, WithUpper},
    {"upper drawer knob", 11, 1, 1.6, 3.6, 5.085, 5.585, 3, 3.5, kKnob, WithUpper},
    {"lower drawer tray", 12, 5, 0.15, 4.95, 0.05, 2.8, 0.15, 3, kDarkWood, WithLower},
    {"lower drawer knob", 17, 1, 1.6, 3.6, 1.925, 2.425, 3, 3.5, kKnob, WithLower},
};
constexpr int kBedsideBoxes = 18;

const std::vector<Element> kWardrobe = {
    {"upper compartment bottom panel", 0, 1, 0, 10, 8, 8.1, 0, 7, kWood, Fixed},
    {"upper compartment top panel", 1, 1, 0, 10, 25, 25.1, 0, 7, kWood, Fixed},
    {"upper compartment left side", 2, 1, -0.1, 0, 8, 25, 0, 7, kWood, Fixed},
    {"upper compartment right side", 3, 1, 9.9, 10, 8, 25, 0, 7, kWood, Fixed},
    {"upper compartment back", 4, 1, 0, 10, 8, 25, 0, 0.1, kWood, Fixed},
    {"lower compartment bottom panel", 5, 1, 0, 10, 0, 0.1, 0, 7, kWood, Fixed},
    {"lower compartment top panel", 6, 1, 0, 10, 8, 8.1, 0, 7, kWood, Fixed},
    {"lower compartment left side", 7, 1, -0.1, 0, 0, 8, 0, 7, kWood, Fixed},
    {"lower compartment right side", 8, 1, 9.9, 10, 0, 8, 0, 7, kWood, Fixed},
    {"lower compartment back", 9, 1, 0, 10, 0, 8, 0, 0.1, kWood, Fixed},
    {"divider", 10, 1, 0, 10, 4, 4.15, 0, 7, kWood, Fixed},
    {"upper drawer tray", 11, 5, 0.15, 9.75, 4.25, 8, 0.15, 7, kDarkWood, WithUpper},
    {"upper drawer knob", 16, 1, 4, 6, 6.125, 7.125, 7, 7.5, kKnob, WithUpper},
    {"lower drawer tray", 17, 5, 0.15, 9.75, 0.25, 4, 0.15, 7, kDarkWood, WithLower},
    {"lower drawer knob", 22, 1, 4, 6, 2.125, 3.125, 7, 7.5, kKnob, WithLower},
    {"left door", 23, 1, 0, 4.95, 8.25, 24.75, 7, 7.25, kDarkWood, Fixed},
    {"left handle", 24, 1, 3.85, 4.35, 16.25, 18.25, 7.2, 7.45, kKnob, Fixed},
    {"right door", 25, 1, 5.05, 10, 8.25, 24.75, 7, 7.25, kDarkWood, Fixed},
    {"right handle", 26, 1, 5.65, 6.15, 16.25, 18.25, 7.25, 7.5, kKnob, Fixed},
};
constexpr int kWardrobeBoxes = 27;
constexpr int kLeftDoorBox = 23;

// Every model and drawer, drawn in the program's window and again into the fresh context of a
// new window where no start-up ran: everything a model draws with, it sets up itself.
TEST_F(Geometry, EveryModelOccupiesItsPartsInAnyContext) {
  struct Case {
    const char *model;
    void (*draw)();
    int boxes;
    const std::vector<Element> *elements;
  } const cases[] = {
      {"table", drawTable, 5, &kTable},
      {"chair", drawChair, 6, &kChair},
      {"shelf unit", drawShelfUnit, 20, &kShelfUnit},
      {"sofa", drawSofa, 4, &kSofa},
      {"bed", drawBed, 4, &kBed},
      {"bedside table", [] { drawBedsideTable(0); }, kBedsideBoxes, &kBedsideTable},
      {"wardrobe", [] { drawWardrobe(0); }, kWardrobeBoxes, &kWardrobe},
      {"bedside-table drawer", [] { drawDrawer(4.7f, 2.75f, 2.75f, 2, 0.5f, 105); }, 6,
       &kBedsideDrawer},
      {"wardrobe drawer", [] { drawDrawer(9.5f, 6.75f, 3.75f, 2, 1, 103); }, 6, &kWardrobeDrawer},
  };
  for (bool fresh : {false, true}) {
    SCOPED_TRACE(fresh ? "a fresh context without start-up" : "the program's window");
    if (fresh) {
      glutCreateWindow("a fresh context");
      glutDisplayFunc([] {});
    }
    for (const Case &c : cases) {
      SCOPED_TRACE(c.model);
      expectElements(captureAllFaces([&c] {
                       glPushMatrix();
                       c.draw();
                       glPopMatrix();
                     }),
                     *c.elements, c.boxes);
    }
    if (fresh) {
      glutDestroyWindow(glutGetWindow());
      glutSetWindow(testWindow);
    }
  }
}

// Drawer openings of the piece drawn, with different values in its neighbours' entries that must
// not show; openings outside the usual range are drawn as they are.
TEST_F(Geometry, DrawersSlideOutAlongZByTheirOwnEntryOnly) {
  struct Openings {
    int index;
    float upper, lower;
  } const openings[] = {{0, 0, 0}, {7, 1.25f, 2.5f}, {49, 2.6f, 0.4f}, {3, -0.2f, 5}};
  for (const Openings &o : openings) {
    SCOPED_TRACE(testing::Message() << "index " << o.index << " u " << o.upper << " l " << o.lower);
    resetScene();
    for (int i : {o.index - 1, o.index + 1}) {
      if (i >= 0 && i < MAX_PIECES_PER_KIND) {
        scene.bedsideAnim[i].upperDrawerOffset.value = 2.5f;
        scene.bedsideAnim[i].lowerDrawerOffset.value = 1.5f;
        scene.wardrobeAnim[i].leftDoorAngle.value = 60;
        scene.wardrobeAnim[i].rightDoorAngle.value = 40;
        scene.wardrobeAnim[i].upperDrawerOffset.value = 5;
        scene.wardrobeAnim[i].lowerDrawerOffset.value = 2;
      }
    }
    scene.bedsideAnim[o.index].upperDrawerOffset.value = o.upper;
    scene.bedsideAnim[o.index].lowerDrawerOffset.value = o.lower;
    scene.wardrobeAnim[o.index].upperDrawerOffset.value = o.upper;
    scene.wardrobeAnim[o.index].lowerDrawerOffset.value = o.lower;
    const int index = o.index;
    {
      SCOPED_TRACE("bedside table");
      expectElements(captureAllFaces([index] { drawBedsideTable(index); }), kBedsideTable,
                     kBedsideBoxes, o.upper, o.lower);
    }
    {
      SCOPED_TRACE("wardrobe");
      expectElements(captureAllFaces([index] { drawWardrobe(index); }), kWardrobe, kWardrobeBoxes,
                     o.upper, o.lower);
    }
  }
}

// Whether some captured vertex of box `box` lies at (x, y, z).
bool hasVertexNear(const std::vector<CapturedPolygon> &polys, int box, double x, double y, double z,
                   double tol) {
  bool found = false;
  forEachVertex(polys, box, 1, [&](const CapturedVertex &v) {
    found =
        found || (std::fabs(v.x - x) < tol && std::fabs(v.y - y) < tol && std::fabs(v.z - z) < tol);
  });
  return found;
}

// A door swings about its hinge: the left one about x 0, z 7 (its inner face), the right one
// about x 10, z 7.25 (its outer face). A point of the closed door at distance r from the hinge
// on that face moves to x = r cos a (left) or 10 - r cos a (right), z = hinge z + r sin a. Both
// wardrobes are drawn in one pass, the first one from a closed entry.
TEST_F(Geometry, DoorsSwingOutAboutTheirHingesByTheirOwnEntry) {
  struct Case {
    float left, right;
  } const cases[] = {{85, 85}, {30, 60}, {0, 85}, {85, 0}, {45, 10}};
  for (const Case &c : cases) {
    SCOPED_TRACE(testing::Message() << "left " << c.left << " right " << c.right);
    resetScene();
    scene.wardrobeAnim[1].leftDoorAngle.value = c.left;
    scene.wardrobeAnim[1].rightDoorAngle.value = c.right;
    const auto polys = captureAllFaces([] {
      drawWardrobe(0);
      drawWardrobe(1);
    });
    ASSERT_EQ(polys.size(), static_cast<size_t>(2 * kWardrobeBoxes * kTrianglesPerBox));
    const std::vector<CapturedPolygon> closed(polys.begin(),
                                              polys.begin() + kWardrobeBoxes * kTrianglesPerBox);
    expectElements(closed, kWardrobe, kWardrobeBoxes);

    const int leftDoor = kWardrobeBoxes + kLeftDoorBox;
    const double left = c.left * kPi / 180, right = c.right * kPi / 180;
    // Door and handle boxes as drawn in the hinge frame (x along the door away from the hinge),
    // and where the swing by angle a takes a point (x, z) of that frame. The left frame has its
    // hinge at x 0, z 7 and z pointing out of the front; the right one is turned a half turn
    // about its hinge at x 10, z 7.25 first.
    struct Part {
      const char *part;
      int box;
      double x0, x1, y0, y1, z0, z1;
      bool rightSide;
    } const parts[] = {
        {"left door", leftDoor, 0, 4.95, 0, 16.5, 0, 0.25, false},
        {"left handle", leftDoor + 1, 3.85, 4.35, 8, 10, 0.2, 0.45, false},
        {"right door", leftDoor + 2, 0, 4.95, 0, 16.5, 0, 0.25, true},
        {"right handle", leftDoor + 3, 3.85, 4.35, 8, 10, -0.25, 0, true},
    };
    for (const Part &p : parts) {
      SCOPED_TRACE(p.part);
      const double a = p.rightSide ? right : left;
      int found = 0;
      for (double x : {p.x0, p.x1}) {
        for (double y : {p.y0, p.y1}) {
          for (double z : {p.z0, p.z1}) {
            const double wx = p.rightSide ? 10 - x * std::cos(a) - z * std::sin(a)
                                          : x * std::cos(a) - z * std::sin(a);
            const double wz = p.rightSide ? 7.25 + x * std::sin(a) - z * std::cos(a)
                                          : 7 + x * std::sin(a) + z * std::cos(a);
            found += hasVertexNear(polys, p.box, wx, y + 8.25, wz, 1e-3);
          }
        }
      }
      EXPECT_EQ(found, 8);
      const Bounds b = boundsOf(polys, p.box, 1);
      EXPECT_NEAR(b.y0, p.y0 + 8.25, kTol);
      EXPECT_NEAR(b.y1, p.y1 + 8.25, kTol);
    }
  }
}

TEST_F(Geometry, FullyOpenDoorsStandAtTheirKnownFreeEdges) {
  scene.wardrobeAnim[5].leftDoorAngle.value = 85;
  scene.wardrobeAnim[5].rightDoorAngle.value = 85;
  const auto polys = captureAllFaces([] { drawWardrobe(5); });
  ASSERT_EQ(polys.size(), static_cast<size_t>(kWardrobeBoxes * kTrianglesPerBox));
  for (double y : {8.25, 24.75}) {
    EXPECT_TRUE(hasVertexNear(polys, kLeftDoorBox, 0.431, y, 11.931, 6e-4)) << y;
    EXPECT_TRUE(hasVertexNear(polys, kLeftDoorBox + 2, 9.569, y, 12.181, 6e-4)) << y;
  }
}

// ---------------------------------------------------------------------------------------------
// Materials

TEST_F(Geometry, PiecesSetTheirOwnColourWhateverWasDrawnBefore) {
  const auto chairAfterBed = captureAllFaces([] {
    glPushMatrix();
    drawBed();
    glPopMatrix();
    drawChair();
  });
  ASSERT_EQ(chairAfterBed.size(), static_cast<size_t>(10 * kTrianglesPerBox));
  EXPECT_EQ(wrongColours(chairAfterBed, 4, 6, kChairColour), 0);

  const auto twoBedsides = captureAllFaces([] {
    drawBedsideTable(0);
    drawBedsideTable(1);
  });
  ASSERT_EQ(twoBedsides.size(), static_cast<size_t>(2 * kBedsideBoxes * kTrianglesPerBox));
  EXPECT_EQ(wrongColours(twoBedsides, kBedsideBoxes, 6, kWood), 0);
}

// ---------------------------------------------------------------------------------------------
// Pick names

TEST_F(Geometry, PickRegionOverOnePartReportsThatPartsName) {
  struct Case {
    const char *part;
    void (*draw)();
    double x0, x1, y0, y1, zFront;
    GLuint name;
  } const cases[] = {
      {"wardrobe left handle", [] { drawWardrobe(7); }, 4.0, 4.2, 17, 17.5, 7.3, 101},
      {"wardrobe right handle", [] { drawWardrobe(7); }, 5.8, 6.0, 17, 17.5, 7.3, 102},
      {"wardrobe left door", [] { drawWardrobe(7); }, 1, 2, 12, 13, 7.1, 101},
      {"wardrobe upper knob", [] { drawWardrobe(7); }, 4.5, 5.5, 6.3, 6.9, 7.1, 103},
      {"wardrobe lower knob", [] { drawWardrobe(7); }, 4.5, 5.5, 2.3, 2.9, 7.1, 104},
      {"wardrobe divider", [] { drawWardrobe(7); }, 5, 5.1, 4.05, 4.1, 6.9, 7},
      {"wardrobe left side", [] { drawWardrobe(7); }, -0.08, -0.02, 20, 20.5, 6.9, 7},
      {"bedside upper knob", [] { drawBedsideTable(7); }, 2, 3, 5.2, 5.4, 3.1, 105},
      {"bedside lower knob", [] { drawBedsideTable(7); }, 2, 3, 2.0, 2.3, 3.1, 106},
      {"bedside divider", [] { drawBedsideTable(7); }, 2, 3, 3.05, 3.15, 2.8, 7},
      {"bedside right side", [] { drawBedsideTable(7); }, 4.96, 4.99, 4, 4.5, 2.5, 7},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.part);
    EXPECT_EQ(pickNames(c.draw, c.x0, c.x1, c.y0, c.y1, c.zFront), std::vector<GLuint>{c.name});
  }
}

// ---------------------------------------------------------------------------------------------
// What each model leaves behind

// The material a model leaves current, the names of its hit records in drawing order, and the
// model-view it leaves: as found, except the bed's shift of 14 along x. Entry 4 stands open.
TEST_F(Geometry, ModelsLeaveTheirLastMaterialTheirNamesAndTheModelView) {
  struct Case {
    const char *model;
    void (*draw)();
    Rgba left;
    std::vector<GLuint> names;
    float shiftX;
  } const cases[] = {
      {"table", drawTable, kTableColour, {200}, 0},
      {"chair", drawChair, kChairColour, {200}, 0},
      {"shelf unit", drawShelfUnit, kShelfColour, {200}, 0},
      {"sofa", drawSofa, kSofaColour, {200}, 0},
      {"bed", drawBed, kWood, {200}, 14},
      {"bedside drawer", [] { drawDrawer(4.7f, 2.75f, 2.75f, 2, 0.5f, 105); }, kKnob, {105}, 0},
      {"wardrobe drawer 103", [] { drawDrawer(9.5f, 6.75f, 3.75f, 2, 1, 103); }, kKnob, {103}, 0},
      {"wardrobe drawer 104", [] { drawDrawer(9.5f, 6.75f, 3.75f, 2, 1, 104); }, kKnob, {104}, 0},
      {"bedside table 0", [] { drawBedsideTable(0); }, kKnob, {0, 105, 106}, 0},
      {"bedside table 2", [] { drawBedsideTable(2); }, kKnob, {2, 105, 106}, 0},
      {"bedside table 4", [] { drawBedsideTable(4); }, kKnob, {4, 105, 106}, 0},
      {"bedside table 9", [] { drawBedsideTable(9); }, kKnob, {9, 105, 106}, 0},
      {"wardrobe 2", [] { drawWardrobe(2); }, kKnob, {2, 103, 104, 101, 102}, 0},
      {"wardrobe 4", [] { drawWardrobe(4); }, kKnob, {4, 103, 104, 101, 102}, 0},
      {"wardrobe 9", [] { drawWardrobe(9); }, kKnob, {9, 103, 104, 101, 102}, 0},
      {"wardrobe 49", [] { drawWardrobe(49); }, kKnob, {49, 103, 104, 101, 102}, 0},
  };
  scene.bedsideAnim[4].upperDrawerOffset.value = 1;
  scene.wardrobeAnim[4].leftDoorAngle.value = 50;
  scene.wardrobeAnim[4].rightDoorAngle.value = 20;
  for (const Case &c : cases) {
    SCOPED_TRACE(c.model);
    setMaterial(kForeign);
    glLoadIdentity();
    glTranslatef(3, -2, 5);
    glRotatef(30, 0, 1, 0);
    glPushMatrix();
    glTranslatef(c.shiftX, 0, 0);
    const Mat4 expected = toMat4(readMatrix(GL_MODELVIEW_MATRIX));
    glPopMatrix();
    const GLint depthBefore = integerState(GL_MODELVIEW_STACK_DEPTH);
    c.draw();
    EXPECT_EQ(integerState(GL_MODELVIEW_STACK_DEPTH), depthBefore);
    EXPECT_TRUE(matrixNear(GL_MODELVIEW_MATRIX, expected, kTol, 0));
    expectMaterial(GL_AMBIENT, c.left);
    expectMaterial(GL_DIFFUSE, c.left);
    EXPECT_EQ(pickNames(c.draw, -2, 22, -1, 27, -50), c.names);
  }
  EXPECT_EQ(glGetError(), GLenum{GL_NO_ERROR});
}

} // namespace
