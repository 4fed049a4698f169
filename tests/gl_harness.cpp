#include "gl_harness.h"

#include <cmath>

int testWindow = 0;

namespace {

class GlEnvironment : public ::testing::Environment {
public:
  void SetUp() override {
    testWindow = startUp();
    pumpEvents(20);
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
  disableFramePacing();
  glutSetWindow(testWindow);
  if (glutGet(GLUT_WINDOW_WIDTH) != 500 || glutGet(GLUT_WINDOW_HEIGHT) != 500) {
    glutReshapeWindow(500, 500);
    pumpEvents(20);
  }
  glRenderMode(GL_RENDER);
  glViewport(0, 0, 500, 500);
  glDepthRange(0, 1);
  const GLfloat defaultAmbient[4] = {0.2f, 0.2f, 0.2f, 1};
  glLightModelfv(GL_LIGHT_MODEL_AMBIENT, defaultAmbient);
  glDisable(GL_COLOR_MATERIAL);
  glClearColor(0, 0, 0, 0);
  const GLfloat white[4] = {1, 1, 1, 1};
  const GLfloat black[4] = {0, 0, 0, 1};
  glLightfv(GL_LIGHT0, GL_DIFFUSE, white);
  glLightfv(GL_LIGHT0, GL_SPECULAR, white);
  glLightfv(GL_LIGHT0, GL_AMBIENT, black);
  glEnable(GL_CULL_FACE);
  glEnable(GL_LIGHTING);
  glEnable(GL_LIGHT0);
  glEnable(GL_DEPTH_TEST);
  glEnable(GL_NORMALIZE);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glLightfv(GL_LIGHT0, GL_POSITION, light0Position); // eye space, as start-up loads it
  while (glGetError() != GL_NO_ERROR) {
  }
  resetScene();
}

std::array<float, 16> readMatrix(GLenum which) {
  std::array<float, 16> m{};
  glGetFloatv(which, m.data());
  return m;
}

std::array<unsigned char, 3> readPixelTopDown(int x, int y) {
  std::array<unsigned char, 3> rgb{};
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadBuffer(GL_BACK);
  const int height = glutGet(GLUT_WINDOW_HEIGHT);
  glReadPixels(x, height - 1 - y, 1, 1, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
  return rgb;
}

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

int main(int argc, char **argv) {
  ::testing::InitGoogleTest(&argc, argv);
  // Death tests re-run the test binary, so each child opens its own window.
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  ::testing::AddGlobalTestEnvironment(new GlEnvironment);
  return RUN_ALL_TESTS();
}
