// The pop-up menu's layout and the rule by which a choice GLUT reports counts, the same on every
// platform: what the platform reports of the event that ended the menu is judged here.
#include "platform/platform.h"

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
