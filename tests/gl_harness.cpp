#include "gl_harness.h"

#include "anim/animation.h"
#include "edit/editing.h"

#include <GL/glu.h>
#include <GL/glx.h>
#include <X11/Xutil.h>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <sys/resource.h>
#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif

int testWindow = 0;
unsigned long redisplayRequestCount = 0;
void (*registeredMenuStatus)(int, int, int) = nullptr;

extern "C" void __real_glutPostRedisplay();
extern "C" void __wrap_glutPostRedisplay() {
  ++redisplayRequestCount;
  __real_glutPostRedisplay();
}

unsigned long bufferSwapCount = 0;
extern "C" void __real_glutSwapBuffers();
extern "C" void __wrap_glutSwapBuffers() {
  ++bufferSwapCount;
  __real_glutSwapBuffers();
}

namespace {
// While runMainLoopFor counts, the program's idle callback is registered counted.
void countingIdle();
bool countingLoop = false;
} // namespace
void (*registeredIdle)() = nullptr;

extern "C" void __real_glutIdleFunc(void (*callback)());
extern "C" void __wrap_glutIdleFunc(void (*callback)()) {
  registeredIdle = callback;
  __real_glutIdleFunc(callback != nullptr && countingLoop ? countingIdle : callback);
}

extern "C" void __real_glutMenuStatusFunc(void (*callback)(int, int, int));
extern "C" void __wrap_glutMenuStatusFunc(void (*callback)(int, int, int)) {
  registeredMenuStatus = callback;
  __real_glutMenuStatusFunc(callback);
}

namespace {

class GlEnvironment : public ::testing::Environment {
public:
  void SetUp() override {
    testWindow = startUp();
    std::atexit([] {
      if (exitForbidden) {
        std::fputs("the process ended inside a call that must not end it\n", stderr);
        std::_Exit(1);
      }
    });
#if defined(__SANITIZE_ADDRESS__)
    // freeglut's exit handler closes the X display, and with it Mesa unloads its driver, leaving
    // the driver's blocks unowned and their allocation sites unnamed. Exit handlers run in reverse
    // order, so this one looks for leaks first, while every library is still loaded.
    std::atexit([] { __lsan_do_leak_check(); });
#endif
    pumpEvents(20);
    // Every piece of server and client attribute state as start-up left it, restored before
    // each test.
    glPushAttrib(GL_ALL_ATTRIB_BITS);
    glPushClientAttrib(GL_CLIENT_ALL_ATTRIB_BITS);
  }
};

} // namespace

void pumpEvents(int rounds) {
  for (int i = 0; i < rounds; ++i) {
    glutMainLoopEvent();
  }
}

void GlTest::SetUp() {
  resetScene();
  frameClock = FrameClock{};
  onVisibility(GLUT_VISIBLE); // the heartbeat awake, as at start-up
  glutSetWindow(testWindow);
  if (glutGet(GLUT_WINDOW_WIDTH) != WINDOW_SIZE || glutGet(GLUT_WINDOW_HEIGHT) != WINDOW_SIZE) {
    glutReshapeWindow(WINDOW_SIZE, WINDOW_SIZE);
    pumpEvents(20);
  }
  glRenderMode(GL_RENDER);
  glPopAttrib();
  glPopClientAttrib();
  glPushAttrib(GL_ALL_ATTRIB_BITS);
  glPushClientAttrib(GL_CLIENT_ALL_ATTRIB_BITS);
  // Matrices are no attribute state.
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  while (glGetError() != GL_NO_ERROR) {
  }
  resetScene();
}

std::array<float, 16> readMatrix(GLenum which) {
  std::array<float, 16> m{};
  glGetFloatv(which, m.data());
  return m;
}

Frame readFrame() {
  Frame frame(WINDOW_SIZE * WINDOW_SIZE * 3);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadBuffer(GL_BACK);
  glReadPixels(0, 0, WINDOW_SIZE, WINDOW_SIZE, GL_RGB, GL_UNSIGNED_BYTE, frame.data());
  return frame;
}

Rgb pixelAt(const Frame &frame, int x, int yFromTop) {
  const unsigned char *p = &frame[((WINDOW_SIZE - 1 - yFromTop) * WINDOW_SIZE + x) * 3];
  return {p[0], p[1], p[2]};
}

int pixelsDifferingFromTheWindow(const Frame &frame) {
  XImage *image = XGetImage(glXGetCurrentDisplay(), glXGetCurrentDrawable(), 0, 0, WINDOW_SIZE,
                            WINDOW_SIZE, AllPlanes, ZPixmap);
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
  for (int y = 0; y < WINDOW_SIZE; ++y) {
    for (int x = 0; x < WINDOW_SIZE; ++x) {
      const unsigned long value = XGetPixel(image, x, y);
      differing += Rgb{channel(value, image->red_mask), channel(value, image->green_mask),
                       channel(value, image->blue_mask)} != pixelAt(frame, x, y);
    }
  }
  XDestroyImage(image);
  return differing;
}

bool exitForbidden = false;

std::vector<CapturedPolygon> captureFeedback(const std::function<void()> &draw, float extent) {
  // Projection scales by 1/extent into clip space; a viewport of origin -extent and size
  // 2 * extent maps it straight back, so window x and y equal the frame's x and y. Depth maps
  // [-extent, extent] onto [0, 1].
  static std::vector<GLfloat> buffer(1 << 20);
  GLint savedViewport[4];
  glGetIntegerv(GL_VIEWPORT, savedViewport);
  const int e = static_cast<int>(extent);
  glViewport(-e, -e, 2 * e, 2 * e);
  glMatrixMode(GL_PROJECTION);
  glPushMatrix();
  glLoadIdentity();
  glScalef(1 / extent, 1 / extent, 1 / extent);
  glMatrixMode(GL_MODELVIEW);

  glFeedbackBuffer(static_cast<GLsizei>(buffer.size()), GL_3D_COLOR, buffer.data());
  glRenderMode(GL_FEEDBACK);
  draw();
  const GLint used = glRenderMode(GL_RENDER);

  glMatrixMode(GL_PROJECTION);
  glPopMatrix();
  glMatrixMode(GL_MODELVIEW);
  glViewport(savedViewport[0], savedViewport[1], savedViewport[2], savedViewport[3]);

  std::vector<CapturedPolygon> polygons;
  EXPECT_GE(used, 0) << "feedback buffer overflow";
  for (GLint at = 0; at < used;) {
    const GLfloat token = buffer[at++];
    if (token == GL_POLYGON_TOKEN) {
      const int n = static_cast<int>(buffer[at++]);
      CapturedPolygon polygon;
      for (int k = 0; k < n; ++k) {
        const GLfloat *v = &buffer[at];
        const float z = (2 * v[2] - 1) * extent;
        polygon.push_back({v[0], v[1], z, v[3], v[4], v[5], v[6]});
        at += 7;
      }
      polygons.push_back(polygon);
    } else if (token == GL_PASS_THROUGH_TOKEN) {
      at += 1;
    } else if (token == GL_POINT_TOKEN || token == GL_BITMAP_TOKEN ||
               token == GL_DRAW_PIXEL_TOKEN || token == GL_COPY_PIXEL_TOKEN) {
      at += 7;
    } else if (token == GL_LINE_TOKEN || token == GL_LINE_RESET_TOKEN) {
      at += 14;
    } else {
      ADD_FAILURE() << "unexpected feedback token " << token;
      break;
    }
  }
  return polygons;
}

void showMaterialColours() {
  const GLfloat white[4] = {1, 1, 1, 1};
  glLightModelfv(GL_LIGHT_MODEL_AMBIENT, white);
  glDisable(GL_LIGHT0);
  glEnable(GL_LIGHTING);
}

std::vector<CapturedPolygon> captureAllFaces(const std::function<void()> &draw) {
  glDisable(GL_CULL_FACE);
  showMaterialColours();
  auto polygons = captureFeedback(draw);
  glEnable(GL_CULL_FACE);
  return polygons;
}

GLint integerState(GLenum which) {
  GLint value = 0;
  glGetIntegerv(which, &value);
  return value;
}

GLint currentMatrixMode() {
  return integerState(GL_MATRIX_MODE);
}

std::array<double, 3> projectToWindow(double x, double y, double z) {
  GLdouble modelView[16], projection[16];
  GLint viewport[4];
  glGetDoublev(GL_MODELVIEW_MATRIX, modelView);
  glGetDoublev(GL_PROJECTION_MATRIX, projection);
  glGetIntegerv(GL_VIEWPORT, viewport);
  std::array<double, 3> w{};
  EXPECT_EQ(gluProject(x, y, z, modelView, projection, viewport, &w[0], &w[1], &w[2]), GL_TRUE);
  return w;
}

std::vector<SelectionRecord> captureSelection(const std::function<void()> &draw) {
  static GLuint buffer[4096];
  glSelectBuffer(4096, buffer);
  glRenderMode(GL_SELECT);
  glInitNames();
  glPushName(~0u);
  draw();
  const GLint hits = glRenderMode(GL_RENDER);
  EXPECT_GE(hits, 0) << "selection buffer overflow";
  std::vector<SelectionRecord> records;
  for (GLint h = 0, at = 0; h < hits; ++h) {
    const GLuint count = buffer[at];
    records.push_back({buffer[at + 1], buffer[at + 2],
                       std::vector<GLuint>(buffer + at + 3, buffer + at + 3 + count)});
    at += 3 + static_cast<GLint>(count);
  }
  return records;
}

// Window pixel, as the mouse reports it, of a point in the frame of a piece at `origin`, seen
// through the view currently applied.
std::array<int, 2> mousePixelOf(const Placement &origin, double x, double y, double z) {
  glMatrixMode(GL_MODELVIEW);
  glPushMatrix();
  glTranslatef(origin.x, 0, origin.z);
  const auto w = projectToWindow(x, y, z);
  glPopMatrix();
  GLint viewport[4];
  glGetIntegerv(GL_VIEWPORT, viewport);
  const int px = static_cast<int>(std::lround(w[0]));
  const int py = viewport[3] - static_cast<int>(std::lround(w[1]));
  EXPECT_TRUE(px > 2 && px < viewport[2] - 2 && py > 2 && py < viewport[3] - 2)
      << "point off screen at " << px << ", " << py;
  return {px, py};
}

// ---- matrices ----

Mat4 operator*(const Mat4 &a, const Mat4 &b) {
  Mat4 m;
  for (int col = 0; col < 4; ++col) {
    for (int row = 0; row < 4; ++row) {
      for (int k = 0; k < 4; ++k) {
        m[col * 4 + row] += a[k * 4 + row] * b[col * 4 + k];
      }
    }
  }
  return m;
}

Mat4 identityMatrix() {
  return scaling(1, 1, 1);
}

Mat4 frustumMatrix(double l, double r, double b, double t, double n, double f) {
  return {{2 * n / (r - l), 0, 0, 0, 0, 2 * n / (t - b), 0, 0, (r + l) / (r - l), (t + b) / (t - b),
           -(f + n) / (f - n), -1, 0, 0, -2 * f * n / (f - n), 0}};
}

Mat4 orthoMatrix(double l, double r, double b, double t, double n, double f) {
  return {{2 / (r - l), 0, 0, 0, 0, 2 / (t - b), 0, 0, 0, 0, -2 / (f - n), 0, -(r + l) / (r - l),
           -(t + b) / (t - b), -(f + n) / (f - n), 1}};
}

Mat4 translation(double x, double y, double z) {
  return {{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, x, y, z, 1}};
}

Mat4 rotation(double degrees, double x, double y, double z) {
  const double len = std::sqrt(x * x + y * y + z * z);
  x /= len, y /= len, z /= len;
  const double a = degrees * std::acos(-1.0) / 180;
  const double c = std::cos(a), s = std::sin(a), t = 1 - c;
  return {{x * x * t + c, y * x * t + z * s, x * z * t - y * s, 0, x * y * t - z * s, y * y * t + c,
           y * z * t + x * s, 0, x * z * t + y * s, y * z * t - x * s, z * z * t + c, 0, 0, 0, 0,
           1}};
}

Mat4 scaling(double x, double y, double z) {
  return {{x, 0, 0, 0, 0, y, 0, 0, 0, 0, z, 0, 0, 0, 0, 1}};
}

Mat4 toMat4(const std::array<float, 16> &f) {
  Mat4 m;
  for (int i = 0; i < 16; ++i) {
    m[i] = f[i];
  }
  return m;
}

std::array<double, 3> eyePoint(double x, double y, double z) {
  const auto m = readMatrix(GL_MODELVIEW_MATRIX);
  return {m[0] * x + m[4] * y + m[8] * z + m[12], m[1] * x + m[5] * y + m[9] * z + m[13],
          m[2] * x + m[6] * y + m[10] * z + m[14]};
}

::testing::AssertionResult matrixNear(const std::array<float, 16> &got, const Mat4 &want,
                                      double absolute, double relative) {
  for (int i = 0; i < 16; ++i) {
    if (std::fabs(got[i] - want[i]) > std::fmax(absolute, relative * std::fabs(want[i]))) {
      std::ostringstream out;
      out << "element " << i << " (column " << i / 4 << ", row " << i % 4 << ") is " << got[i]
          << ", expected " << want[i] << "\n got:";
      for (float v : got) {
        out << ' ' << v;
      }
      out << "\n want:";
      for (double v : want.m) {
        out << ' ' << v;
      }
      return ::testing::AssertionFailure() << out.str();
    }
  }
  return ::testing::AssertionSuccess();
}

::testing::AssertionResult matrixNear(GLenum which, const Mat4 &want, double absolute,
                                      double relative) {
  return matrixNear(readMatrix(which), want, absolute, relative)
         << (which == GL_PROJECTION_MATRIX ? " (projection)" : " (model-view)");
}

void scrambleMatrices(GLenum current) {
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glTranslatef(3, -7, 11);
  glRotatef(33, 1, 2, 3);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glScalef(2, 3, 4);
  glTranslatef(1, 1, 1);
  glMatrixMode(current);
}

// ---- scene ----

void placePiece(FurnitureKind kind, float x, float z) {
  FurnitureList &list = scene.lists[kind];
  list.slots[++list.count] = {x, z};
}

void placePieces(const std::vector<PiecePlacement> &pieces) {
  for (const PiecePlacement &p : pieces) {
    placePiece(p.kind, p.x, p.z);
  }
}

void furnishEveryKind() {
  const std::vector<PiecePlacement> pieces = {
      {Table, 0, 0},  {Table, 0, 10},         {Wardrobe, 15, 0},      {Wardrobe, 15, 10},
      {Chair, 30, 5}, {BedsideTable, 30, 10}, {BedsideTable, 35, 10}, {Shelf, 5, 25},
      {Sofa, 10, 38}, {Bed, 20, 20},          {Bed, 20, 30}};
  placePieces(pieces);
}

void furnishForPicking() {
  const std::vector<PiecePlacement> pieces = {{Wardrobe, 0, 0},       {Wardrobe, 12, 0},
                                              {Wardrobe, 24, 0},      {BedsideTable, 30, 14},
                                              {BedsideTable, 36, 14}, {Table, 28, 32}};
  placePieces(pieces);
}

void furnishFullRoom() {
  for (int kind = 0; kind < KIND_COUNT; ++kind) {
    for (int j = 0; j < MAX_PIECES_PER_KIND; ++j) {
      placePiece(static_cast<FurnitureKind>(kind), -2 + 3.5f * static_cast<float>(j % 10),
                 static_cast<float>(kind) + 7.5f * static_cast<float>(j / 10));
    }
  }
}

void leftClick(int x, int y) {
  onMouse(GLUT_LEFT_BUTTON, GLUT_DOWN, x, y);
  onMouse(GLUT_LEFT_BUTTON, GLUT_UP, x, y);
}

AnimatedValue &partValue(SceneState &state, int code, int index) {
  WardrobeAnim &w = state.wardrobeAnim[index];
  BedsideAnim &b = state.bedsideAnim[index];
  AnimatedValue *const parts[] = {&w.leftDoorAngle,     &w.rightDoorAngle,    &w.upperDrawerOffset,
                                  &w.lowerDrawerOffset, &b.upperDrawerOffset, &b.lowerDrawerOffset};
  return *parts[code - 101];
}

// ---- main loop ----

namespace {

using Clock = std::chrono::steady_clock;

long idleCalls = 0;
long frames = 0;
Clock::time_point loopEnd;
std::function<bool()> loopDone;

void countingIdle() {
  ++idleCalls;
  onIdle();
  if (Clock::now() >= loopEnd || (loopDone && loopDone())) {
    glutLeaveMainLoop();
  }
}

void countingDisplay() {
  ++frames;
  onDisplay();
}

double processorSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  const auto seconds = [](const timeval &t) { return t.tv_sec + t.tv_usec / 1e6; };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

[[noreturn]] void exitWithProblems(const std::string &problems) {
  std::fputs(problems.c_str(), stderr);
  std::fflush(stdout);
  std::fflush(stderr);
  std::_Exit(problems.empty() ? 0 : 1);
}

} // namespace

MainLoopRun runMainLoopFor(double seconds, const std::function<bool()> &done) {
  idleCalls = 0;
  frames = 0;
  loopDone = done;
  glutSetOption(GLUT_ACTION_ON_WINDOW_CLOSE, GLUT_ACTION_GLUTMAINLOOP_RETURNS);
  countingLoop = true;
  wakeHeartbeat();
  glutIdleFunc(registeredIdle); // counted from now on
  glutDisplayFunc(countingDisplay);
  const Clock::time_point start = Clock::now();
  const double processorAtStart = processorSeconds();
  loopEnd =
      start + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
  // A resting heartbeat calls no idle callback: a timer ends the loop then.
  glutTimerFunc(
      static_cast<unsigned int>(seconds * 1000), [](int) { glutLeaveMainLoop(); }, 0);
  glutMainLoop();
  countingLoop = false;
  return {idleCalls, frames, std::chrono::duration<double>(Clock::now() - start).count(),
          processorSeconds() - processorAtStart};
}

void moveWindowTo(int x, int y) {
  glutPositionWindow(x, y);
  glutPopWindow();
  pumpEvents(20);
}

void expectNoProblemsInChild(const std::function<std::string()> &problems) {
  EXPECT_EXIT(exitWithProblems(problems()), ::testing::ExitedWithCode(0), "");
}

namespace {

// Under a ctest run with no DISPLAY, the virtual_display fixture has started Xvfb and written the
// display's name into the file that ROOMPLANNER_TEST_DISPLAY_FILE names; the window opens there,
// rendered by Mesa's software rasteriser like under scripts/with-xvfb.sh. Death-test children
// inherit the environment set here.
void useFixtureDisplayWhereNoneIsSet() {
  const char *display = std::getenv("DISPLAY");
  const char *file = std::getenv("ROOMPLANNER_TEST_DISPLAY_FILE");
  if ((display != nullptr && *display != '\0') || file == nullptr) {
    return;
  }
  std::ifstream in(file);
  std::string name;
  if (std::getline(in, name) && !name.empty()) {
    setenv("DISPLAY", name.c_str(), 1);
    setenv("LIBGL_ALWAYS_SOFTWARE", "1", 0);
    setenv("GALLIUM_DRIVER", "llvmpipe", 0);
  }
}

} // namespace

int main(int argc, char **argv) {
  useFixtureDisplayWhereNoneIsSet();
  ::testing::InitGoogleTest(&argc, argv);
  // Death tests re-run the test binary, so each child opens its own window.
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  ::testing::AddGlobalTestEnvironment(new GlEnvironment);
  return RUN_ALL_TESTS();
}
