#include "platform/platform.h"
#include "platform/opengl.h"

#if defined(_WIN32)
#include <windows.h>
#elif ROOMPLANNER_GLX
#include <GL/glx.h>
#include <cstring>
#endif

// The swap-control extension of each platform is looked up at run time.
#if defined(_WIN32)

bool requestDriverSwapInterval(int refreshes) {
  using SwapIntervalEXT = BOOL(WINAPI *)(int);
  // Through the generic function pointer type, which converts to and from any other.
  const auto set = reinterpret_cast<SwapIntervalEXT>(
      reinterpret_cast<void (*)()>(wglGetProcAddress("wglSwapIntervalEXT")));
  return set != nullptr && set(refreshes) == TRUE;
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

#else

// No swap control is known here: frames are paced by the timer alone.
bool requestDriverSwapInterval(int) {
  return false;
}

#endif

void enableFramePacing() {
  frameClock.pacing = true;
  frameClock.swapControl = frameClock.requestSwapInterval(1);
  restartFrameClock(frameClock);
}

void disableFramePacing() {
  frameClock.pacing = false;
}

bool presentFrame() {
  // A pass drawn in selection mode is the pick's, not a frame anyone sees: it rasterises nothing,
  // so a swap would only show a back buffer whose contents are undefined after the last swap. The
  // pick neither swaps nor waits.
  GLint renderMode = GL_RENDER;
  glGetIntegerv(GL_RENDER_MODE, &renderMode);
  if (renderMode != GL_RENDER) {
    return false;
  }
  glutSwapBuffers();
  const ClockTime wait = frameShown(frameClock);
  if (wait > ClockTime::zero()) {
    frameClock.wait(wait);
  }
  return true;
}

void paceIdleCall() {
  const ClockTime wait = idleCallWait(frameClock);
  if (wait > ClockTime::zero()) {
    frameClock.wait(wait);
  }
}
