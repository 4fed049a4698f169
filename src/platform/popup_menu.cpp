#include "platform/opengl.h"
#include "platform/platform.h"

#if defined(_WIN32)
#include <windows.h>
#elif ROOMPLANNER_GLX
#include <GL/glx.h>
#include <X11/Xlib.h>
#endif

// GLUT draws the pop-up menu into a top-level window of its own, which glutCreateMenu makes. The
// program finds that window by what glutCreateMenu adds to the desktop's top-level windows, and
// later asks the window system where the window stood and where the pointer is.
#if defined(_WIN32)

static HWND menuWindow = nullptr;

// The visible and hidden top-level windows of the program's thread, gathered in a fixed table:
// the program and its menu make a handful.
struct ThreadWindows {
  HWND windows[64];
  int count;
};

static BOOL CALLBACK collectWindow(HWND window, LPARAM into) {
  ThreadWindows &found = *reinterpret_cast<ThreadWindows *>(into);
  if (found.count < static_cast<int>(sizeof(found.windows) / sizeof(found.windows[0]))) {
    found.windows[found.count++] = window;
  }
  return TRUE;
}

static ThreadWindows threadWindows() {
  ThreadWindows found{};
  EnumThreadWindows(GetCurrentThreadId(), collectWindow, reinterpret_cast<LPARAM>(&found));
  return found;
}

static bool listed(const ThreadWindows &list, HWND window) {
  for (int i = 0; i < list.count; ++i) {
    if (list.windows[i] == window) {
      return true;
    }
  }
  return false;
}

int createPopUpMenu(void (*onChoice)(int value)) {
  const ThreadWindows before = threadWindows();
  const int menu = glutCreateMenu(onChoice);
  const ThreadWindows after = threadWindows();
  menuWindow = nullptr;
  for (int i = 0; i < after.count; ++i) {
    if (!listed(before, after.windows[i])) {
      menuWindow = menuWindow == nullptr ? after.windows[i] : nullptr;
      if (menuWindow == nullptr) {
        break; // more than one new window: which is the menu cannot be told
      }
    }
  }
  return menu;
}

// Where the pointer was when the click that chose the entry was posted, rather than where it is
// now: hiding the menu can take a while (Wine waits up to a second for the window system), and
// the pointer may be elsewhere by then.
bool pointerOnPopUpMenu() {
  RECT menu;
  if (menuWindow == nullptr || !GetWindowRect(menuWindow, &menu)) {
    return true;
  }
  const DWORD position = GetMessagePos();
  const POINT pointer = {static_cast<short>(LOWORD(position)),
                         static_cast<short>(HIWORD(position))};
  return PtInRect(&menu, pointer) != FALSE;
}

#elif ROOMPLANNER_GLX

static Display *menuDisplay = nullptr;
static Window menuWindow = 0;

// The top-level windows of the screen, as XQueryTree lists them; `windows` is Xlib's to free.
struct TopLevelWindows {
  Window *windows = nullptr;
  unsigned int count = 0;
};

static TopLevelWindows topLevelWindows(Display *display) {
  TopLevelWindows found;
  Window root, parent;
  if (!XQueryTree(display, DefaultRootWindow(display), &root, &parent, &found.windows,
                  &found.count)) {
    found = {};
  }
  return found;
}

static bool listed(const TopLevelWindows &list, Window window) {
  for (unsigned int i = 0; i < list.count; ++i) {
    if (list.windows[i] == window) {
      return true;
    }
  }
  return false;
}

int createPopUpMenu(void (*onChoice)(int value)) {
  Display *display = glXGetCurrentDisplay();
  if (display == nullptr) {
    return glutCreateMenu(onChoice);
  }
  const TopLevelWindows before = topLevelWindows(display);
  const int menu = glutCreateMenu(onChoice);
  const TopLevelWindows after = topLevelWindows(display);
  // The menu's window is the one new top-level window that bypasses the window manager, as a
  // pop-up does.
  Window found = 0;
  int candidates = 0;
  for (unsigned int i = 0; i < after.count; ++i) {
    XWindowAttributes attributes;
    if (!listed(before, after.windows[i]) &&
        XGetWindowAttributes(display, after.windows[i], &attributes) &&
        attributes.override_redirect) {
      found = after.windows[i];
      ++candidates;
    }
  }
  menuDisplay = display;
  menuWindow = candidates == 1 ? found : 0;
  if (before.windows != nullptr) {
    XFree(before.windows);
  }
  if (after.windows != nullptr) {
    XFree(after.windows);
  }
  return menu;
}

bool pointerOnPopUpMenu() {
  if (menuDisplay == nullptr || menuWindow == 0) {
    return true;
  }
  const Window rootWindow = DefaultRootWindow(menuDisplay);
  Window root, child;
  int pointerX, pointerY, windowX, windowY;
  unsigned int buttons;
  if (!XQueryPointer(menuDisplay, rootWindow, &root, &child, &pointerX, &pointerY, &windowX,
                     &windowY, &buttons)) {
    return false; // the pointer is on another screen than the menu
  }
  // GLUT hides the menu before it reports the choice; a hidden window keeps its place and size.
  int left, top;
  unsigned int width, height, border, depth;
  if (!XGetGeometry(menuDisplay, menuWindow, &root, &left, &top, &width, &height, &border,
                    &depth) ||
      !XTranslateCoordinates(menuDisplay, menuWindow, rootWindow, 0, 0, &left, &top, &child)) {
    return true;
  }
  return pointerX >= left && pointerX < left + static_cast<int>(width) && pointerY >= top &&
         pointerY < top + static_cast<int>(height);
}

#else

int createPopUpMenu(void (*onChoice)(int value)) {
  return glutCreateMenu(onChoice);
}

bool pointerOnPopUpMenu() {
  return true;
}

#endif
