// The platform on Windows, where GLUT is freeglut built for Windows.
//   Swap control: WGL_EXT_swap_control.
//   The pop-up menu: its window is the one glutCreateMenu adds to the thread's; the message that
//     ended the menu comes from a hook on the thread's message queue.
//   The window's identity: nothing to set; the program's icon and version information are
//     resources of the program itself (data/room-planner.rc.in).
// A choice made through a window that holds the mouse capture, not the menu's, is not checked
// against the menu's place: it chooses nothing.
#include "platform/opengl.h"
#include "platform/platform.h"

#include <windows.h>
#include <windowsx.h>

#include <algorithm>
#include <iterator>

// ---- swap control, looked up at run time ----

bool requestDriverSwapInterval(int refreshes) {
  using SwapIntervalEXT = BOOL(WINAPI *)(int);
  // Through the generic function pointer type, which converts to and from any other.
  const auto set = reinterpret_cast<SwapIntervalEXT>(
      reinterpret_cast<void (*)()>(wglGetProcAddress("wglSwapIntervalEXT")));
  return set != nullptr && set(refreshes) == TRUE;
}

// ---- the pop-up menu ----

// GLUT draws the pop-up menu into a top-level window of its own, which glutCreateMenu makes.
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

// ---- the window's identity ----

void setWindowIdentity() {}
