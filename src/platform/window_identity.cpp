#include "platform/platform.h"

#if ROOMPLANNER_GLX

// The table windowIconData: written at build time into the build tree from the icon files in
// data/icons/ (tools/window_icon_table.cpp).
#include "window_icon.h"

#include <GL/glx.h>
#include <X11/Xatom.h>
#include <X11/Xutil.h>

#include <cstddef>
#include <cstdint>

// The instance and class of WM_CLASS. The class is the application id, which the desktop entry
// names as its StartupWMClass, so that a dock or task bar shows the running window as the
// launcher it came from.
static char windowInstance[] = "room-planner";
static char windowClass[] = "org.roomplanner.RoomPlanner";

constexpr std::size_t iconWords = sizeof(windowIconData) / sizeof(windowIconData[0]);

// Xlib takes a property of 32-bit items as an array of long, whatever the size of long.
static unsigned long windowIconProperty[iconWords];

void setWindowIdentity() {
  // GLUT's window on X11 is the drawable of the current GLX context.
  Display *display = glXGetCurrentDisplay();
  const Window window = glXGetCurrentDrawable();
  if (display == nullptr || window == 0) {
    return;
  }
  XClassHint classHint;
  classHint.res_name = windowInstance;
  classHint.res_class = windowClass;
  XSetClassHint(display, window, &classHint);

  for (std::size_t i = 0; i < iconWords; ++i) {
    windowIconProperty[i] = windowIconData[i];
  }
  XChangeProperty(display, window, XInternAtom(display, "_NET_WM_ICON", False), XA_CARDINAL, 32,
                  PropModeReplace, reinterpret_cast<const unsigned char *>(windowIconProperty),
                  static_cast<int>(iconWords));
  XFlush(display);
}

#else

void setWindowIdentity() {}

#endif
