// Editing the room: the pop-up menu and its modes, the pick query, placing pieces with the mouse,
// rejecting a piece dropped onto another, and dragging the newest piece.
#pragma once

#include "scene/scene_state.h"

#include <cstdint>

// The pop-up menu: "Visualizar" (value 0), then one row per kind of furniture with the kind's
// label (values 1 to KIND_COUNT, in kind order), then "Salir".
inline constexpr const char *inspectLabel = "Visualizar";
inline constexpr const char *exitLabel = "Salir";
constexpr int MENU_INSPECT = 0;
constexpr int MENU_EXIT = KIND_COUNT + 1;
constexpr int MENU_ROWS = MENU_EXIT + 1;

void createMenu();
// What each menu entry does.
void onMenu(int value);
// The callback GLUT calls for a menu entry: the entry is chosen only when a button's press or
// release on that entry ended the menu. Any other click closes the menu and chooses nothing, and
// so does a wheel notch.
void onMenuClick(int value);
// The menu-status callback. A pop-up menu takes the pointer, so GLUT never reports the release
// of a drag during which the menu was opened; the drag ends when the menu opens instead, and a
// menu opened with no drag running ends nothing.
void onMenuStatus(int status, int x, int y);

// Footprint around another piece, as offsets from its placement, inside which a dropped piece is
// taken away again. All four bounds are strict.
struct RejectionRect {
  double xLower;
  double xUpper;
  double zLower;
  double zUpper;
};

// rejectionTable[newest kind][other kind], both indexed by FurnitureKind.
inline constexpr RejectionRect rejectionTable[KIND_COUNT][KIND_COUNT] = {
    // Newest: Table. Other: Table, Chair, Wardrobe, BedsideTable, Shelf, Sofa, Bed.
    {{-12, 12, -7, 7},
     {-12, 4, -11, 0},
     {-12, 10, -7, 7},
     {-12, 5, -7, 3},
     {-15, 0, -7, 8},
     {-12, 9, -27, 0},
     {-12, 15, -6, 8}},
    // Newest: Chair.
    {{-4, 12, 0, 11},
     {-4, 4, -4, 4},
     {-5, 10, 0, 12},
     {-4, 5, 0, 7},
     {-8, 0, 0, 12},
     {-4, 9, -20, 4},
     {-4, 14, 0, 11}},
    // Newest: Wardrobe.
    {{-10, 12, -7, 7},
     {-12, 4, -11, 0},
     {-10, 10, -7, 7},
     {-10, 6, -7, 4},
     {-15, 0, -7, 8},
     {-12, 9, -27, 0},
     {-10, 15, -8, 8}},
    // Newest: BedsideTable.
    {{-5, 12, -3, 7},
     {-5, 4, -8, 0},
     {-12, 10, -7, 7},
     {-5, 5, -4, 4},
     {-9, 0.5, -4, 8},
     {-5, 9, -24, 0},
     {-6, 15, -3, 8}},
    // Newest: Shelf.
    {{0, 16, -8, 7},
     {0, 8, -12, 0},
     {0, 14, -8, 7},
     {0, 10, -8, 4},
     {-4, 4, -8, 8},
     {0, 13, -27, 0},
     {-1, 19, -8, 8}},
    // Newest: Sofa.
    {{-9, 12, 0, 27},
     {-9, 4, -4, 20},
     {-9, 10, 0, 27},
     {-9, 5, 0, 24},
     {-13, 0, 0, 28},
     {-9, 9, -20, 20},
     {-10, 15, 0, 28}},
    // Newest: Bed.
    {{-15, 12, -7, 7},
     {-15, 5, -12, 0},
     {-14, 8, -8, 8},
     {-15, 6, -8, 3},
     {-18, 1, -8, 8},
     {-15, 10, -27, 0},
     {-15, 16, -8, 8}},
};

// The release scan visits the other pieces' kinds in this order; the outcome does not depend on it.
inline constexpr FurnitureKind releaseScanOrder[KIND_COUNT] = {Table, Wardrobe, Bed,  BedsideTable,
                                                               Shelf, Sofa,     Chair};

// Whether (X, Z) lies strictly inside `rect` placed at `other`, in double precision.
bool insideRejectionRect(const RejectionRect &rect, const Placement &other, double X, double Z);

// The pick query: the name of the nearest hit under window pixel (x, y), 0 when nothing is hit.
// Sets scene.pickedIndex to the piece the hit part belongs to.
int pickAt(int x, int y);

// What a selection buffer says: the nearest record's name and the piece index it belongs to.
struct PickResult {
  int name;       // 0 when no record with a name was walked
  int pieceIndex; // list index 0..49, or -1 when the hit belongs to no animated piece
  bool anyRecord; // at least one record was walked
};

// Walks `hits` selection records in `buffer` (of `words` words): the record with the smallest
// minimum depth wins, the earlier one on ties. A part code's piece is the closest body record
// ahead of it in the buffer.
PickResult nearestHit(const std::uint32_t *buffer, int words, int hits);

// The mouse callback. A left press in the plan view places a piece of the active kind and
// starts a drag, in the perspective view it picks. A drag ends at the first press or release of
// any button, the wheel's notches (buttons 3 to 6) excepted, and is judged then: the newest
// piece is taken away if it stands inside another piece's rejection rectangle. An event that
// ends no drag judges nothing.
void onMouse(int button, int state, int x, int y);
// The motion callback: during a drag in the plan view the newest piece follows the pointer.
void onMotion(int x, int y);
