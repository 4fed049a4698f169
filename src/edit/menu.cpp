#include "anim/animation.h"
#include "edit/editing.h"
#include "models/furniture_models.h"
#include "platform/opengl.h"
#include "platform/platform.h"
#include "view/views.h"

#include <cstdlib>

void createMenu() {
  scene.menuId = createPopUpMenu(wakeThen<onMenuClick>);
  glutAddMenuEntry(inspectLabel, MENU_INSPECT);
  for (int kind = 0; kind < KIND_COUNT; ++kind) {
    glutAddMenuEntry(furnitureKinds[kind].menuLabel, kind + 1);
  }
  glutAddMenuEntry(exitLabel, MENU_EXIT);
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

// Each entry's value is its row in the menu.
void onMenuClick(int value) {
  if (menuRowChosenByUser(menuChoiceEvidence(), MENU_ROWS, value)) {
    onMenu(value);
  }
}
