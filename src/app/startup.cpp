#include "anim/animation.h"
#include "app/app_shell.h"
#include "edit/editing.h"
#include "platform/opengl.h"
#include "platform/platform.h"
#include "scene/scene_state.h"
#include "view/views.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#if defined(__GLIBC__)
#include <malloc.h>
#endif

void initLighting() {
  // Loaded while the model-view matrix is still the identity, so the light stays put relative to
  // the viewer however the camera turns.
  glLightfv(GL_LIGHT0, GL_POSITION, light0Position);
  glEnable(GL_CULL_FACE);
  glEnable(GL_LIGHTING);
  glEnable(GL_LIGHT0);
  glEnable(GL_DEPTH_TEST);
  glEnable(GL_NORMALIZE);
}

// The software renderer builds each frame in scratch blocks that it frees once the frame is
// drawn, about 6 MiB for a full room. By default glibc returns that memory to the system at the
// end of every frame and faults it back in, page by page, during the next: about 13 ms of a
// full-room frame. The heap is trimmed only once 64 MiB lie free at its top.
static void keepFrameScratchMemory() {
#if defined(__GLIBC__)
  mallopt(M_TRIM_THRESHOLD, 64 << 20);
#endif
}

static constexpr const char *noWindowMessage = "room-planner: cannot create the window";

// The toolkit's fatal errors before the window stands (no display, no GLX on it, no context it
// can make) end the process with the program's own message, the toolkit's reason after it. The
// process ends at once: its exit handlers would close the connection to the window system, and
// Xlib would then report, in six lines of its own, the error that the toolkit's failed request
// left there (an indirect GLX context refused).
static void toolkitFailedAtStartUp(const char *format, va_list reason) {
  std::fprintf(stderr, "%s: ", noWindowMessage);
  std::vfprintf(stderr, format, reason);
  std::fputc('\n', stderr);
  std::fflush(stderr);
  std::_Exit(1);
}

int startUp() {
  keepFrameScratchMemory();

#if defined(FREEGLUT)
  glutInitErrorFunc(toolkitFailedAtStartUp);
#endif
  // The program reads no command line but its own --help and --version: the toolkit sees none.
  int argc = 1;
  char programName[] = "room-planner";
  char *argv[] = {programName, nullptr};
  glutInit(&argc, argv);

  glutInitDisplayMode(GLUT_RGB | GLUT_DOUBLE | GLUT_DEPTH);
  glutInitWindowPosition(100, 100);
  glutInitWindowSize(static_cast<int>(scene.windowWidth), static_cast<int>(scene.windowHeight));
  const int window = glutCreateWindow(windowTitle);
  if (window == 0) {
    std::fprintf(stderr, "%s\n", noWindowMessage);
    std::exit(1);
  }
#if defined(FREEGLUT)
  glutInitErrorFunc(nullptr); // later errors are the toolkit's own to report
#endif
  setWindowIdentity();
  initLighting();
  createMenu();

  // GLUT calls the display callback itself when the window needs drawing; every other way in
  // wakes the heartbeat first.
  glutReshapeFunc(wakeThen<onReshape>);
  glutMouseFunc(wakeThen<onMouse>);
  glutKeyboardFunc(wakeThen<onKeyboard>);
  glutSpecialFunc(wakeThen<onSpecialKey>);
  glutIdleFunc(onIdle);
  glutDisplayFunc(onDisplay);
  glutMotionFunc(wakeThen<onMotion>);
  glutMenuStatusFunc(wakeThen<onMenuStatus>);
  glutVisibilityFunc(onVisibility);
  return window;
}
