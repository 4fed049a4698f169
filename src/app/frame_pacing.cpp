#include "app/app_shell.h"
#include "platform/opengl.h"

#include <chrono>
#include <thread>
#if defined(_WIN32)
#include <windows.h>
#elif ROOMPLANNER_GLX
#include <GL/glx.h>
#include <cstring>
#endif

using PacingClock = std::chrono::steady_clock;

// A frame lasts 1/60 s. Swaps that complete faster than a 75 Hz display could show them mean
// that no vertical sync holds the loop back.
constexpr PacingClock::duration framePeriod =
    std::chrono::duration_cast<PacingClock::duration>(std::chrono::duration<double>(1.0 / 60));
constexpr PacingClock::duration fastestSyncedFrame =
    std::chrono::duration_cast<PacingClock::duration>(std::chrono::duration<double>(1.0 / 75));

struct FramePacer {
  bool enabled = false;
  bool swapControl = false;
  bool started = false;
  bool presentedSinceIdle = false; // a frame was shown since the last idle call
  PacingClock::time_point frameStart;
};

static FramePacer pacer;

// Asks the driver for one buffer swap per display refresh through the platform's swap-control
// extension, looked up at run time. Returns whether the driver took it.
#if defined(_WIN32)

static bool requestSwapIntervalOne() {
  using SwapIntervalEXT = BOOL(WINAPI *)(int);
  // Through the generic function pointer type, which converts to and from any other.
  const auto set = reinterpret_cast<SwapIntervalEXT>(
      reinterpret_cast<void (*)()>(wglGetProcAddress("wglSwapIntervalEXT")));
  return set != nullptr && set(1) == TRUE;
}

#elif ROOMPLANNER_GLX

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

static bool requestSwapIntervalOne() {
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
      set(display, drawable, 1);
      return true;
    }
  }
  if (hasExtension(extensions, "GLX_MESA_swap_control")) {
    using SwapIntervalMESA = int (*)(unsigned int);
    if (auto set = reinterpret_cast<SwapIntervalMESA>(lookUp("glXSwapIntervalMESA"))) {
      return set(1) == 0;
    }
  }
  if (hasExtension(extensions, "GLX_SGI_swap_control")) {
    using SwapIntervalSGI = int (*)(int);
    if (auto set = reinterpret_cast<SwapIntervalSGI>(lookUp("glXSwapIntervalSGI"))) {
      return set(1) == 0;
    }
  }
  return false;
}

#else

// No swap control is known here: frames are paced by the timer alone.
static bool requestSwapIntervalOne() {
  return false;
}

#endif

void enableFramePacing() {
  pacer.enabled = true;
  pacer.swapControl = requestSwapIntervalOne();
  pacer.started = false;
}

void disableFramePacing() {
  pacer.enabled = false;
}

bool framePacingEnabled() {
  return pacer.enabled;
}

bool swapControlAvailable() {
  return pacer.swapControl;
}

// Ends the current frame: unless the display's vertical sync already held it back, waits out the
// rest of its 1/60 s, then starts the next one.
static void finishFrame(bool swapped) {
  PacingClock::time_point now = PacingClock::now();
  if (pacer.started) {
    const PacingClock::duration elapsed = now - pacer.frameStart;
    const bool syncHolds = swapped && pacer.swapControl && elapsed >= fastestSyncedFrame;
    const PacingClock::time_point due = pacer.frameStart + framePeriod;
    if (!syncHolds && now < due) {
      std::this_thread::sleep_until(due);
      // The next frame is timed from when this one was due, so wake-up delays do not add up.
      now = due;
    }
  }
  pacer.frameStart = now;
  pacer.started = true;
}

void presentFrame() {
  glutSwapBuffers();
  if (!pacer.enabled) {
    return;
  }
  finishFrame(true);
  pacer.presentedSinceIdle = true;
}

void paceIdleCall() {
  if (!pacer.enabled) {
    return;
  }
  if (pacer.presentedSinceIdle) {
    pacer.presentedSinceIdle = false;
    return;
  }
  // No frame since the previous idle call: GLUT does not redraw a hidden or fully covered window,
  // so the idle call itself has to keep the pace.
  finishFrame(false);
}
