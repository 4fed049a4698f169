#include "platform/opengl.h"
#include "platform/platform.h"

#if defined(_WIN32)
#include <windows.h>
#elif ROOMPLANNER_GLX
#include <GL/glx.h>
#include <X11/Xlib.h>
#include <dlfcn.h>
#endif

int popUpMenuRowAt(const ScreenBox &menu, int rows, int x, int y) {
  // Counted in 64 bits, so that no pair of int coordinates can overflow the differences.
  const long long inX = static_cast<long long>(x) - menu.left;
  const long long inY = static_cast<long long>(y) - menu.top;
  const int rowHeight = rows > 0 ? (menu.height - 2 * POP_UP_MENU_BORDER) / rows : 0;
  if (rowHeight <= 0 || inX < POP_UP_MENU_BORDER || inX >= menu.width - POP_UP_MENU_BORDER ||
      inY < POP_UP_MENU_BORDER || inY >= menu.height - POP_UP_MENU_BORDER) {
    return -1;
  }
  const long long row = (inY - POP_UP_MENU_BORDER) / rowHeight;
  return row < rows ? static_cast<int>(row) : -1;
}

bool menuRowChosenByUser(const MenuChoiceEvidence &evidence, int rows, int row) {
  if (!evidence.known) {
    return true;
  }
  return evidence.buttonEvent && popUpMenuRowAt(evidence.menu, rows, evidence.x, evidence.y) == row;
}

// GLUT draws the pop-up menu into a top-level window of its own, which glutCreateMenu makes. The
// program finds that window when the menu is made, and asks the window system where it stood when
// a choice comes.
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

// The menu's window is the one window glutCreateMenu adds to the thread's.
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

// GLUT on Windows chooses an entry only while it handles a button's message, never a wheel's.
// That message's position is where the pointer was when the click was posted, rather than where
// it is now: hiding the menu can take a while (Wine waits up to a second for the window system).
MenuChoiceEvidence menuChoiceEvidence() {
  MenuChoiceEvidence evidence{};
  RECT menu;
  if (menuWindow == nullptr || !GetWindowRect(menuWindow, &menu)) {
    return evidence;
  }
  const DWORD position = GetMessagePos();
  evidence = {true,
              {menu.left, menu.top, menu.right - menu.left, menu.bottom - menu.top},
              true,
              static_cast<short>(LOWORD(position)),
              static_cast<short>(HIWORD(position))};
  return evidence;
}

#elif ROOMPLANNER_GLX

static Display *menuDisplay = nullptr;
static Window menuWindow = 0;

// The last event GLUT took off the X connection's queue. GLUT chooses a menu entry while it
// handles the button event that ended the menu, so at the choice this is that event: its kind and
// where it lay, whatever the pointer did since.
struct TakenEvent {
  bool any; // false until GLUT takes its first event
  int type;
  unsigned int button;
  int rootX, rootY;
};
static TakenEvent lastTakenEvent{};

// Xlib's XNextEvent, through which GLUT takes every event: the program's own definition comes
// first for every library of the process, notes the events of the menu's connection and hands
// each on unchanged.
extern "C" int XNextEvent(Display *display, XEvent *event) {
  using NextEvent = int (*)(Display *, XEvent *);
  static const NextEvent xlibNextEvent =
      reinterpret_cast<NextEvent>(dlsym(RTLD_NEXT, "XNextEvent"));
  const int status = xlibNextEvent(display, event);
  if (display != menuDisplay) {
    return status;
  }
  const bool button = event->type == ButtonPress || event->type == ButtonRelease;
  lastTakenEvent = {true, event->type, button ? event->xbutton.button : 0u,
                    button ? event->xbutton.x_root : 0, button ? event->xbutton.y_root : 0};
  return status;
}

// The window system may refuse a query about a window that has just gone; such an error means
// nothing here, while Xlib's own handler would end the process.
static int ignoreError(Display *, XErrorEvent *) {
  return 0;
}

static bool bypassesWindowManager(Display *display, Window window) {
  XWindowAttributes attributes;
  return XGetWindowAttributes(display, window, &attributes) && attributes.override_redirect;
}

// The menu's window is the top-level window that bypasses the window manager, as a pop-up does,
// and that glutCreateMenu made on the program's own connection. Xlib hands out the ids of a
// connection's windows in increasing order, within a range of its own: the ids strictly between
// one taken just before glutCreateMenu and one taken just after are exactly those glutCreateMenu
// made, whatever other programs' windows come and go meanwhile.
int createPopUpMenu(void (*onChoice)(int value)) {
  Display *display = glXGetCurrentDisplay();
  if (display == nullptr) {
    return glutCreateMenu(onChoice);
  }
  const XID before = XAllocID(display);
  const int menu = glutCreateMenu(onChoice);
  const XID after = XAllocID(display);

  const XErrorHandler previousHandler = XSetErrorHandler(ignoreError);
  Window root, parent, *windows = nullptr;
  unsigned int count = 0;
  if (!XQueryTree(display, DefaultRootWindow(display), &root, &parent, &windows, &count)) {
    count = 0;
  }
  Window found = 0;
  int candidates = 0;
  for (unsigned int i = 0; i < count; ++i) {
    if (windows[i] > before && windows[i] < after && bypassesWindowManager(display, windows[i])) {
      found = windows[i];
      ++candidates;
    }
  }
  if (windows != nullptr) {
    XFree(windows);
  }
  XSync(display, False);
  XSetErrorHandler(previousHandler);

  menuDisplay = display;
  menuWindow = candidates == 1 ? found : 0;
  return menu;
}

MenuChoiceEvidence menuChoiceEvidence() {
  MenuChoiceEvidence evidence{};
  if (menuDisplay == nullptr || menuWindow == 0 || !lastTakenEvent.any) {
    return evidence;
  }
  // GLUT hides the menu before it reports the choice; a hidden window keeps its place and size.
  Window root, child;
  int left, top;
  unsigned int width, height, border, depth;
  if (!XGetGeometry(menuDisplay, menuWindow, &root, &left, &top, &width, &height, &border,
                    &depth) ||
      !XTranslateCoordinates(menuDisplay, menuWindow, DefaultRootWindow(menuDisplay), 0, 0, &left,
                             &top, &child)) {
    return evidence;
  }
  const TakenEvent &event = lastTakenEvent;
  const bool isButton = event.type == ButtonPress || event.type == ButtonRelease;
  evidence = {true,
              {left, top, static_cast<int>(width), static_cast<int>(height)},
              isButton && event.button >= Button1 && event.button <= Button3,
              event.rootX,
              event.rootY};
  return evidence;
}

#else

int createPopUpMenu(void (*onChoice)(int value)) {
  return glutCreateMenu(onChoice);
}

MenuChoiceEvidence menuChoiceEvidence() {
  return {};
}

#endif
