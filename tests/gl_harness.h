// Shared test harness: one real GLUT window per test process (on the virtual X display the test
// command starts), a fixture that puts the program back to its start-up state before every test,
// and helpers that read results back from OpenGL itself.
#pragma once

#include "app/app_shell.h"
#include "scene/scene_state.h"

#include <GL/freeglut.h>
#include <array>
#include <functional>
#include <gtest/gtest.h>
#include <vector>

// The window id that start-up returned in this process.
extern int testWindow;

// Puts scene, GL state and window back to what start-up leaves: 500 x 500, start-up
// capabilities, identity matrices, no pending GL error, pacing off.
class GlTest : public ::testing::Test {
protected:
  void SetUp() override;
};

// Lets GLUT handle pending window-system events (map, configure, expose) without running idle.
void pumpEvents(int rounds = 5);

// Reads a matrix back from OpenGL (GL_PROJECTION_MATRIX or GL_MODELVIEW_MATRIX), column-major.
std::array<float, 16> readMatrix(GLenum which);

// Reads the RGB of one pixel of the back buffer, window coordinates with y counted from the top
// as the mouse reports them.
std::array<unsigned char, 3> readPixelTopDown(int x, int y);

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
