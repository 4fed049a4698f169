#include "edit/editing.h"
#include "platform/opengl.h"
#include "view/views.h"

#include <cstdlib>

void createMenu() {
  scene.menuId = glutCreateMenu(onMenu);
  int value = 0;
  for (const char *label : menuLabels) {
    glutAddMenuEntry(label, value++);
  }
  glutAttachMenu(GLUT_RIGHT_BUTTON);
}

void onMenu(int value) {
  if (value == MENU_INSPECT) {
    scene.inspectMode = 1;
    scene.planView = 0;
    applyPerspectiveView();
  } else if (value >= 1 && value <= KIND_COUNT) {
    scene.planView = 1;
    for (int kind = 0; kind < KIND_COUNT; ++kind) {
      scene.activeKind[kind] = kind == value - 1 ? 1 : 0;
    }
    scene.inspectMode = 0;
    applyPlanView();
  } else if (value == MENU_EXIT) {
    std::exit(0);
  }
}
