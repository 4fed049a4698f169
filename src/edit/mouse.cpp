#include "edit/editing.h"
#include "platform/opengl.h"
#include "platform/platform.h"
#include "view/views.h"

bool insideRejectionRect(const RejectionRect &rect, const Placement &other, double X, double Z) {
  const double x = other.x;
  const double z = other.z;
  return x + rect.xLower < X && X < x + rect.xUpper && z + rect.zLower < Z && Z < z + rect.zUpper;
}

// Appends a piece of `kind` at the pointer and starts its drag. A full list takes no piece, and a
// press that adds none starts no drag: the newest piece, which the user did not touch, neither
// follows the pointer nor is judged.
static void placePiece(int kind, int x, int y) {
  FurnitureList &list = scene.lists[kind];
  if (list.count >= MAX_PIECES_PER_KIND) {
    return;
  }
  const RoomPoint p = roomToWorld(x, y);
  list.slots[list.count + 1] = {static_cast<float>(p.x), static_cast<float>(p.z)};
  ++list.count;
  scene.dragging = 1;
  glutPostRedisplay();
}

// Takes the newest piece of the active kind away again if it stands inside the rejection
// rectangle of any other piece. The piece is judged where it stands, at the position the press or
// the last motion gave it: that is the piece the user sees, wherever the pointer is when the drag
// ends (a release lost while the window was unmapped, a window moved or resized mid-drag).
static void releasePiece() {
  scene.dragging = 0;
  for (int &flag : scene.overlapFlag) {
    flag = 0;
  }
  for (int newest = 0; newest < KIND_COUNT; ++newest) {
    FurnitureList &own = scene.lists[newest];
    if (!scene.activeKind[newest] || own.count < 1) {
      continue;
    }
    const Placement &dropped = own.slots[own.count];
    for (FurnitureKind other : releaseScanOrder) {
      const FurnitureList &list = scene.lists[other];
      const int tested = other == newest ? list.count - 1 : list.count;
      for (int slot = 1; slot <= tested; ++slot) {
        if (insideRejectionRect(rejectionTable[newest][other], list.slots[slot], dropped.x,
                                dropped.z)) {
          scene.overlapFlag[newest] = 1;
        }
      }
    }
    if (scene.overlapFlag[newest]) {
      --own.count;
    }
  }
  for (int &flag : scene.overlapFlag) {
    flag = 0;
  }
}

// Ends the drag, if one is running, and judges its piece; while inspecting nothing is judged.
static void endDrag() {
  if (!scene.dragging) {
    return;
  }
  scene.dragging = 0;
  if (!scene.inspectMode) {
    releasePiece();
  }
}

// GLUT reports each notch of a mouse wheel as a press and a release of buttons 3 and 4 (5 and 6
// for a horizontal wheel). A notch is no button: it neither starts nor ends a drag.
static bool isWheel(int button) {
  return button >= 3 && button <= 6;
}

// Every drag is judged exactly once, when it ends: at the left button's release, or at the press
// or release of any other button that comes first, or at a left press whose drag's release never
// came. An event that ends no drag judges nothing, so a piece can only be taken away by being
// dropped.
void onMouse(int button, int state, int x, int y) {
  if (isWheel(button)) {
    return;
  }
  endDrag();
  if (button != GLUT_LEFT_BUTTON || state != GLUT_DOWN) {
    return;
  }
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

void onMenuStatus(int status, int, int) {
  notePopUpMenuInUse(status == GLUT_MENU_IN_USE);
  if (status == GLUT_MENU_IN_USE) {
    endDrag();
  }
}
