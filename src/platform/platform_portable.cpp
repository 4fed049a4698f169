// The platform where neither X11 with GLX nor Windows is known: anything GLUT, OpenGL and GLU run
// on.
//   Swap control: none; frames are paced by the frame clock's timer alone.
//   The pop-up menu: as GLUT makes it; its choices are not checked, since neither its window nor
//     the event that ended it can be known.
//   The window's identity: whatever the toolkit gives the window.
#include "platform/opengl.h"
#include "platform/platform.h"

bool requestDriverSwapInterval(int) {
  return false;
}

int createPopUpMenu(void (*onChoice)(int value)) {
  return glutCreateMenu(onChoice);
}

void notePopUpMenuInUse(bool) {}

MenuChoiceEvidence menuChoiceEvidence() {
  return {};
}

void setWindowIdentity() {}
