#include "platform/opengl.h"
#include "platform/platform.h"

#if defined(_WIN32)
#include <windows.h>
#include <windowsx.h>

#include <algorithm>
#include <iterator>
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
  return evidence.buttonEvent && evidence.menuStood &&
         popUpMenuRowAt(evidence.menu, rows, evidence.x, evidence.y) == row;
}

// GLUT draws the pop-up menu into a top-level window of its own, which glutCreateMenu makes. The
// program finds that window when the menu is made, and asks the window system where it stood when
// a choice comes.
#if defined(_WIN32)

static HWND menuWindow = nullptr;
// Whether GLUT has the menu in use, as its menu-status callback last said.
static bool menuInUse = false;

// The last message GLUT took off the thread's queue. GLUT chooses a menu entry while it handles
// the button message that ended the menu, so at the choice this is that message: the window it was
// posted to and where it lay there, whatever the pointer did since.
struct TakenMessage {
  bool any;          // false until GLUT takes its first message
  bool button;       // a press or release of the left, middle or right button
  bool onMenuWindow; // posted to the menu's own window
  int x, y;          // in that window's client area
};
static TakenMessage lastTakenMessage{};

constexpr UINT buttonMessages[] = {WM_LBUTTONDOWN, WM_LBUTTONUP,   WM_MBUTTONDOWN,
                                   WM_MBUTTONUP,   WM_RBUTTONDOWN, WM_RBUTTONUP};

// Sees every message the thread takes off its queue. GLUT carries out a show only after it has
// handled every message it found waiting, so a menu opened and closed among them is shown after
// it was hidden: a menu window that shows while GLUT has no menu in use is hidden again, and the
// room under it is painted again.
static LRESULT CALLBACK noteTakenMessage(int code, WPARAM removal, LPARAM message) {
  if (code == HC_ACTION && removal == PM_REMOVE) {
    const MSG &m = *reinterpret_cast<const MSG *>(message);
    const bool button = std::find(std::begin(buttonMessages), std::end(buttonMessages),
                                  m.message) != std::end(buttonMessages);
    lastTakenMessage = {true, button, button && m.hwnd == menuWindow, GET_X_LPARAM(m.lParam),
                        GET_Y_LPARAM(m.lParam)};
    if (!menuInUse && menuWindow != nullptr && IsWindowVisible(menuWindow)) {
      ShowWindow(menuWindow, SW_HIDE);
    }
  }
  return CallNextHookEx(nullptr, code, removal, message);
}

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
  static const HHOOK messageHook =
      SetWindowsHookExW(WH_GETMESSAGE, noteTakenMessage, nullptr, GetCurrentThreadId());
  static_cast<void>(messageHook); // stays for the life of the thread
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

void notePopUpMenuInUse(bool inUse) {
  menuInUse = inUse;
}

// GLUT on Windows chooses an entry only while it handles a button's message, never a wheel's. A
// message to the program's window while the menu is open is one that came before GLUT showed the
// menu, or one the program's window holds the capture for: either way where the menu's window
// stood for it is not known, and it chooses nothing.
MenuChoiceEvidence menuChoiceEvidence() {
  RECT client;
  const TakenMessage &m = lastTakenMessage;
  if (menuWindow == nullptr || !m.any || !GetClientRect(menuWindow, &client)) {
    return {};
  }
  return {true, m.button, m.onMenuWindow, {0, 0, client.right, client.bottom}, m.x, m.y};
}

#elif ROOMPLANNER_GLX

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

#else

int createPopUpMenu(void (*onChoice)(int value)) {
  return glutCreateMenu(onChoice);
}

void notePopUpMenuInUse(bool) {}

MenuChoiceEvidence menuChoiceEvidence() {
  return {};
}

#endif
