// Start-up state of window, lighting and scene record; the pixel-to-floor conversion; and the
// matrices of the perspective view, the plan view and the reshape callback, checked against
// matrices built from the textbook OpenGL formulas.
#include "anim/animation.h"
#include "edit/editing.h"
#include "gl_harness.h"
#include "view/views.h"

#include <GL/glu.h>
#include <GL/glx.h>
#include <climits>
#include <cstdlib>
#include <cstring>
#if defined(__GLIBC__)
#include <malloc.h>
#endif
#include <sstream>
#include <string>
#include <vector>

namespace {

// A problem unless the values at `got` equal `want`.
void expectValues(Problems &m, const std::string &what, const float *got,
                  std::initializer_list<float> want) {
  std::ostringstream out;
  out << what << " is (";
  bool ok = true;
  int i = 0;
  for (float w : want) {
    ok = ok && got[i] == w;
    out << (i ? ", " : "") << got[i];
    ++i;
  }
  m.expect(ok, out.str() + ")");
}

// "" when every field of the record but menuId holds its documented initial value, else where
// it differs. The initial record is built here, zeroed and then set field by field, not taken
// from the program. The record holds only ints and floats, so equal bytes mean equal fields.
std::string fieldsOffInitial(const SceneState &s) {
  SceneState initial;
  std::memset(static_cast<void *>(&initial), 0, sizeof initial);
  initial.cameraDistance = 60;
  initial.cameraPitch = 5;
  initial.cameraYaw = 30;
  initial.windowWidth = 500;
  initial.windowHeight = 500;
  initial.menuId = s.menuId;
  const auto *got = reinterpret_cast<const unsigned char *>(&s);
  const auto *want = reinterpret_cast<const unsigned char *>(&initial);
  std::string off;
  for (std::size_t i = 0; i < sizeof s; ++i) {
    if (got[i] != want[i] && (i == 0 || got[i - 1] == want[i - 1])) {
      off += "bytes from offset " + std::to_string(i) + " of " + std::to_string(sizeof s) + "\n";
    }
  }
  return off;
}

// Window geometry and title, and the scene record as start-up leaves it.
std::string windowAndSceneMismatches() {
  Problems m;
  char *name = nullptr;
  std::string title = "<no title>";
  if (XFetchName(glXGetCurrentDisplay(), glXGetCurrentDrawable(), &name) != 0 && name != nullptr) {
    title = name;
    XFree(name);
  }
  m.expect(title == "La Quellmar. Alumno: Tobias Wrennick", "window title '" + title + "'");
  const int x = glutGet(GLUT_WINDOW_X), y = glutGet(GLUT_WINDOW_Y);
  const int w = glutGet(GLUT_WINDOW_WIDTH), h = glutGet(GLUT_WINDOW_HEIGHT);
  m.expect(x == 100 && y == 100, "window position " + std::to_string(x) + ", " + std::to_string(y));
  m.expect(w == 500 && h == 500, "window size " + std::to_string(w) + " x " + std::to_string(h));
  const std::string fields = fieldsOffInitial(scene);
  m.expect(fields.empty(), "scene fields off initial:\n" + fields);
  m.expect(scene.menuId != 0 && scene.menuId == glutGetMenu(),
           "menuId " + std::to_string(scene.menuId) + " is not the created menu");
  m.expect(registeredMenuStatus == wakeThen<onMenuStatus>,
           "the menu-status callback is not registered");
  return m.text();
}

// The renderer frees some 6 MiB of scratch blocks after every frame of a full room; they stay
// with the process rather than go back to the system and be faulted in again. Blocks of that
// size freed at the top of the heap leave it as large as it was.
std::string heapMismatches() {
#if defined(__GLIBC__) && !defined(__SANITIZE_ADDRESS__)
  Problems m;
  constexpr std::size_t blocks = 96, blockSize = 64 << 10;
  std::vector<void *> scratch(blocks);
  const std::size_t before = mallinfo2().arena;
  for (void *&block : scratch) {
    block = std::malloc(blockSize);
    std::memset(block, 1, blockSize);
  }
  const std::size_t grown = mallinfo2().arena;
  for (auto block = scratch.rbegin(); block != scratch.rend(); ++block) {
    std::free(*block);
  }
  const std::size_t after = mallinfo2().arena;
  m.expect(grown >= before + blocks * blockSize / 2 && after == grown,
           "the heap went from " + std::to_string(before) + " to " + std::to_string(grown) +
               " bytes and back to " + std::to_string(after) + " when the blocks were freed");
  return m.text();
#else
  return ""; // another allocator: the sanitizers' keeps freed blocks by design
#endif
}

// Light 0 and the capabilities on; everything else about lighting, clearing and culling at the
// OpenGL defaults.
std::string lightingMismatches() {
  Problems m;
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
  const struct {
    const char *what;
    GLenum light, which; // light 0 for a light's parameter, 0 for a global value
    std::initializer_list<float> want;
  } values[] = {{"light 0 position (eye space)", GL_LIGHT0, GL_POSITION, {5, 5, 10, 0}},
                {"light 0 diffuse", GL_LIGHT0, GL_DIFFUSE, {1, 1, 1, 1}},
                {"light 0 specular", GL_LIGHT0, GL_SPECULAR, {1, 1, 1, 1}},
                {"light 0 ambient", GL_LIGHT0, GL_AMBIENT, {0, 0, 0, 1}},
                {"global ambient", 0, GL_LIGHT_MODEL_AMBIENT, {0.2f, 0.2f, 0.2f, 1}},
                {"clear colour", 0, GL_COLOR_CLEAR_VALUE, {0, 0, 0, 0}}};
  for (const auto &v : values) {
    GLfloat got[4];
    if (v.light != 0) {
      glGetLightfv(v.light, v.which, got);
    } else {
      glGetFloatv(v.which, got);
    }
    expectValues(m, v.what, got, v.want);
  }
  m.expect(integerState(GL_CULL_FACE_MODE) == GL_BACK, "cull face mode is not GL_BACK");
  m.expect(integerState(GL_FRONT_FACE) == GL_CCW, "front face is not GL_CCW");
  return m.text();
}

// ---- start-up ----

// A child process that has done nothing but start up, so no earlier test touched its state.
TEST(StartUp, FreshProcessHasWindowLightingAndInitialScene) {
  expectNoProblemsInChild(
      [] { return windowAndSceneMismatches() + lightingMismatches() + heapMismatches(); });
}

// This suite is linked with -Wl,--wrap for glutInit and glutCreateWindow: with windowRefused set,
// the toolkit, already initialised in this process, is not initialised again, and no window is
// made.
bool windowRefused = false;
extern "C" void __real_glutInit(int *argc, char **argv);
extern "C" void __wrap_glutInit(int *argc, char **argv) {
  if (!windowRefused) {
    __real_glutInit(argc, argv);
  }
}
extern "C" int __real_glutCreateWindow(const char *title);
extern "C" int __wrap_glutCreateWindow(const char *title) {
  return windowRefused ? 0 : __real_glutCreateWindow(title);
}

TEST(StartUpDeathTest, OnlyAWindowRefusedEndsWithTheProgramsMessage) {
  EXPECT_EXIT(
      {
        windowRefused = true;
        startUp();
      },
      ::testing::ExitedWithCode(1), "^room-planner: cannot create the window\n$");
  // Once the window stands, the toolkit reports its own errors.
  const auto initialiseAgain = [] {
    int argc = 1;
    char name[] = "room-planner", *argv[] = {name, nullptr};
    glutInit(&argc, argv);
  };
  EXPECT_EXIT(initialiseAgain(), ::testing::ExitedWithCode(1),
              "^freeglut \\(room-planner\\): illegal glutInit");
}

class StartUpTest : public GlTest {};

// Only the light position and the five capabilities: no shade model, clear colour, light or
// material colour, or culling parameter.
TEST_F(StartUpTest, InitLightingChangesOnlyLightPositionAndCapabilities) {
  glShadeModel(GL_SMOOTH);
  glClearColor(0, 0, 0, 0);
  const GLfloat black[4] = {0, 0, 0, 1}, white[4] = {1, 1, 1, 1};
  const GLfloat defaultPosition[4] = {0, 0, 1, 0};
  const std::vector<float> defaultAmbient = {0.2f, 0.2f, 0.2f, 1};
  const std::vector<float> defaultDiffuse = {0.8f, 0.8f, 0.8f, 1};
  glLightfv(GL_LIGHT0, GL_AMBIENT, black);
  glLightfv(GL_LIGHT0, GL_DIFFUSE, white);
  glLightfv(GL_LIGHT0, GL_SPECULAR, white);
  glLightfv(GL_LIGHT0, GL_POSITION, defaultPosition);
  glMaterialfv(GL_FRONT, GL_AMBIENT, defaultAmbient.data());
  glMaterialfv(GL_FRONT, GL_DIFFUSE, defaultDiffuse.data());
  glCullFace(GL_BACK);
  glFrontFace(GL_CCW);
  for (GLenum cap : {GL_CULL_FACE, GL_LIGHTING, GL_LIGHT0, GL_DEPTH_TEST, GL_NORMALIZE}) {
    glDisable(cap);
  }

  initLighting();

  EXPECT_EQ(lightingMismatches(), "");
  EXPECT_EQ(integerState(GL_SHADE_MODEL), GL_SMOOTH);
  std::vector<float> v(4);
  glGetMaterialfv(GL_FRONT, GL_AMBIENT, v.data());
  EXPECT_EQ(v, defaultAmbient);
  glGetMaterialfv(GL_FRONT, GL_DIFFUSE, v.data());
  EXPECT_EQ(v, defaultDiffuse);
  EXPECT_EQ(glGetError(), GLenum{GL_NO_ERROR});
}

// ---- scene record ----

class SceneRecordTest : public GlTest {};

TEST_F(SceneRecordTest, ResetRestoresEveryFieldAfterAllWereChanged) {
  // Every byte non-zero, so a field the reset forgets keeps a non-initial value.
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

void PrintTo(const PixelCase &c, std::ostream *out) {
  *out << c.width << "x" << c.height << " pixel " << c.pixelX << "," << c.pixelY;
}

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

void setCameraAndWindow(float distance, float pitch, float yaw, float roll, float width,
                        float height) {
  scene.cameraDistance = distance;
  scene.cameraPitch = pitch;
  scene.cameraYaw = yaw;
  scene.cameraRoll = roll;
  scene.windowWidth = width;
  scene.windowHeight = height;
}

struct CameraCase {
  const char *name;
  float distance, pitch, yaw, roll;
  float windowWidth, windowHeight;
  double aspect; // the frustum's top; bottom is -aspect
};

class PerspectiveTest : public GlTest, public ::testing::WithParamInterface<CameraCase> {};

// applyPerspectiveView loads the frustum; perspectiveCamera multiplies it onto what is there (a
// pick matrix). Both leave the camera in the model-view matrix.
TEST_P(PerspectiveTest, LoadsFrustumOrMultipliesItOntoPickMatrixAndLoadsCamera) {
  const CameraCase &c = GetParam();
  setCameraAndWindow(c.distance, c.pitch, c.yaw, c.roll, c.windowWidth, c.windowHeight);
  const Mat4 camera = translation(0, 0, -c.distance) * rotation(c.pitch, 1, 0, 0) *
                      rotation(c.yaw, 0, 1, 0) * rotation(c.roll, 0, 0, 1) *
                      translation(-20, -10, -20);
  const Mat4 frustum = frustumMatrix(-1, 1, -c.aspect, c.aspect, 2, 200);
  for (const bool pick : {false, true}) {
    SCOPED_TRACE(pick ? "perspectiveCamera" : "applyPerspectiveView");
    scrambleMatrices();
    Mat4 before = identityMatrix();
    if (pick) {
      glLoadIdentity();
      GLint viewport[4] = {0, 0, 500, 500};
      gluPickMatrix(123, 321, 5, 5, viewport);
      before = toMat4(readMatrix(GL_PROJECTION_MATRIX));
      ASSERT_FALSE(matrixNear(GL_PROJECTION_MATRIX, identityMatrix()));
      perspectiveCamera();
    } else {
      applyPerspectiveView();
    }
    EXPECT_TRUE(matrixNear(GL_PROJECTION_MATRIX, before * frustum));
    EXPECT_TRUE(matrixNear(GL_MODELVIEW_MATRIX, camera));
    EXPECT_EQ(currentMatrixMode(), GL_MODELVIEW);
    EXPECT_EQ(glGetError(), GLenum{GL_NO_ERROR});
  }
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
    NamedAfterParam());

// ---- plan view ----

class PlanViewTest : public GlTest {};

TEST_F(PlanViewTest, LoadsOrthographicTopDownViewWhateverCameraAndWindow) {
  const struct {
    float distance, pitch, yaw, roll, width, height;
  } settings[] = {{60, 5, 30, 0, 500, 500}, {12, -40, 123, 77, 840, 420}, {60, 5, 30, 0, 0, 0}};
  for (const auto &s : settings) {
    SCOPED_TRACE(testing::Message() << "window " << s.width);
    setCameraAndWindow(s.distance, s.pitch, s.yaw, s.roll, s.width, s.height);
    scrambleMatrices();
    applyPlanView();
    EXPECT_TRUE(matrixNear(GL_PROJECTION_MATRIX, orthoMatrix(-2, 40, -2, 40, 2, 1000)));
    EXPECT_TRUE(matrixNear(GL_MODELVIEW_MATRIX, translation(0, 38, -42) * rotation(90, 1, 0, 0)));
    EXPECT_EQ(currentMatrixMode(), GL_MODELVIEW);
  }
  EXPECT_EQ(glGetError(), GLenum{GL_NO_ERROR});
}

struct ViewportCase {
  int width, height;
};

class PlanViewportTest : public GlTest, public ::testing::WithParamInterface<ViewportCase> {
protected:
  void SetUp() override {
    GlTest::SetUp();
    onReshape(GetParam().width, GetParam().height);
    applyPlanView();
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(std::vector<GLint>(viewport, viewport + 4),
              (std::vector<GLint>{0, 0, GetParam().width, GetParam().height}));
  }
};

TEST_P(PlanViewportTest, FloorFillsWindowAtEveryHeight) {
  const double w = GetParam().width, h = GetParam().height;
  const struct {
    double x, z, windowX, windowY;
  } points[] = {
      {-2, -2, 0, h}, {40, 40, w, 0}, {40, -2, w, h}, {-2, 40, 0, 0}, {19, 19, w / 2, h / 2}};
  for (double y : {0.0, 25.0}) {
    for (const auto &p : points) {
      SCOPED_TRACE(testing::Message() << "room " << p.x << ", " << y << ", " << p.z);
      const auto win = projectToWindow(p.x, y, p.z);
      EXPECT_NEAR(win[0], p.windowX, 1e-3);
      EXPECT_NEAR(win[1], p.windowY, 1e-3);
      EXPECT_GT(win[2], 0) << "in front of the near plane";
      EXPECT_LT(win[2], 1) << "behind the far plane";
    }
  }
}

// A pixel converted to the floor and drawn in the plan view lands on that same pixel.
TEST_P(PlanViewportTest, PixelToFloorAndBackIsExact) {
  const int w = GetParam().width, h = GetParam().height;
  const struct { int x, y; } pixels[] = {{0, 0}, {w, h}, {1, h - 1}, {w / 3, h / 7}, {w - 2, 5}};
  for (const auto &px : pixels) {
    SCOPED_TRACE(testing::Message() << "pixel " << px.x << ", " << px.y);
    const RoomPoint p = roomToWorld(px.x, px.y);
    const auto win = projectToWindow(p.x, 0, p.z);
    EXPECT_NEAR(win[0], px.x, 1e-3);
    EXPECT_NEAR(win[1], h - px.y, 1e-3);
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
  // Buffers holding something the reshape must clear away.
  glClearColor(1, 0, 0, 1);
  glClearDepth(0.25);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glClearColor(0, 0, 0, 0);
  glClearDepth(1);
  scrambleMatrices();

  onReshape(c.width, c.height);

  EXPECT_EQ(glGetError(), GLenum{GL_NO_ERROR});
  GLint viewport[4];
  glGetIntegerv(GL_VIEWPORT, viewport);
  EXPECT_EQ(std::vector<GLint>(viewport, viewport + 4),
            (std::vector<GLint>{0, 0, c.viewportWidth, c.viewportHeight}));
  EXPECT_TRUE(matrixNear(GL_PROJECTION_MATRIX, frustumMatrix(-1, 1, -c.aspect, c.aspect, 4, 200)));
  EXPECT_TRUE(matrixNear(GL_MODELVIEW_MATRIX, translation(0, 0, -60)));
  EXPECT_EQ(currentMatrixMode(), GL_MODELVIEW);
  EXPECT_EQ(scene.windowWidth, static_cast<float>(c.viewportWidth));
  EXPECT_EQ(scene.windowHeight, static_cast<float>(c.viewportHeight));
  EXPECT_EQ(scene.planView, 1);

  EXPECT_EQ(pixelAt(readFrame(), 250, 250), (Rgb{0, 0, 0}));
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
    NamedAfterParam());

} // namespace
