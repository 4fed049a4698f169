#include "edit/editing.h"
#include "platform/opengl.h"
#include "view/views.h"

bool insideRejectionRect(const RejectionRect &rect, const Placement &other, double X, double Z) {
  const double x = other.x;
  const double z = other.z;
  return x + rect.xLower < X && X < x + rect.xUpper && z + rect.zLower < Z && Z < z + rect.zUpper;
}

// Appends a piece of `kind` at the pointer, unless its list is full, and starts a drag.
static void placePiece(int kind, int x, int y) {
  const RoomPoint p = roomToWorld(x, y);
  FurnitureList &list = scene.lists[kind];
  if (list.count < MAX_PIECES_PER_KIND) {
    list.slots[list.count + 1] = {static_cast<float>(p.x), static_cast<float>(p.z)};
    ++list.count;
  }
  scene.dragging = 1;
  glutPostRedisplay();
}

// Takes the newest piece of the active kind away again if the release point lies inside the
// rejection rectangle of any other piece.
static void releasePiece(int x, int y) {
  scene.dragging = 0;
  for (int &flag : scene.overlapFlag) {
    flag = 0;
  }
  const RoomPoint p = roomToWorld(x, y);
  for (int newest = 0; newest < KIND_COUNT; ++newest) {
    if (!scene.activeKind[newest]) {
      continue;
    }
    for (FurnitureKind other : releaseScanOrder) {
      const FurnitureList &list = scene.lists[other];
      const int tested = other == newest ? list.count - 1 : list.count;
      for (int slot = 1; slot <= tested; ++slot) {
        if (insideRejectionRect(rejectionTable[newest][other], list.slots[slot], p.x, p.z)) {
          scene.overlapFlag[newest] = 1;
        }
      }
    }
    FurnitureList &own = scene.lists[newest];
    if (scene.overlapFlag[newest] && own.count >= 1) {
      --own.count;
    }
  }
  for (int &flag : scene.overlapFlag) {
    flag = 0;
  }
}

// GLUT reports each notch of a mouse wheel as a press and a release of buttons 3 and 4 (5 and 6
// for a horizontal wheel). A notch is no button: it neither starts nor ends a drag.
static bool isWheel(int button) {
  return button >= 3 && button <= 6;
}

// Every drag is judged exactly once, where it ends: at the left button's release, or at the
// press or release of any other button that comes first. An event that ends no drag judges
// nothing, so a piece can only be taken away by being dropped.
void onMouse(int button, int state, int x, int y) {
  if (isWheel(button)) {
    return;
  }
  if (button == GLUT_LEFT_BUTTON && state == GLUT_DOWN) {
    if (scene.inspectMode) {
      scene.pendingAction = pickAt(x, y);
    }
    if (scene.planView) {
      for (int kind = 0; kind < KIND_COUNT; ++kind) {
        if (scene.activeKind[kind]) {
          placePiece(kind, x, y);
        }
      }
    }
    return;
  }
  const bool endsDrag = scene.dragging != 0;
  scene.dragging = 0;
  if (endsDrag && !scene.inspectMode) {
    releasePiece(x, y);
  }
}

void onMotion(int x, int y) {
  if (!scene.dragging) {
    return;
  }
  if (!scene.planView) {
    applyPerspectiveView();
    return;
  }
  for (int kind = 0; kind < KIND_COUNT; ++kind) {
    if (scene.activeKind[kind]) {
      const RoomPoint p = roomToWorld(x, y);
      FurnitureList &list = scene.lists[kind];
      list.slots[list.count] = {static_cast<float>(p.x), static_cast<float>(p.z)};
      glutPostRedisplay();
    }
  }
  applyPlanView();
}

void onMenuStatus(int status, int x, int y) {
  if (status == GLUT_MENU_IN_USE) {
    onMouse(GLUT_LEFT_BUTTON, GLUT_UP, x, y);
  }
}
