// Start-up state of window, lighting and scene record; the pixel-to-floor conversion; and the
// matrices of the perspective view, the plan view and the reshape callback, checked against
// matrices built here from the textbook OpenGL formulas.
#include "gl_harness.h"
#include "view/views.h"

#include <GL/glu.h>
#include <GL/glx.h>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

namespace {

// ---- 4x4 matrices in double precision, column-major like OpenGL ----

using Mat4 = std::array<double, 16>;

Mat4 identity() {
  Mat4 m{};
  m[0] = m[5] = m[10] = m[15] = 1;
  return m;
}

Mat4 operator*(const Mat4 &a, const Mat4 &b) {
  Mat4 m{};
  for (int col = 0; col < 4; ++col) {
    for (int row = 0; row < 4; ++row) {
      for (int k = 0; k < 4; ++k) {
        m[col * 4 + row] += a[k * 4 + row] * b[col * 4 + k];
      }
    }
  }
  return m;
}

Mat4 frustum(double l, double r, double b, double t, double n, double f) {
  Mat4 m{};
  m[0] = 2 * n / (r - l);
  m[5] = 2 * n / (t - b);
  m[8] = (r + l) / (r - l);
  m[9] = (t + b) / (t - b);
  m[10] = -(f + n) / (f - n);
  m[11] = -1;
  m[14] = -2 * f * n / (f - n);
  return m;
}

Mat4 ortho(double l, double r, double b, double t, double n, double f) {
  Mat4 m = identity();
  m[0] = 2 / (r - l);
  m[5] = 2 / (t - b);
  m[10] = -2 / (f - n);
  m[12] = -(r + l) / (r - l);
  m[13] = -(t + b) / (t - b);
  m[14] = -(f + n) / (f - n);
  return m;
}

Mat4 translate(double x, double y, double z) {
  Mat4 m = identity();
  m[12] = x;
  m[13] = y;
  m[14] = z;
  return m;
}

Mat4 rotate(double degrees, double x, double y, double z) {
  const double len = std::sqrt(x * x + y * y + z * z);
  x /= len;
  y /= len;
  z /= len;
  const double a = degrees * std::acos(-1.0) / 180;
  const double c = std::cos(a);
  const double s = std::sin(a);
  const double t = 1 - c;
  Mat4 m = identity();
  // m[col * 4 + row]
  m[0] = x * x * t + c;
  m[4] = x * y * t - z * s;
  m[8] = x * z * t + y * s;
  m[1] = y * x * t + z * s;
  m[5] = y * y * t + c;
  m[9] = y * z * t - x * s;
  m[2] = x * z * t - y * s;
  m[6] = y * z * t + x * s;
  m[10] = z * z * t + c;
  return m;
}

Mat4 toDouble(const std::array<float, 16> &f) {
  Mat4 m{};
  for (int i = 0; i < 16; ++i) {
    m[i] = f[i];
  }
  return m;
}

// Single-precision GL results against a double-precision expectation: relative 1e-5, absolute
// for entries near zero.
::testing::AssertionResult matrixNear(GLenum which, const Mat4 &want) {
  const std::array<float, 16> got = readMatrix(which);
  for (int i = 0; i < 16; ++i) {
    if (std::fabs(got[i] - want[i]) > 1e-5 * std::fmax(1.0, std::fabs(want[i]))) {
      std::ostringstream out;
      out << (which == GL_PROJECTION_MATRIX ? "projection" : "model-view") << " element " << i
          << " (column " << i / 4 << ", row " << i % 4 << ") is " << got[i] << ", expected "
          << want[i] << "\n got:";
      for (float v : got) {
        out << ' ' << v;
      }
      out << "\n want:";
      for (double v : want) {
        out << ' ' << v;
      }
      return ::testing::AssertionFailure() << out.str();
    }
  }
  return ::testing::AssertionSuccess();
}

GLint currentMatrixMode() {
  GLint mode = 0;
  glGetIntegerv(GL_MATRIX_MODE, &mode);
  return mode;
}

// Leaves both stacks holding something no view function would load, and the projection matrix
// current, so that every function must select and load its matrices itself.
void scrambleMatrices() {
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glTranslatef(3, -7, 11);
  glRotatef(33, 1, 2, 3);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glScalef(2, 3, 4);
  glTranslatef(1, 1, 1);
}

// ---- window title, read from the X server ----

std::string windowTitleFromServer() {
  char *name = nullptr;
  std::string title = "<no title>";
  if (XFetchName(glXGetCurrentDisplay(), glXGetCurrentDrawable(), &name) != 0 && name != nullptr) {
    title = name;
    XFree(name);
  }
  return title;
}

// ---- collecting mismatches as text (usable in a child process, where assertions are lost) ----

class Mismatches {
public:
  void expect(bool ok, const std::string &what) {
    if (!ok) {
      text_ += what + "\n";
    }
  }
  void expectValues(const std::string &what, const float *got, std::initializer_list<float> want) {
    int i = 0;
    bool ok = true;
    std::ostringstream out;
    out << what << " is (";
    for (float w : want) {
      ok = ok && got[i] == w;
      out << (i ? ", " : "") << got[i];
      ++i;
    }
    out << ")";
    expect(ok, out.str());
  }
  const std::string &text() const {
    return text_;
  }

private:
  std::string text_;
};

// Every field of the record except menuId against its documented initial value.
std::string fieldsOffInitial(const SceneState &s) {
  Mismatches m;
  m.expect(s.cameraDistance == 60, "cameraDistance");
  m.expect(s.cameraPitch == 5, "cameraPitch");
  m.expect(s.cameraYaw == 30, "cameraYaw");
  m.expect(s.cameraRoll == 0, "cameraRoll");
  m.expect(s.windowWidth == 500, "windowWidth");
  m.expect(s.windowHeight == 500, "windowHeight");
  m.expect(s.planView == 0, "planView");
  m.expect(s.inspectMode == 0, "inspectMode");
  m.expect(s.dragging == 0, "dragging");
  m.expect(s.pendingAction == 0, "pendingAction");
  m.expect(s.pickedIndex == 0, "pickedIndex");
  for (int k = 0; k < KIND_COUNT; ++k) {
    const std::string kind = "[" + std::to_string(k) + "]";
    m.expect(s.activeKind[k] == 0, "activeKind" + kind);
    m.expect(s.overlapFlag[k] == 0, "overlapFlag" + kind);
    m.expect(s.lists[k].count == 0, "lists" + kind + ".count");
    for (int slot = 0; slot <= MAX_PIECES_PER_KIND; ++slot) {
      const Placement &p = s.lists[k].slots[slot];
      m.expect(p.x == 0 && p.z == 0, "lists" + kind + ".slots[" + std::to_string(slot) + "]");
    }
  }
  const auto expectRest = [&m](const AnimatedValue &v, const std::string &name) {
    m.expect(v.value == 0, name + ".value");
    m.expect(v.opening == 0, name + ".opening");
    m.expect(v.closing == 0, name + ".closing");
  };
  for (int i = 0; i < MAX_PIECES_PER_KIND; ++i) {
    const std::string w = "wardrobeAnim[" + std::to_string(i) + "].";
    const std::string b = "bedsideAnim[" + std::to_string(i) + "].";
    expectRest(s.wardrobeAnim[i].leftDoorAngle, w + "leftDoorAngle");
    expectRest(s.wardrobeAnim[i].rightDoorAngle, w + "rightDoorAngle");
    expectRest(s.wardrobeAnim[i].upperDrawerOffset, w + "upperDrawerOffset");
    expectRest(s.wardrobeAnim[i].lowerDrawerOffset, w + "lowerDrawerOffset");
    expectRest(s.bedsideAnim[i].upperDrawerOffset, b + "upperDrawerOffset");
    expectRest(s.bedsideAnim[i].lowerDrawerOffset, b + "lowerDrawerOffset");
  }
  return m.text();
}

// Window geometry and title, and the scene record as start-up leaves it.
std::string windowAndSceneMismatches() {
  Mismatches m;
  const std::string title = windowTitleFromServer();
  m.expect(title == "La Quellmar. Alumno: Tobias Wrennick", "window title '" + title + "'");
  const int x = glutGet(GLUT_WINDOW_X);
  const int y = glutGet(GLUT_WINDOW_Y);
  const int w = glutGet(GLUT_WINDOW_WIDTH);
  const int h = glutGet(GLUT_WINDOW_HEIGHT);
  m.expect(x == 100 && y == 100, "window position " + std::to_string(x) + ", " + std::to_string(y));
  m.expect(w == 500 && h == 500, "window size " + std::to_string(w) + " x " + std::to_string(h));
  const std::string fields = fieldsOffInitial(scene);
  m.expect(fields.empty(), "scene fields off initial:\n" + fields);
  m.expect(scene.menuId != 0 && scene.menuId == glutGetMenu(),
           "menuId " + std::to_string(scene.menuId) + " is not the created menu");
  return m.text();
}

// Light 0 and the capabilities on; everything else about lighting, clearing and culling at the
// OpenGL defaults.
std::string lightingMismatches() {
  Mismatches m;
  const struct {
    GLenum cap;
    const char *name;
  } capabilities[] = {{GL_CULL_FACE, "GL_CULL_FACE"},
                      {GL_LIGHTING, "GL_LIGHTING"},
                      {GL_LIGHT0, "GL_LIGHT0"},
                      {GL_DEPTH_TEST, "GL_DEPTH_TEST"},
                      {GL_NORMALIZE, "GL_NORMALIZE"}};
  for (const auto &c : capabilities) {
    m.expect(glIsEnabled(c.cap) == GL_TRUE, std::string(c.name) + " not enabled");
  }
  m.expect(glIsEnabled(GL_LIGHT1) == GL_FALSE, "GL_LIGHT1 enabled");

  GLfloat v[4];
  glGetLightfv(GL_LIGHT0, GL_POSITION, v); // eye space
  m.expectValues("light 0 position", v, {5, 5, 10, 0});
  glGetLightfv(GL_LIGHT0, GL_DIFFUSE, v);
  m.expectValues("light 0 diffuse", v, {1, 1, 1, 1});
  glGetLightfv(GL_LIGHT0, GL_SPECULAR, v);
  m.expectValues("light 0 specular", v, {1, 1, 1, 1});
  glGetLightfv(GL_LIGHT0, GL_AMBIENT, v);
  m.expectValues("light 0 ambient", v, {0, 0, 0, 1});
  glGetFloatv(GL_LIGHT_MODEL_AMBIENT, v);
  m.expectValues("global ambient", v, {0.2f, 0.2f, 0.2f, 1});
  glGetFloatv(GL_COLOR_CLEAR_VALUE, v);
  m.expectValues("clear colour", v, {0, 0, 0, 0});
  GLint mode = 0;
  glGetIntegerv(GL_CULL_FACE_MODE, &mode);
  m.expect(mode == GL_BACK, "cull face mode is not GL_BACK");
  glGetIntegerv(GL_FRONT_FACE, &mode);
  m.expect(mode == GL_CCW, "front face is not GL_CCW");
  return m.text();
}

// ---- start-up ----

// Runs in a child process that has done nothing but start up (and let GLUT handle the first
// window events), so no earlier test can have touched the state it inspects.
TEST(StartUp, FreshProcessHasWindowLightingAndInitialScene) {
  EXPECT_EXIT(
      {
        const std::string problems = windowAndSceneMismatches() + lightingMismatches();
        std::fputs(problems.c_str(), stderr);
        std::fflush(stderr);
        std::_Exit(problems.empty() ? 0 : 1);
      },
      ::testing::ExitedWithCode(0), "");
}

class StartUpTest : public GlTest {};

// The lighting set-up sets the light position and the five capabilities and nothing else: no
// shade model (flat shading comes from the box primitive alone), no clear colour, no light or
// material colour, no culling parameter.
TEST_F(StartUpTest, InitLightingChangesOnlyLightPositionAndCapabilities) {
  glShadeModel(GL_SMOOTH);
  glClearColor(0, 0, 0, 0);
  const GLfloat black[4] = {0, 0, 0, 1};
  const GLfloat white[4] = {1, 1, 1, 1};
  const GLfloat defaultPosition[4] = {0, 0, 1, 0};
  const GLfloat defaultAmbient[4] = {0.2f, 0.2f, 0.2f, 1};
  const GLfloat defaultDiffuse[4] = {0.8f, 0.8f, 0.8f, 1};
  glLightfv(GL_LIGHT0, GL_AMBIENT, black);
  glLightfv(GL_LIGHT0, GL_DIFFUSE, white);
  glLightfv(GL_LIGHT0, GL_SPECULAR, white);
  glLightfv(GL_LIGHT0, GL_POSITION, defaultPosition);
  glMaterialfv(GL_FRONT, GL_AMBIENT, defaultAmbient);
  glMaterialfv(GL_FRONT, GL_DIFFUSE, defaultDiffuse);
  glCullFace(GL_BACK);
  glFrontFace(GL_CCW);
  for (GLenum cap : {GL_CULL_FACE, GL_LIGHTING, GL_LIGHT0, GL_DEPTH_TEST, GL_NORMALIZE}) {
    glDisable(cap);
  }

  initLighting();

  EXPECT_EQ(lightingMismatches(), "");
  GLint shadeModel = 0;
  glGetIntegerv(GL_SHADE_MODEL, &shadeModel);
  EXPECT_EQ(shadeModel, GL_SMOOTH);
  GLfloat v[4];
  glGetMaterialfv(GL_FRONT, GL_AMBIENT, v);
  EXPECT_EQ(std::vector<float>(v, v + 4), std::vector<float>(defaultAmbient, defaultAmbient + 4));
  glGetMaterialfv(GL_FRONT, GL_DIFFUSE, v);
  EXPECT_EQ(std::vector<float>(v, v + 4), std::vector<float>(defaultDiffuse, defaultDiffuse + 4));
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

// ---- scene record ----

class SceneRecordTest : public GlTest {};

TEST_F(SceneRecordTest, ResetRestoresEveryFieldAfterAllWereChanged) {
  // Overwrite every byte of the record, so a field that the reset forgets keeps a non-zero,
  // non-initial value (0x5A5A5A5A as an int; about 1.5e16 as a float).
  std::memset(static_cast<void *>(&scene), 0x5A, sizeof scene);
  ASSERT_NE(fieldsOffInitial(scene), "");
  resetScene();
  EXPECT_EQ(fieldsOffInitial(scene), "");
  EXPECT_EQ(scene.menuId, 0);
}

// ---- pixel to floor conversion ----

struct PixelCase {
  int width, height; // window size as the reshape callback reports it
  int pixelX, pixelY;
  double roomX, roomZ;
};

class RoomToWorldTest : public GlTest, public ::testing::WithParamInterface<PixelCase> {};

TEST_P(RoomToWorldTest, ConvertsPixelToFloorPoint) {
  const PixelCase &c = GetParam();
  onReshape(c.width, c.height);
  const RoomPoint p = roomToWorld(c.pixelX, c.pixelY);
  EXPECT_EQ(p.x, c.roomX);
  EXPECT_EQ(p.z, c.roomZ);
}

INSTANTIATE_TEST_SUITE_P(
    Windows, RoomToWorldTest,
    ::testing::Values(
        // 500 x 500: the centre and the corners.
        PixelCase{500, 500, 250, 250, 19, 19}, PixelCase{500, 500, 0, 0, -2, -2},
        PixelCase{500, 500, 500, 500, 40, 40},
        // 500 x 500, a pixel whose quotient is not whole (the division is not an int one).
        PixelCase{500, 500, 1, 3, 42.0 / 500 - 2, 126.0 / 500 - 2},
        // 420 x 420 gives whole numbers: one pixel is a tenth of a unit.
        PixelCase{420, 420, 100, 100, 8, 8}, PixelCase{420, 420, 210, 0, 19, -2},
        PixelCase{420, 420, 420, 420, 40, 40},
        // Non-square windows scale each axis by its own size.
        PixelCase{840, 420, 420, 210, 19, 19}, PixelCase{840, 420, 840, 420, 40, 40},
        PixelCase{840, 420, 0, 420, -2, 40}, PixelCase{300, 600, 100, 100, 12, 5},
        // Pointer outside the window while a button is held: negative pixels.
        PixelCase{420, 420, -10, -420, -3, -44},
        // Extreme ints: the product is formed without overflow.
        PixelCase{500, 500, INT_MAX, INT_MIN, 90194313174.0 / 500 - 2, -90194313216.0 / 500 - 2},
        PixelCase{840, 420, INT_MIN, INT_MAX, -90194313216.0 / 840 - 2, 90194313174.0 / 420 - 2},
        // A window with no area: the size counts as 1, so the result stays finite.
        PixelCase{0, 0, 10, 3, 418, 124}, PixelCase{0, 420, 10, 210, 418, 19},
        PixelCase{0, 0, INT_MAX, INT_MIN, 90194313172.0, -90194313218.0}));

// ---- perspective view ----

struct CameraCase {
  const char *name;
  float distance, pitch, yaw, roll;
  float windowWidth, windowHeight;
  double aspect; // the frustum's top; bottom is -aspect
};

Mat4 cameraMatrix(const CameraCase &c) {
  return translate(0, 0, -c.distance) * rotate(c.pitch, 1, 0, 0) * rotate(c.yaw, 0, 1, 0) *
         rotate(c.roll, 0, 0, 1) * translate(-20, -10, -20);
}

class PerspectiveTest : public GlTest, public ::testing::WithParamInterface<CameraCase> {
protected:
  void SetUp() override {
    GlTest::SetUp();
    const CameraCase &c = GetParam();
    scene.cameraDistance = c.distance;
    scene.cameraPitch = c.pitch;
    scene.cameraYaw = c.yaw;
    scene.cameraRoll = c.roll;
    scene.windowWidth = c.windowWidth;
    scene.windowHeight = c.windowHeight;
  }
};

TEST_P(PerspectiveTest, ApplyPerspectiveViewLoadsFrustumAndCamera) {
  const CameraCase &c = GetParam();
  scrambleMatrices();
  applyPerspectiveView();
  EXPECT_TRUE(matrixNear(GL_PROJECTION_MATRIX, frustum(-1, 1, -c.aspect, c.aspect, 2, 200)));
  EXPECT_TRUE(matrixNear(GL_MODELVIEW_MATRIX, cameraMatrix(c)));
  EXPECT_EQ(currentMatrixMode(), GL_MODELVIEW);
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_P(PerspectiveTest, PerspectiveCameraMultipliesOntoPickMatrix) {
  const CameraCase &c = GetParam();
  scrambleMatrices();
  glLoadIdentity();
  GLint viewport[4] = {0, 0, 500, 500};
  gluPickMatrix(123, 321, 5, 5, viewport);
  const Mat4 pick = toDouble(readMatrix(GL_PROJECTION_MATRIX));
  ASSERT_FALSE(matrixNear(GL_PROJECTION_MATRIX, identity()));

  perspectiveCamera();
  EXPECT_TRUE(matrixNear(GL_PROJECTION_MATRIX, pick * frustum(-1, 1, -c.aspect, c.aspect, 2, 200)));
  EXPECT_TRUE(matrixNear(GL_MODELVIEW_MATRIX, cameraMatrix(c)));
  EXPECT_EQ(currentMatrixMode(), GL_MODELVIEW);
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

INSTANTIATE_TEST_SUITE_P(
    Cameras, PerspectiveTest,
    ::testing::Values(CameraCase{"Initial", 60, 5, 30, 0, 500, 500, 1},
                      CameraCase{"AllFieldsChanged", 37.5f, -20, 200, 15, 500, 500, 1},
                      CameraCase{"Unbounded", 5, -95, 400, -30, 500, 500, 1},
                      CameraCase{"Landscape", 60, 5, 30, 0, 640, 480, 0.75},
                      CameraCase{"Portrait", 60, 5, 30, 0, 480, 640, 1.33333337306976},
                      CameraCase{"ZeroWidth", 60, 5, 30, 0, 0, 500, 1},
                      // No area to shape the frustum: a flat frustum would be invalid.
                      CameraCase{"ZeroHeight", 60, 5, 30, 0, 500, 0, 1}),
    [](const ::testing::TestParamInfo<CameraCase> &info) { return std::string(info.param.name); });

// ---- plan view ----

class PlanViewTest : public GlTest {};

TEST_F(PlanViewTest, LoadsOrthographicTopDownViewWhateverCameraAndWindow) {
  const Mat4 projection = ortho(-2, 40, -2, 40, 2, 1000);
  const Mat4 modelView = translate(0, 38, -42) * rotate(90, 1, 0, 0);
  const struct {
    float distance, pitch, yaw, roll, width, height;
  } settings[] = {{60, 5, 30, 0, 500, 500}, {12, -40, 123, 77, 840, 420}, {60, 5, 30, 0, 0, 0}};
  for (const auto &s : settings) {
    scene.cameraDistance = s.distance;
    scene.cameraPitch = s.pitch;
    scene.cameraYaw = s.yaw;
    scene.cameraRoll = s.roll;
    scene.windowWidth = s.width;
    scene.windowHeight = s.height;
    scrambleMatrices();
    applyPlanView();
    EXPECT_TRUE(matrixNear(GL_PROJECTION_MATRIX, projection)) << "window " << s.width;
    EXPECT_TRUE(matrixNear(GL_MODELVIEW_MATRIX, modelView)) << "window " << s.width;
    EXPECT_EQ(currentMatrixMode(), GL_MODELVIEW);
  }
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

struct ViewportCase {
  int width, height;
};

class PlanViewportTest : public GlTest, public ::testing::WithParamInterface<ViewportCase> {
protected:
  // Window coordinates (y from the bottom) of a room point in the plan view.
  std::array<double, 3> project(double x, double y, double z) {
    GLdouble modelView[16], projection[16];
    glGetDoublev(GL_MODELVIEW_MATRIX, modelView);
    glGetDoublev(GL_PROJECTION_MATRIX, projection);
    const GLint viewport[4] = {0, 0, GetParam().width, GetParam().height};
    std::array<double, 3> w{};
    EXPECT_EQ(gluProject(x, y, z, modelView, projection, viewport, &w[0], &w[1], &w[2]), GL_TRUE);
    return w;
  }
};

TEST_P(PlanViewportTest, FloorFillsWindowAtEveryHeight) {
  const double w = GetParam().width;
  const double h = GetParam().height;
  onReshape(GetParam().width, GetParam().height);
  applyPlanView();
  const struct {
    double x, z, windowX, windowY;
  } points[] = {
      {-2, -2, 0, h}, {40, 40, w, 0}, {40, -2, w, h}, {-2, 40, 0, 0}, {19, 19, w / 2, h / 2}};
  for (double y : {0.0, 25.0}) {
    for (const auto &p : points) {
      const auto win = project(p.x, y, p.z);
      EXPECT_NEAR(win[0], p.windowX, 1e-3) << "room " << p.x << ", " << y << ", " << p.z;
      EXPECT_NEAR(win[1], p.windowY, 1e-3) << "room " << p.x << ", " << y << ", " << p.z;
      EXPECT_GT(win[2], 0) << "in front of the near plane at height " << y;
      EXPECT_LT(win[2], 1) << "behind the far plane at height " << y;
    }
  }
}

// A pixel converted to the floor and drawn in the plan view lands on that same pixel.
TEST_P(PlanViewportTest, PixelToFloorAndBackIsExact) {
  const int w = GetParam().width;
  const int h = GetParam().height;
  onReshape(w, h);
  applyPlanView();
  const struct { int x, y; } pixels[] = {{0, 0}, {w, h}, {1, h - 1}, {w / 3, h / 7}, {w - 2, 5}};
  for (const auto &px : pixels) {
    const RoomPoint p = roomToWorld(px.x, px.y);
    const auto win = project(p.x, 0, p.z);
    EXPECT_NEAR(win[0], px.x, 1e-3) << "pixel " << px.x << ", " << px.y;
    EXPECT_NEAR(win[1], h - px.y, 1e-3) << "pixel " << px.x << ", " << px.y;
  }
}

INSTANTIATE_TEST_SUITE_P(Viewports, PlanViewportTest,
                         ::testing::Values(ViewportCase{500, 500}, ViewportCase{420, 420},
                                           ViewportCase{840, 420}, ViewportCase{300, 600}),
                         [](const ::testing::TestParamInfo<ViewportCase> &info) {
                           return std::to_string(info.param.width) + "x" +
                                  std::to_string(info.param.height);
                         });

// ---- reshape ----

struct ReshapeCase {
  const char *name;
  int width, height;
  int viewportWidth, viewportHeight; // also the stored window size
  double aspect;
};

class ReshapeTest : public GlTest, public ::testing::WithParamInterface<ReshapeCase> {};

TEST_P(ReshapeTest, SetsViewportInterimViewAndStoredSize) {
  const ReshapeCase &c = GetParam();
  // The interim view ignores the current view mode and the camera.
  scene.planView = 1;
  scene.cameraDistance = 17;
  scene.cameraPitch = 40;
  scene.cameraYaw = -60;
  scene.cameraRoll = 9;
  // Fill the buffers with something the reshape must clear away.
  glClearColor(1, 0, 0, 1);
  glClearDepth(0.25);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glClearColor(0, 0, 0, 0);
  glClearDepth(1);
  scrambleMatrices();

  onReshape(c.width, c.height);

  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
  GLint viewport[4];
  glGetIntegerv(GL_VIEWPORT, viewport);
  EXPECT_EQ(std::vector<GLint>(viewport, viewport + 4),
            (std::vector<GLint>{0, 0, c.viewportWidth, c.viewportHeight}));
  EXPECT_TRUE(matrixNear(GL_PROJECTION_MATRIX, frustum(-1, 1, -c.aspect, c.aspect, 4, 200)));
  EXPECT_TRUE(matrixNear(GL_MODELVIEW_MATRIX, translate(0, 0, -60)));
  EXPECT_EQ(currentMatrixMode(), GL_MODELVIEW);
  EXPECT_EQ(scene.windowWidth, static_cast<float>(c.viewportWidth));
  EXPECT_EQ(scene.windowHeight, static_cast<float>(c.viewportHeight));
  EXPECT_EQ(scene.planView, 1);

  const auto rgb = readPixelTopDown(250, 250);
  EXPECT_EQ(std::vector<int>(rgb.begin(), rgb.end()), (std::vector<int>{0, 0, 0}));
  GLfloat depth = 0;
  glReadPixels(250, 250, 1, 1, GL_DEPTH_COMPONENT, GL_FLOAT, &depth);
  EXPECT_EQ(depth, 1.0f);
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, ReshapeTest,
    ::testing::Values(ReshapeCase{"Square", 500, 500, 500, 500, 1},
                      ReshapeCase{"Landscape", 640, 480, 640, 480, 0.75},
                      ReshapeCase{"Portrait", 480, 640, 480, 640, 1.33333337306976},
                      ReshapeCase{"Tall", 1, 1000, 1, 1000, 1000},
                      // A window with no area keeps a valid frustum of aspect 1.
                      ReshapeCase{"ZeroWidth", 0, 300, 0, 300, 1},
                      ReshapeCase{"ZeroHeight", 300, 0, 300, 0, 1},
                      ReshapeCase{"ZeroBoth", 0, 0, 0, 0, 1},
                      // Never reported by GLUT; taken as an empty window, not a GL error.
                      ReshapeCase{"NegativeWidth", -5, 300, 0, 300, 1}),
    [](const ::testing::TestParamInfo<ReshapeCase> &info) { return std::string(info.param.name); });

} // namespace
