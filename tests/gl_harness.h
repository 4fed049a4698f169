// Shared test harness: one real GLUT window per test process (on the X display in DISPLAY, or on
// the virtual one that ctest's virtual_display fixture starts where none is set), a fixture that
// puts the program back to its start-up state before every test, helpers that read results back
// from OpenGL itself, and the furnished rooms the suites test in.
#pragma once

#include "app/app_shell.h"
#include "platform/platform.h"
#include "scene/scene_state.h"

#include <GL/freeglut.h>
#include <array>
#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <vector>

// The window id that start-up returned in this process, and its width and height in pixels, to
// which the fixture restores it before every test.
extern int testWindow;
constexpr int WINDOW_SIZE = 500;

// Every suite is linked with -Wl,--wrap for these GLUT calls, which routes the program's calls
// through the harness: the redisplays requested and the buffer swaps made since the process
// started, and the idle and menu-status callbacks last registered.
extern unsigned long redisplayRequestCount;
extern unsigned long bufferSwapCount;
extern void (*registeredIdle)();
extern void (*registeredMenuStatus)(int status, int x, int y);

// Puts scene, GL state and window back to what start-up leaves: WINDOW_SIZE square, every server
// and client attribute as start-up left it, identity matrices, render mode GL_RENDER, no pending GL
// error, the frame clock as it starts (pacing off, on the steady clock), and the heartbeat awake.
class GlTest : public ::testing::Test {
protected:
  void SetUp() override;
};

// Lets GLUT handle pending window-system events (map, configure, expose) without running idle.
void pumpEvents(int rounds = 5);

// Reads a matrix back from OpenGL (GL_PROJECTION_MATRIX or GL_MODELVIEW_MATRIX), column-major.
std::array<float, 16> readMatrix(GLenum which);

// The whole window's pixels as glReadPixels returns them from the back buffer: RGB, rows from the
// bottom. After a display pass the back buffer holds the frame shown: Mesa's software rasteriser
// under Xvfb copies it to the window on a swap and leaves it in place.
using Frame = std::vector<unsigned char>;
using Rgb = std::array<int, 3>;
Frame readFrame();
// The pixel in column x and row y counted from the top, as the mouse reports window pixels.
Rgb pixelAt(const Frame &frame, int x, int yFromTop);
// How many pixels of `frame` differ from what the X server holds for the current window.
int pixelsDifferingFromTheWindow(const Frame &frame);

// The exit paths end the process with status 0, which a test runner would take for success: while
// this is set, an exit ends the process with status 1 and says so instead.
extern bool exitForbidden;

// One vertex of a captured polygon: its coordinates mapped back to the frame the drawing used,
// and its colour.
struct CapturedVertex {
  float x, y, z;
  float r, g, b, a;
};
using CapturedPolygon = std::vector<CapturedVertex>;

// Runs `draw` in GL_FEEDBACK mode with projection and viewport chosen so that the captured
// coordinates equal the coordinates of the model-view frame current when `draw` starts (an
// identity model-view, so model coordinates), for geometry within +-`extent` on every axis
// (a power of two keeps the mapping exact). Culling is left as the caller set it.
std::vector<CapturedPolygon> captureFeedback(const std::function<void()> &draw, float extent = 64);

// Sets lighting so that every lit vertex colour equals the front material's ambient colour:
// light 0 off, global ambient white. Palette colours then appear unchanged in captured colours.
void showMaterialColours();

// captureFeedback with culling off (every face, back faces too) and showMaterialColours();
// culling is turned back on afterwards.
std::vector<CapturedPolygon> captureAllFaces(const std::function<void()> &draw);

// Collects problems as text, one line each, so that a check over many values, or a child
// process, can report them together.
class Problems {
public:
  void add(const std::string &what) {
    text_ += what + "\n";
  }
  void expect(bool ok, const std::string &what) {
    if (!ok) {
      add(what);
    }
  }
  bool empty() const {
    return text_.empty();
  }
  const std::string &text() const {
    return text_;
  }

private:
  std::string text_;
};

// ---- GL state ----

GLint integerState(GLenum which);
GLint currentMatrixMode();

// Window coordinates (x, y from the bottom, depth) of a point under the current matrices and
// viewport.
std::array<double, 3> projectToWindow(double x, double y, double z);

// Window pixel, as the mouse reports it, of a point in the frame of a piece at `origin`, seen
// through the view currently applied; a failure where it lies within 2 pixels of the window's
// edge or off it.
std::array<int, 2> mousePixelOf(const Placement &origin, double x, double y, double z);

// One record of a selection pass: depths as stored, names from the bottom of the stack up.
struct SelectionRecord {
  GLuint minDepth, maxDepth;
  std::vector<GLuint> names;
};

// Runs `draw` in GL_SELECT mode under the current matrices, with ~0u pushed onto a fresh name
// stack first, and returns the hit records in the order written.
std::vector<SelectionRecord> captureSelection(const std::function<void()> &draw);

// ---- 4x4 matrices in double precision, column-major like OpenGL (m[column * 4 + row]), built
// from the textbook formulas of the fixed-function calls ----

struct Mat4 {
  std::array<double, 16> m{};
  double operator[](int i) const {
    return m[i];
  }
  double &operator[](int i) {
    return m[i];
  }
};

Mat4 operator*(const Mat4 &a, const Mat4 &b);
Mat4 identityMatrix();
Mat4 frustumMatrix(double l, double r, double b, double t, double n, double f);
Mat4 orthoMatrix(double l, double r, double b, double t, double n, double f);
Mat4 translation(double x, double y, double z);
Mat4 rotation(double degrees, double x, double y, double z);
Mat4 scaling(double x, double y, double z);
Mat4 toMat4(const std::array<float, 16> &f);

// Eye coordinates of a point under the current model-view matrix.
std::array<double, 3> eyePoint(double x, double y, double z);

// A read-back single-precision matrix against a double-precision expectation: every element
// within max(absolute, relative * |expected|).
::testing::AssertionResult matrixNear(const std::array<float, 16> &got, const Mat4 &want,
                                      double absolute = 1e-5, double relative = 1e-5);
::testing::AssertionResult matrixNear(GLenum which, const Mat4 &want, double absolute = 1e-5,
                                      double relative = 1e-5);

// Loads matrices no view function produces and leaves `current` the matrix mode.
void scrambleMatrices(GLenum current = GL_PROJECTION);

// ---- scene ----

// Appends a piece to the list of its kind.
void placePiece(FurnitureKind kind, float x, float z);
struct PiecePlacement {
  FurnitureKind kind;
  float x, z;
};
void placePieces(const std::vector<PiecePlacement> &pieces);

// Every kind, with two tables, wardrobes, bedside tables and beds; the two wardrobes and the two
// bedside tables show their slot order in the names they load.
void furnishEveryKind();
// Three wardrobes in a row with their fronts to the camera, two bedside tables and a table off
// to the right, none hiding another's front from the initial camera.
void furnishForPicking();
// Fifty pieces of every kind, each kind spread over the floor on a 10 x 5 grid.
void furnishFullRoom();

// A left press and release at window pixel (x, y), as a click reports them.
void leftClick(int x, int y);

// The animated value that part code 101..106 moves in entry `index` of `state`.
AnimatedValue &partValue(SceneState &state, int code, int index);

// Names each case of a parameterised test after its `name` field.
struct NamedAfterParam {
  template <class Param> std::string operator()(const ::testing::TestParamInfo<Param> &info) const {
    return info.param.name;
  }
};

// ---- GLUT's real main loop, in a child process ----

struct MainLoopRun {
  long idleCalls, frames;
  double wallSeconds, processorSeconds;
};

// Runs GLUT's main loop with the program's idle and display callbacks, counted, for `seconds` of
// wall time, or until `done` holds after an idle call. Leaving the loop shuts GLUT down with its
// window, so only a child process that ends afterwards may call this.
MainLoopRun runMainLoopFor(double seconds, const std::function<bool()> &done = {});

// Moves the window to a place of its own on the shared virtual screen and raises it: GLUT does
// not redraw a window that another test process's window covers completely.
void moveWindowTo(int x, int y);

// Runs `problems` in a child process, which exits with status 0 when it returns "" and else 1
// with the text on standard error, where the failure message shows it.
void expectNoProblemsInChild(const std::function<std::string()> &problems);
