// The platform on X11 with GLX, where GLUT is freeglut.
//   Swap control: GLX_EXT_swap_control, GLX_MESA_swap_control or GLX_SGI_swap_control, the first
//     the driver offers.
//   The pop-up menu: its window is the one freeglut makes on the program's connection; the event
//     that ended the menu, and where the menu's window stood then, come from the event stream,
//     which the program reads on its way from Xlib to GLUT.
//   The window's identity: WM_CLASS and _NET_WM_ICON, from a table the build writes.
// It cannot check a choice where Xlib is linked statically or GLUT reads events without
// XNextEvent: every choice then passes.
#include "platform/opengl.h"
#include "platform/platform.h"

// The table windowIconData: written at build time into the build tree from the icon files in
// data/icons/ (tools/window_icon_table.cpp).
#include "window_icon.h"

#include <GL/glx.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <dlfcn.h>

// ---- swap control, looked up at run time ----

static bool hasExtension(const char *extensions, const char *name) {
  const std::size_t length = std::strlen(name);
  for (const char *at = extensions; (at = std::strstr(at, name)) != nullptr; at += length) {
    const bool startsWord = at == extensions || at[-1] == ' ';
    const bool endsWord = at[length] == ' ' || at[length] == '\0';
    if (startsWord && endsWord) {
      return true;
    }
  }
  return false;
}

bool requestDriverSwapInterval(int refreshes) {
  Display *display = glXGetCurrentDisplay();
  const GLXDrawable drawable = glXGetCurrentDrawable();
  if (display == nullptr || drawable == 0) {
    return false;
  }
  const char *extensions = glXQueryExtensionsString(display, DefaultScreen(display));
  if (extensions == nullptr) {
    return false;
  }
  auto lookUp = [](const char *name) {
    return glXGetProcAddressARB(reinterpret_cast<const GLubyte *>(name));
  };
  if (hasExtension(extensions, "GLX_EXT_swap_control")) {
    using SwapIntervalEXT = void (*)(Display *, GLXDrawable, int);
    if (auto set = reinterpret_cast<SwapIntervalEXT>(lookUp("glXSwapIntervalEXT"))) {
      set(display, drawable, refreshes);
      return true;
    }
  }
  if (hasExtension(extensions, "GLX_MESA_swap_control")) {
    using SwapIntervalMESA = int (*)(unsigned int);
    if (auto set = reinterpret_cast<SwapIntervalMESA>(lookUp("glXSwapIntervalMESA"))) {
      return set(refreshes) == 0;
    }
  }
  if (hasExtension(extensions, "GLX_SGI_swap_control")) {
    using SwapIntervalSGI = int (*)(int);
    if (auto set = reinterpret_cast<SwapIntervalSGI>(lookUp("glXSwapIntervalSGI"))) {
      return set(refreshes) == 0;
    }
  }
  return false;
}

// ---- the pop-up menu ----

// GLUT draws the pop-up menu into a top-level window of its own, which glutCreateMenu makes.
static Display *menuDisplay = nullptr;
static Window menuWindow = 0;
// Whether GLUT has the menu in use, as its menu-status callback last said.
static bool menuInUse = false;

// The menu's window as the event stream tells it: GLUT selects structure events on it, and the
// X server sends its moves, maps and unmaps in order with the input. GLUT carries out a move or a
// map only after it has handled every event it read in one go, so the window system's present
// state says nothing about where the menu stood when a button event of that batch happened.
struct MenuWindowState {
  bool placed; // a ConfigureNotify has told its place
  bool mapped;
  ScreenBox place; // a top-level window's ConfigureNotify counts from the screen's corner
};
static MenuWindowState menuState{};

// The last event GLUT took off the X connection's queue. GLUT chooses a menu entry while it
// handles the button event that ended the menu, so at the choice this is that event: the window
// it was delivered to, where it lay, and the menu's window as the stream had told it then.
struct TakenEvent {
  bool any;          // false until GLUT takes its first event
  bool button;       // a press or release of button 1, 2 or 3
  bool onMenuWindow; // delivered to the menu's own window
  int x, y;          // in the window it was delivered to
  int rootX, rootY;  // on the screen
  MenuWindowState menu;
};
static TakenEvent lastTakenEvent{};

// A menu GLUT no longer has in use, shown by a map it had queued before it hid the menu (both in
// one batch of events), would stand unpainted over the room and swallow its clicks: the program
// takes it down. The X server then exposes the room under it, which GLUT draws again.
static void noteMenuWindowEvent(Display *display, const XEvent &event) {
  if (event.type == ConfigureNotify && event.xconfigure.window == menuWindow) {
    const XConfigureEvent &c = event.xconfigure;
    menuState.placed = true;
    menuState.place = {c.x, c.y, c.width, c.height};
  } else if (event.type == MapNotify && event.xmap.window == menuWindow) {
    menuState.mapped = true;
    if (!menuInUse) {
      XUnmapWindow(display, menuWindow);
      XFlush(display);
    }
  } else if (event.type == UnmapNotify && event.xunmap.window == menuWindow) {
    menuState.mapped = false;
  }
}

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
  noteMenuWindowEvent(display, *event);
  const XButtonEvent &b = event->xbutton;
  const bool button = (event->type == ButtonPress || event->type == ButtonRelease) &&
                      b.button >= Button1 && b.button <= Button3;
  lastTakenEvent =
      button
          ? TakenEvent{true, true, b.window == menuWindow, b.x, b.y, b.x_root, b.y_root, menuState}
          : TakenEvent{true, false, false, 0, 0, 0, 0, menuState};
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
  menuState = {};
  return menu;
}

void notePopUpMenuInUse(bool inUse) {
  menuInUse = inUse;
}

MenuChoiceEvidence menuChoiceEvidence() {
  const TakenEvent &event = lastTakenEvent;
  if (menuWindow == 0 || !event.any || !event.menu.placed) {
    return {};
  }
  const ScreenBox &place = event.menu.place;
  if (event.onMenuWindow) {
    return {true, true, true, {0, 0, place.width, place.height}, event.x, event.y};
  }
  return {true, event.button, event.menu.mapped, place, event.rootX, event.rootY};
}

// ---- the window's identity ----

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
